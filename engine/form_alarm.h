// The alarm dialog: hourly and half-hour chimes, the set-time alarm with its
// message, and the alarm sound with a test button.
#pragma once

#include <QDialog>
#include <QSpinBox>

#include "engine/alarm_owner.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace engine {

// A spin edit limited to a range and a number of characters. Value() reads the
// text: a number is held to the range, anything else gives 0.
class TSpinEdit : public QSpinBox {
 public:
  TSpinEdit(int minValue, int maxValue, int maxLength, QWidget* parent);
  int Value() const;
  QLineEdit* Edit() const { return lineEdit(); }

 protected:
  // Text that is no number (an emptied box) becomes 0 when the box rereads
  // its text (on leaving it, on Enter), instead of the previous value.
  void fixup(QString& input) const override;
};

class TFormAlarm : public QDialog {
 public:
  TFormAlarm(AlarmOwner& owner, QWidget* parent);

  // In tab order.
  QCheckBox* CheckBoxAlarmHour;
  QCheckBox* CheckBoxAlarmHourJihou;
  QCheckBox* CheckBoxAlarmHalf;
  QCheckBox* CheckBoxAlarmHHMM;
  QGroupBox* GroupBox1;
  TSpinEdit* SEHour;
  TSpinEdit* SEMin;
  QLineEdit* EditMessage;
  QComboBox* ComboBoxWave;
  QToolButton* SpeedButtonTest;
  QPushButton* ButtonOK;
  QPushButton* ButtonCAN;
  QLabel* LabelHour;
  QLabel* LabelMin;
  QLabel* LabelMessage;
  QLabel* LabelWave;

  // Runs whenever the hourly box changes (by the user or the program).
  void CheckBoxAlarmHourClick();
  // The handlers may throw (resource error, settings write error); the
  // buttons show such an error in the application's error box.
  void ButtonOKClick();
  void ButtonCANClick();
  void SpeedButtonTestClick();

  // The sound names by index: "(なし)" (beeps) and the 12 sounds.
  static const char* const kWaveNames[13];

 private:
  AlarmOwner& owner_;
};

// The dialog while it is shown (null otherwise).
extern TFormAlarm* FormAlarm;

// The clock window's alarm command: creates the dialog owned by the owner's
// window, sets its controls from the owner (hourly, half-hour, set time, hour
// count, hour, minute, message, sound), shows it modally and destroys it.
// While the dialog is open, a further call only brings it to the front.
void ShowAlarmDialog(AlarmOwner& owner);

// The application's error box ("%s." unless the text ends at or below '.'),
// titled with the application's display name.
void ShowApplicationError(const std::exception& error);

}  // namespace engine
