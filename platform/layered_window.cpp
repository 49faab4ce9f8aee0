#include "platform/layered_window.h"

#include <QBitmap>
#include <QImage>
#include <QRegion>
#include <QWidget>
#include <QWindow>

namespace platform {

namespace {
Qt::WindowFlags BaseFlags() { return Qt::Tool | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint; }
}  // namespace

void MakeToolWindow(QWidget* w, bool topmost) {
  w->setWindowFlags(BaseFlags() | (topmost ? Qt::WindowStaysOnTopHint : Qt::WindowFlags()));
  w->setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void SetTopmost(QWidget* w, bool topmost) {
  if (IsTopmost(w) == topmost) return;
  const Qt::WindowFlags flags = BaseFlags() | (topmost ? Qt::WindowStaysOnTopHint : Qt::WindowFlags());
  QWindow* native = w->windowHandle();
  if (!native) {
    w->setWindowFlags(flags);  // no native window yet: nothing to re-create
    return;
  }
  // setWindowFlags would hide the window and show it again (a window
  // manager then places it anew; the native window may be made anew). The
  // band of the existing window changes instead; the widget is told the
  // flags without acting on them.
  w->overrideWindowFlags(flags);
  native->setFlags(flags);
}

bool IsTopmost(const QWidget* w) { return w->windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

bool ColourKeyShape::Apply(QWidget* w, const QImage& frame, uint32_t key, bool enabled) {
  if (!enabled) {
    if (valid_ && !lastEnabled_) return false;
    w->clearMask();
    valid_ = true;
    lastEnabled_ = false;
    return true;
  }
  // The mask bits are derived from the frame; a hash of the key-pixel map
  // tells whether the shape changed since the last call.
  const QRgb k = qRgb(key & 0xFF, (key >> 8) & 0xFF, (key >> 16) & 0xFF);
  const QImage img = frame.format() == QImage::Format_RGB32 ? frame : frame.convertToFormat(QImage::Format_RGB32);
  uint64_t h = 1469598103934665603ULL;
  const int width = img.width(), height = img.height();
  const QRgb key24 = k & 0xFFFFFF;
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    uint64_t bits = 0;
    for (int x = 0; x < width; ++x) {
      bits = (bits << 1) | ((row[x] & 0xFFFFFF) == key24 ? 1 : 0);
      if ((x & 63) == 63) {
        h = (h ^ bits) * 1099511628211ULL;
        bits = 0;
      }
    }
    h = (h ^ bits) * 1099511628211ULL;
  }
  if (valid_ && lastEnabled_ && h == lastHash_ && img.width() == lastW_ && img.height() == lastH_) return false;
  const QBitmap mask = QBitmap::fromImage(img.createMaskFromColor(k, Qt::MaskInColor));
  w->setMask(mask);
  valid_ = true;
  lastEnabled_ = true;
  lastHash_ = h;
  lastW_ = img.width();
  lastH_ = img.height();
  return true;
}

void SetAlphaBlend(QWidget* w, bool on, int value) {
  if (value < 0) value = 0;
  if (value > 255) value = 255;
  w->setWindowOpacity(on ? value / 255.0 : 1.0);
}

}  // namespace platform
