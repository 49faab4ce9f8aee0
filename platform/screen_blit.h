// Puts parts of a window's picture straight into its X11 window, past the
// toolkit's backing store. A clock tick changes a few small rectangles; the
// toolkit's repaint of them (paint event, backing-store flush and a round
// trip to the X server for its shared memory) costs several times what the
// pixels do.
#pragma once

#include <QObject>
#include <QRegion>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QImage;
class QWidget;
struct xcb_connection_t;

namespace platform {

// The toolkit's connection to the X server; null on another platform.
xcb_connection_t* ToolkitConnection();

class ScreenBlit : public QObject {
 public:
  ScreenBlit() = default;
  ~ScreenBlit() override;
  ScreenBlit(const ScreenBlit&) = delete;
  ScreenBlit& operator=(const ScreenBlit&) = delete;

  // Puts the pixels of frame (the window's whole picture, 32 bits a pixel,
  // its size) inside boxes into w's native window. False when that cannot
  // be done here (no X11 display, no native window yet, a window depth
  // other than 24): the caller repaints through the toolkit then.
  bool Put(QWidget* w, const QImage& frame, const QRegion& boxes);

  // Gets ready to put into w's native window (once it has one), so that the
  // expose handler below already takes the window's first expose.
  bool Attach(QWidget* w) { return Ready(w); }
  // Where Put works, an expose of the window calls expose (which puts the
  // whole picture) in place of the toolkit's own painting.
  void SetExposeHandler(std::function<void()> expose) { onExpose_ = std::move(expose); }

  // A picture for the window (32 bits a pixel, contents undefined) in
  // memory shared with the X server, so that Put sends no pixels through
  // the connection; a null image when there is no such memory to be had.
  QImage NewFrame(int width, int height);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Ready(QWidget* w);

  QWidget* widget_ = nullptr;
  void* connection_ = nullptr;  // the toolkit's xcb connection
  uint32_t window_ = 0, gc_ = 0;
  uint32_t maxRequestBytes_ = 0;
  bool checked_ = false, usable_ = false;
  // The toolkit's own copy of the window is behind what was put here; an
  // expose of the window has it repainted from the picture first.
  bool stale_ = false;
  std::function<void()> onExpose_;
  // Pictures in shared memory that the X server has attached.
  struct Segment {
    const uint8_t* begin = nullptr;
    size_t bytes = 0;
    uint32_t id = 0;
  };
  std::shared_ptr<std::vector<Segment>> segments_ = std::make_shared<std::vector<Segment>>();
  std::unique_ptr<uint32_t[]> rows_;  // parts of rows gathered for a request
  size_t rowWords_ = 0;
};

}  // namespace platform
