// The SNTP setup dialog: SNTP on/off, the 10 host slots in a one-column
// grid with buttons to move the current row, and a button that synchronises
// at once with the hosts in the grid.
#pragma once

#include <QDialog>
#include <QTableWidget>

#include <string>

#include "engine/ntp_owner.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace engine {

// The host grid: one column of 10 editable text cells.
class NtpHostGrid : public QTableWidget {
  Q_OBJECT
 public:
  explicit NtpHostGrid(QWidget* parent = nullptr);
  std::string CellText(int row) const;
  void SetCellText(int row, const std::string& text);
  // Stores the text of a cell being edited, so handlers see what was typed.
  void CommitPendingEdit();

 protected:
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QPersistentModelIndex editAfterRelease_;
};

// Removes leading and trailing blanks and control characters.
std::string TrimHost(const std::string& text);

class TFormNTP : public QDialog {
  Q_OBJECT
 public:
  explicit TFormNTP(NtpOwner& owner, QWidget* parent = nullptr);

  QCheckBox* CheckBoxNTP;
  QLabel* Label1;
  NtpHostGrid* StringGridNTP;
  QToolButton* SpeedButtonUP;
  QToolButton* SpeedButtonDN;
  QToolButton* SpeedButtonSync;
  QPushButton* ButtonOK;
  QPushButton* ButtonCancel;

  void FormCreate();
  void SpeedButtonUPClick();
  void SpeedButtonDNClick();
  // Stores the grid's hosts and the on/off state and writes the settings;
  // raises when the settings cannot be written (the dialog stays open).
  void ButtonOKClick();
  void ButtonCancelClick();
  void SpeedButtonSyncClick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  // Runs a button handler; an error it raises is shown in the application's
  // error box.
  template <typename F>
  void Guarded(F&& handler);

  NtpOwner& owner_;
};

// The SNTP setup command of the clock window: creates the dialog, fills the
// grid from the host slots and the check box from the SNTP check mark, shows
// it modally and destroys it.
void ShowNtpSetup(NtpOwner& owner, QWidget* parent);

}  // namespace engine
