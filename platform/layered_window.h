// The pieces of a layered desktop window: a borderless tool window without a
// task-bar entry, a colour key (pixels of that colour are invisible and let
// clicks through), alpha blending and the topmost band.
#pragma once

#include <QRegion>

#include <cstdint>
#include <vector>

class QImage;
class QWidget;

namespace platform {

// Borderless tool window, no task-bar entry; topmost when asked.
void MakeToolWindow(QWidget* w, bool topmost);
// Moves the window into the topmost or the normal band; position and size
// stay.
void SetTopmost(QWidget* w, bool topmost);
bool IsTopmost(const QWidget* w);

// Shapes the window to the pixels of frame that are not key (0x00BBGGRR);
// with enabled false the whole window shows. Only the pixels inside changed
// are looked at again (all of them at the first call and after the key was
// off); the shape is set only when it changed, and then true is returned.
// A frame of nothing but key shows nothing at all.
class ColourKeyShape {
 public:
  bool Apply(QWidget* w, const QImage& frame, const QRegion& changed, uint32_t key, bool enabled);
  void Reset() { valid_ = false; }
  // The pixels shown.
  const QRegion& Visible() const { return visible_; }

 private:
  bool valid_ = false;
  bool lastEnabled_ = false;
  QRegion visible_;
  std::vector<uint64_t> shown_;  // the pixels of visible_, a bit each
  int lastW_ = -1, lastH_ = -1;
};

// Alpha blending on (value 0..255) or off (opaque).
void SetAlphaBlend(QWidget* w, bool on, int value);

}  // namespace platform
