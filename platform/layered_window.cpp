#include "platform/layered_window.h"

#include <QBitmap>
#include <QImage>
#include <QRegion>
#include <QWidget>
#include <QWindow>

#include <vector>

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

namespace {

// The pixels of r in frame whose colour is not k, as a region.
QRegion NonKeyPixels(const QImage& frame, const QRect& r, QRgb k) {
  std::vector<QRect> runs;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
    int x = r.left();
    const int end = r.right() + 1;
    while (x < end) {
      while (x < end && (row[x] & 0xFFFFFF) == k) ++x;
      const int start = x;
      while (x < end && (row[x] & 0xFFFFFF) != k) ++x;
      if (x > start) runs.emplace_back(start, y, x - start, 1);
    }
  }
  // Rows of single-row rectangles, each row's runs apart and in order, are
  // what a region is built from.
  QRegion region;
  if (!runs.empty()) region.setRects(runs.data(), int(runs.size()));
  return region;
}

// Records in shown (a bit a pixel, rows of the frame's width one after
// another) which pixels of r are not k; true when any of them changed.
bool MarkShown(const QImage& frame, const QRect& r, QRgb k, std::vector<uint64_t>& shown) {
  bool changed = false;
  const size_t width = size_t(frame.width());
  for (int y = r.top(); y <= r.bottom(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(frame.constScanLine(y));
    const size_t first = size_t(y) * width;
    for (int x = r.left(); x <= r.right(); ++x) {
      const size_t i = first + size_t(x);
      const uint64_t bit = uint64_t(1) << (i & 63);
      uint64_t& word = shown[i >> 6];
      const uint64_t v = (row[x] & 0xFFFFFF) != k ? bit : 0;
      changed |= (word & bit) != v;
      word = (word & ~bit) | v;
    }
  }
  return changed;
}

}  // namespace

bool ColourKeyShape::Apply(QWidget* w, const QImage& frame, const QRegion& changed, uint32_t key, bool enabled) {
  if (!enabled) {
    if (valid_ && !lastEnabled_) return false;
    w->clearMask();
    valid_ = true;
    lastEnabled_ = false;
    return true;
  }
  const QImage img = frame.format() == QImage::Format_RGB32 ? frame : frame.convertToFormat(QImage::Format_RGB32);
  const QRect whole = img.rect();
  const bool full = !valid_ || !lastEnabled_ || img.width() != lastW_ || img.height() != lastH_;
  const QRgb k = qRgb(key & 0xFF, (key >> 8) & 0xFF, (key >> 16) & 0xFF) & 0xFFFFFF;
  QRegion visible;
  if (full) {
    visible = NonKeyPixels(img, whole, k);
    shown_.assign((size_t(img.width()) * size_t(img.height()) + 63) / 64, 0);
    MarkShown(img, whole, k, shown_);
  } else {
    const QRegion looked = changed & whole;
    if (looked.isEmpty()) return false;
    // Most changes leave every pixel on its side of the key (hands moving
    // over the picture): that is found pixel by pixel, without the region
    // arithmetic on the shape's hundreds of rectangles.
    bool moved = false;
    for (const QRect& r : looked) moved |= MarkShown(img, r, k, shown_);
    if (!moved) return false;
    visible = visible_ - looked;
    for (const QRect& r : looked) visible += NonKeyPixels(img, r, k);
  }
  visible_ = visible;
  valid_ = true;
  lastEnabled_ = true;
  lastW_ = img.width();
  lastH_ = img.height();
  // An empty mask means no mask at all to Qt, which would show the whole
  // window; a shape of one pixel just outside it shows nothing.
  w->setMask(visible_.isEmpty() ? QRegion(-1, -1, 1, 1) : visible_);
  return true;
}

void SetAlphaBlend(QWidget* w, bool on, int value) {
  if (value < 0) value = 0;
  if (value > 255) value = 255;
  w->setWindowOpacity(on ? value / 255.0 : 1.0);
}

}  // namespace platform
