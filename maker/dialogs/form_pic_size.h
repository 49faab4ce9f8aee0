// The resize dialog: new width and height (the other box follows the
// picture's aspect ratio when one box is left) and one of six filters; OK
// resamples the main window's work picture.
//
// The main window puts the picture's size into SpinEditNewW and SpinEditNewH,
// runs exec() and reads the boxes back: after OK they hold the new size and
// the work picture is resampled (its old state is the undo copy); after
// Cancel, Escape or the close button both boxes are 0 and nothing changed.
#pragma once

#include <QDialog>
#include <QSpinBox>

#include <functional>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace maker {

class MakerHost;

// A number box of the resize dialog. Value() reads the typed text: a number
// is held to the range, anything else gives the minimum. OnExit runs when the
// box loses the keyboard focus.
class PicSizeSpinEdit : public QSpinBox {
 public:
  PicSizeSpinEdit(int minValue, int maxValue, QWidget* parent);
  int Value() const;
  void SetValue(int v);
  QLineEdit* Edit() const { return lineEdit(); }  // the typed text
  std::function<void()> OnExit;

 protected:
  void focusOutEvent(QFocusEvent* event) override;
};

class TFormPicSize : public QDialog {
 public:
  explicit TFormPicSize(MakerHost& host, QWidget* parent = nullptr);

  // In tab order (labels first).
  QLabel* Label8;
  QLabel* Label9;
  PicSizeSpinEdit* SpinEditNewW;
  PicSizeSpinEdit* SpinEditNewH;
  QGroupBox* GroupBox12;
  QRadioButton* RadioButtonNearest;
  QRadioButton* RadioButtonBilinear;
  QRadioButton* RadioButtonBicubic;
  QRadioButton* RadioButtonLagrange;
  QRadioButton* RadioButtonBSpline;
  QRadioButton* RadioButtonMitchell;
  QPushButton* ButtonOK;
  QPushButton* ButtonCAN;

  // Height from the width and the picture's aspect ratio, and the mirror.
  void SpinEditNewWExit();
  void SpinEditNewHExit();
  // Resamples the work picture to the boxes' size with the chosen filter and
  // closes; an error is shown and the dialog stays open.
  void ButtonOKClick();
  // Both boxes := 0, then closes.
  void ButtonCANClick();

  // The filter of the checked button (1 when none is checked).
  int ChosenFilter() const;

  // Escape and the close button cancel like ButtonCAN.
  void reject() override;

 private:
  MakerHost& host_;
  bool resizing_ = false;  // ButtonOKClick is running
};

}  // namespace maker
