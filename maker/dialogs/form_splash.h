// The splash window shown while the maker starts: a borderless black window
// of 192 x 138 with the splash picture (a program resource) centred in it.
#pragma once

#include <QWidget>

class QLabel;

namespace maker {

class TFormSplash : public QWidget {
 public:
  explicit TFormSplash(QWidget* parent = nullptr);

  QLabel* Image1;  // fills the window, picture centred

  // Shows the window and paints it at once, before any event loop runs.
  void ShowAndPaint();
};

}  // namespace maker
