#include "maker/dialogs/form_shortcut.h"

#include <QCheckBox>
#include <QPushButton>

#include <filesystem>
#include <system_error>

#include "maker/dialogs/dialog_support.h"
#include "platform/message_box.h"
#include "platform/shell_link.h"
#include "platform/system.h"

namespace maker {

namespace {

// The folder part of a path, up to and including its last separator.
std::string FolderOf(const std::string& path) {
  const size_t s = path.find_last_of('/');
  return s == std::string::npos ? std::string() : path.substr(0, s + 1);
}

}  // namespace

TFormShortcut::TFormShortcut(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(QStringLiteral("プログラムの登録"));
  setFixedSize(300, 152);
  setFont(dialogs::DialogFont());

  CheckBoxStartUp = new QCheckBox(QStringLiteral("パソコン起動時に自動的に実行"), this);
  CheckBoxStartUp->setGeometry(40, 16, 233, 17);
  CheckBoxStartMenu = new QCheckBox(QStringLiteral("スタートメニューに登録"), this);
  CheckBoxStartMenu->setGeometry(40, 48, 233, 17);
  CheckBoxDesktop = new QCheckBox(QStringLiteral("デスクトップにショートカットを作成"), this);
  CheckBoxDesktop->setGeometry(40, 80, 233, 17);

  ButtonOK = new QPushButton(QStringLiteral("実行"), this);
  ButtonOK->setGeometry(184, 112, 75, 25);
  ButtonOK->setDefault(true);
  ButtonCAN = new QPushButton(QStringLiteral("キャンセル"), this);
  ButtonCAN->setGeometry(88, 112, 75, 25);
  ButtonCAN->setAutoDefault(false);

  QWidget* order[] = {CheckBoxStartUp, CheckBoxStartMenu, CheckBoxDesktop, ButtonOK, ButtonCAN};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  connect(ButtonOK, &QPushButton::clicked, this, [this] { dialogs::Guarded([this] { ButtonOKClick(); }); });
  connect(ButtonCAN, &QPushButton::clicked, this, [this] { ButtonCANClick(); });

  dialogs::CentreOnScreen(this);
}

void TFormShortcut::SetTarget(const std::string& target) {
  ShortcutTarget = target;
  const std::string desktop = platform::GetSpecialFolderPath(platform::CSIDL_DESKTOPDIRECTORY);
  // A program on the desktop needs no second icon there.
  CheckBoxDesktop->setEnabled(desktop.empty() || FolderOf(target) != desktop + "/");
}

bool TFormShortcut::CreateShortcut(const std::string& target, const std::string& sub, int folderId) {
  const std::string folder = platform::GetShellFolderPath(folderId);
  if (folder.empty() || target.empty()) return false;
  // A clock program shows the engine's icon (installed with the kit).
  const platform::ShellLink link{target, FolderOf(target), "tolvane"};
  // The folders may not exist yet on a fresh account (the autostart and
  // applications folders are made on first use); a failure here is left to
  // the save below.
  std::error_code ec;
  std::filesystem::create_directories(folder + sub + "/", ec);
  const std::string linkFile = folder + sub + "/" + platform::ChangeFileExt(platform::ExtractFileName(target), ".lnk");
  return platform::SaveShellLink(link, linkFile);
}

void TFormShortcut::ButtonOKClick() {
  auto make = [this](QCheckBox* box, const char* sub, int folderId, const char* failure) {
    if (box->isChecked() && !CreateShortcut(ShortcutTarget, sub, folderId))
      platform::MessageDlg(failure, platform::MsgType::Error, platform::mbAbort, this);
  };
  make(CheckBoxStartUp, "", kStartupFolder, "スタートアップに登録できませんでした");
  make(CheckBoxStartMenu, kStartMenuSub, kProgramsFolder, "スタートメニューに登録できませんでした");
  // The checked state counts also when the box is disabled.
  make(CheckBoxDesktop, "", kDesktopFolder, "デスクトップに登録できませんでした");
  done(QDialog::Accepted);
}

void TFormShortcut::ButtonCANClick() { done(QDialog::Rejected); }

}  // namespace maker
