// Small helpers shared by the maker's dialogs.
#pragma once

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>
#include <cstdint>
#include <exception>
#include <string>

#include "platform/message_box.h"

namespace maker::dialogs {

// The dialogs' font: the P-Gothic the layouts were made for, 12 pixels high.
inline QFont DialogFont() {
  QFont font(QStringLiteral("IPAPGothic"));
  font.setPixelSize(12);
  return font;
}

// Halves away from zero, the sum formed in extended precision; results
// outside the 32-bit range give false.
inline bool RoundHalfAway(long double x, int32_t& out) {
  const long double r = std::trunc(x >= 0 ? x + 0.5L : x - 0.5L);
  if (!(r >= -2147483648.0L && r <= 2147483647.0L)) return false;  // also NaN
  out = int32_t(r);
  return true;
}

// The application's error box: the error's text (with a final full stop),
// titled with the application's name.
inline void ShowApplicationError(const std::exception& error) {
  std::string text = error.what();
  if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
  platform::MessageBoxWithCaption(text, QGuiApplication::applicationName().toStdString(),
                                  platform::MsgType::Error, platform::mbOK);
}

// Runs a handler from a Qt signal: an error is shown, never thrown through Qt.
template <typename F>
void Guarded(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    ShowApplicationError(e);
  }
}

// The window frame the layouts allow for: a window of outer size W x H has a
// client area of (W - 8) x (H - 27).
inline constexpr int kFrameWidth = 8;
inline constexpr int kFrameHeight = 27;

// Centres a window whose outer size (frame included) is `outer`; without
// one, the client size stands for it (frameless windows).
inline void CentreOnScreen(QWidget* w, QSize outer = QSize()) {
  if (!outer.isValid()) outer = w->size();
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect s = screen->geometry();
    w->move(s.x() + (s.width() - outer.width()) / 2, s.y() + (s.height() - outer.height()) / 2);
  }
}

// The busy cursor from construction to destruction, also on error.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace maker::dialogs
