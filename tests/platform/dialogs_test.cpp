// The real message, file and font dialogs, answered by keys and clicks:
// which button Return presses, what an open dialog lists and returns for a
// program file without an extension, and what the font dialog gives back.
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QListView>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "platform/file_dialogs.h"
#include "platform/message_box.h"
#include "../modal_driver.h"

namespace {

using testsupport::ModalDriver;

void PressReturn(QWidget* w) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

TEST(MessageDialogs, ReturnPressesTheDefaultAndAStoppingChoiceIsTheDefaultWhereNothingGoesOn) {
  // Abort and Ignore: Return must not go on with what the dialog warns of.
  struct Case {
    unsigned buttons;
    platform::ModalResult onReturn;
  } cases[] = {
      {platform::mbAbort | platform::mbIgnore, platform::ModalResult::Abort},
      {platform::mbOK | platform::mbAbort, platform::ModalResult::OK},
      {platform::mbOK | platform::mbCancel, platform::ModalResult::OK},
      {platform::mbYes | platform::mbNo, platform::ModalResult::Yes},
      {platform::mbAbort | platform::mbRetry | platform::mbIgnore, platform::ModalResult::Retry},
      {platform::mbOK, platform::ModalResult::OK},
      {platform::mbAbort, platform::ModalResult::Abort},
  };
  const auto oldHook = platform::SetMessageHook({});
  for (const auto& c : cases) {
    ModalDriver driver([](QWidget* m) { PressReturn(m); });
    const auto result = platform::MessageDlg("text", platform::MsgType::Warning, c.buttons);
    EXPECT_EQ(result, c.onReturn) << c.buttons;
    EXPECT_EQ(driver.leftOpen, 0) << c.buttons;
  }
  platform::SetMessageHook(oldHook);
}

class OpenDialogs : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  std::string root;
  platform::DialogHook oldHook;
  void SetUp() override {
    root = dir.path().toStdString();
    for (const char* name : {"harbour", "tower.exe", "Hands.dat"}) std::ofstream(root + "/" + name) << "x";
    oldHook = platform::SetDialogHook({});
  }
  void TearDown() override { platform::SetDialogHook(oldHook); }
  // The movement update's program settings.
  platform::FileDialogSettings ProgramSettings() const {
    platform::FileDialogSettings s;
    s.InitialDir = root;
    s.DefaultExt = "*.exe";
    s.FileName = "*.exe";
    s.Filter = "EXE Files (*.EXE)|*.exe|All Files (*.*)|*.*";
    return s;
  }
};

// The files of the folder that a Qt name filter lets through.
QStringList Listed(const QString& folder, const QString& filter) {
  const auto m = QRegularExpression(QStringLiteral("\\(([^()]*)\\)$")).match(filter);
  return QDir(folder).entryList(m.captured(1).split(' ', Qt::SkipEmptyParts), QDir::Files, QDir::Name);
}

TEST_F(OpenDialogs, TheAllFilesFilterListsFilesWithoutAnExtension) {
  platform::FileDialogSettings s = ProgramSettings();
  QStringList filters;
  ModalDriver driver([&](QWidget* m) {
    auto* d = qobject_cast<QFileDialog*>(m);
    if (!d) return;
    filters = d->nameFilters();
    d->reject();
  });
  EXPECT_FALSE(platform::ExecuteFileDialog(platform::FileDialogKind::Open, s));
  ASSERT_EQ(filters.size(), 2);
  EXPECT_EQ(Listed(dir.path(), filters[0]), QStringList{"tower.exe"});
  EXPECT_EQ(Listed(dir.path(), filters[1]), (QStringList{"Hands.dat", "harbour", "tower.exe"}));
}

TEST_F(OpenDialogs, ATypedNameThatExistsIsTakenAsItIsAndOneThatDoesNotGetsTheDefaultExtension) {
  struct Case {
    const char* typed;
    const char* chosen;
  } cases[] = {{"harbour", "harbour"}, {"tower", "tower.exe"}, {"tower.exe", "tower.exe"}};
  for (const auto& c : cases) {
    platform::FileDialogSettings s = ProgramSettings();
    ModalDriver driver([&](QWidget* m) {
      auto* d = qobject_cast<QFileDialog*>(m);
      if (!d) return;
      auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      if (!edit) return;
      edit->setText(QString::fromUtf8(c.typed));
      QMetaObject::invokeMethod(d, "accept", Qt::QueuedConnection);
    });
    EXPECT_TRUE(platform::ExecuteFileDialog(platform::FileDialogKind::Open, s)) << c.typed;
    EXPECT_EQ(s.FileName, root + "/" + c.chosen) << c.typed;
    EXPECT_EQ(driver.leftOpen, 0) << c.typed;
  }
}

// The font dialog's own colour list and buttons (Qt's font chooser inside
// has lists and boxes of its own).
QComboBox* ColourList(QWidget* dialog) { return dialog->findChild<QComboBox*>(QString(), Qt::FindDirectChildrenOnly); }
QPushButton* OkButton(QWidget* dialog) {
  auto* box = dialog->findChild<QDialogButtonBox*>(QString(), Qt::FindDirectChildrenOnly);
  return box ? box->button(QDialogButtonBox::Ok) : nullptr;
}

TEST(FontDialog, AnUnchangedOkGivesTheFontBackAsItWasGiven) {
  // Whatever the screen's resolution makes of a pixel height in points.
  struct Case {
    int height, size;
    uint32_t colour;
    bool bold;
  } cases[] = {{-12, 9, 0x000000, false}, {-13, 10, 0x0000FF, true}, {-17, 13, 0x123456, false}, {20, 9, 0x808080, false}};
  const auto oldHook = platform::SetDialogHook({});
  for (const auto& c : cases) {
    platform::FontChoice given;
    given.Name = "IPAPGothic";
    given.Height = c.height;
    given.Size = c.size;
    given.Color = c.colour;
    given.Bold = c.bold;
    platform::FontChoice font = given;
    QString shownFamily;
    uint shownColour = 1;
    ModalDriver driver([&](QWidget* m) {
      auto* chooser = m->findChild<QFontDialog*>();
      if (chooser) shownFamily = chooser->currentFont().family();
      if (auto* colours = ColourList(m)) shownColour = colours->currentData().toUInt();
      if (auto* ok = OkButton(m)) ok->click();
    });
    EXPECT_TRUE(platform::ExecuteFontDialog(font)) << c.height;
    EXPECT_EQ(shownFamily.toStdString(), "IPAPGothic") << c.height;
    EXPECT_EQ(shownColour, c.colour) << c.height;
    EXPECT_TRUE(font == given) << c.height << ": " << font.Name << " " << font.Height << " " << font.Size << " "
                               << font.Color;
  }
  platform::SetDialogHook(oldHook);
}

TEST(FontDialog, ReturnAndEscapeInTheFontListEndTheWholeDialog) {
  // Qt's chooser takes Return and Escape in its lists as its own OK and
  // Cancel; the dialog round it must end with it, not stay empty.
  struct Case {
    Qt::Key key;
    bool confirmed;
  } cases[] = {{Qt::Key_Return, true}, {Qt::Key_Enter, true}, {Qt::Key_Escape, false}};
  const auto oldHook = platform::SetDialogHook({});
  for (const auto& c : cases) {
    platform::FontChoice font;
    font.Name = "IPAPGothic";
    ModalDriver driver(
        [&](QWidget* m) {
          auto* chooser = m->findChild<QFontDialog*>();
          QListView* list = chooser ? chooser->findChild<QListView*>() : nullptr;
          if (!list) return;
          QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier);
          QApplication::sendEvent(list, &press);
        },
        1000);
    EXPECT_EQ(platform::ExecuteFontDialog(font), c.confirmed) << c.key;
    EXPECT_EQ(driver.leftOpen, 0) << c.key;
  }
  platform::SetDialogHook(oldHook);
}

}  // namespace
