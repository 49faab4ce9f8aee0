// The shortcut dialog shown after a clock program has been written: links
// to the clock in the autostart folder, in the applications menu (sub-folder
// "デスクトップ時計") and on the desktop. Created once; the check boxes keep
// the user's last choice.
//
// The caller sets the clock program with SetTarget (which also enables the
// desktop box, or disables it when the program lies in the desktop folder)
// and runs exec().
#pragma once

#include <QDialog>

#include <string>

class QCheckBox;
class QPushButton;

namespace maker {

class TFormShortcut : public QDialog {
 public:
  explicit TFormShortcut(QWidget* parent = nullptr);

  QCheckBox* CheckBoxStartUp;
  QCheckBox* CheckBoxStartMenu;
  QCheckBox* CheckBoxDesktop;
  QPushButton* ButtonOK;
  QPushButton* ButtonCAN;

  // Full path of the clock program to link to.
  std::string ShortcutTarget;

  // ShortcutTarget := target; CheckBoxDesktop disabled when the target's
  // folder is the desktop folder, else enabled.
  void SetTarget(const std::string& target);

  // One link to target in the special folder `folderId` (+ sub-folder
  // `sub`, starting with a separator, or empty). True when it was saved.
  bool CreateShortcut(const std::string& target, const std::string& sub, int folderId);

  // Makes the checked links, reporting each failure, then closes.
  void ButtonOKClick();
  void ButtonCANClick();

  // Folder identifiers used by the three boxes.
  static constexpr int kStartupFolder = 7;
  static constexpr int kProgramsFolder = 2;
  static constexpr int kDesktopFolder = 0;
  static constexpr const char* kStartMenuSub = "/デスクトップ時計";
};

}  // namespace maker
