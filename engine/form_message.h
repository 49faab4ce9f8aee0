// The alarm message window: a small borderless, always-on-top strip centred on
// the screen that shows the alarm message with an OK button. Its maroon
// background is the colour key: only the drawn shape shows and takes clicks.
#pragma once

#include <QWidget>

#include "engine/alarm_owner.h"

class QLabel;
class QPushButton;

namespace engine {

// A filled rectangle with a border (silver, red pen 3 pixels wide).
class TShape : public QWidget {
 public:
  explicit TShape(QWidget* parent);
  QColor BrushColor{192, 192, 192};
  QColor PenColor{255, 0, 0};
  int PenWidth = 3;

 protected:
  void paintEvent(QPaintEvent*) override;
};

class TFormMessage : public QWidget {
 public:
  static constexpr QRgb kKeyColor = 0xFF800000;  // maroon

  TFormMessage(AlarmOwner& owner, QWidget* parent);

  TShape* Shape1;
  QLabel* Label1;
  QPushButton* ButtonOK;

  // Label1 := the alarm message as it stands now.
  void FormShow();
  // Stops the alarm sound, disarms the alarm and closes the window.
  void ButtonOKClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // The window's shape: every pixel that is not the key colour.
  void UpdateMask();

  AlarmOwner& owner_;
};

// The program's message window; set when one is shown and never cleared (it
// may point to a window already released: compare it with IsFormAlive only).
extern TFormMessage* FormMessage;

}  // namespace engine
