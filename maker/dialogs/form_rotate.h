// The rotate dialog: collects the main window's rotate or flip choice. Its
// buttons only close it; the caller reads the checked radio button and the
// texts of EditR and EditL afterwards. Cancel (also Escape and the close
// button) leaves RadioButtonFreeR checked with EditR "0", a turn by 0 that
// the caller treats as nothing to do. The choice stays between openings.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace maker {

class TFormRotate : public QDialog {
 public:
  explicit TFormRotate(QWidget* parent = nullptr);

  // The six radio buttons form one group, in tab order.
  QRadioButton* RadioButtonR90;
  QRadioButton* RadioButtonL90;
  QRadioButton* RadioButtonFreeR;
  QRadioButton* RadioButtonFreeL;
  QRadioButton* RadioButtonFlipLR;
  QRadioButton* RadioButtonFlipTB;
  QPushButton* ButtonCAN;
  QPushButton* ButtonOK;
  QLineEdit* EditR;  // degrees, free text
  QLineEdit* EditL;

  void ButtonOKClick();   // closes
  void ButtonCANClick();  // RadioButtonFreeR checked, EditR "0", closes

  void reject() override;  // as ButtonCANClick
};

}  // namespace maker
