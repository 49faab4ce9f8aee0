#include "platform/screen_blit.h"


#include <QEvent>
#include <QGuiApplication>
#include <QImage>
#include <QWidget>
#include <QWindow>

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace platform {

namespace {
xcb_connection_t* Conn(void* c) { return static_cast<xcb_connection_t*>(c); }

}  // namespace

xcb_connection_t* ToolkitConnection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

ScreenBlit::~ScreenBlit() {
  if (gc_ && connection_) {
    xcb_free_gc(Conn(connection_), gc_);
    xcb_flush(Conn(connection_));
  }
}

bool ScreenBlit::Ready(QWidget* w) {
  QWindow* native = w->windowHandle();
  if (!native || !native->handle()) return false;
  const uint32_t id = uint32_t(w->winId());
  if (checked_ && id == window_ && w == widget_) return usable_;
  if (gc_ && connection_) xcb_free_gc(Conn(connection_), gc_);
  gc_ = 0;
  checked_ = true;
  usable_ = false;
  widget_ = w;
  window_ = id;
  xcb_connection_t* c = ToolkitConnection();
  if (!c) return false;
  connection_ = c;
  // Only the common case is taken: a 24-bit window whose pixels travel as
  // 32-bit words in this machine's byte order, which is the layout of the
  // picture's rows.
  xcb_get_geometry_reply_t* g = xcb_get_geometry_reply(c, xcb_get_geometry(c, window_), nullptr);
  if (!g) return false;
  const int depth = g->depth;
  std::free(g);
  const xcb_setup_t* setup = xcb_get_setup(c);
  bool layout = setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
  bool found = false;
  for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
    if (it.data->depth == 24) found = it.data->bits_per_pixel == 32;
  if (depth != 24 || !layout || !found) return false;
  maxRequestBytes_ = uint32_t(std::min<uint64_t>(uint64_t(xcb_get_maximum_request_length(c)) * 4, 4u << 20));
  gc_ = xcb_generate_id(c);
  xcb_create_gc(c, gc_, window_, 0, nullptr);
  native->installEventFilter(this);
  usable_ = true;
  return true;
}

QImage ScreenBlit::NewFrame(int width, int height) {
  xcb_connection_t* c = ToolkitConnection();
  const xcb_query_extension_reply_t* ext = c ? xcb_get_extension_data(c, &xcb_shm_id) : nullptr;
  if (width <= 0 || height <= 0 || !ext || !ext->present) return QImage();
  const size_t bytes = size_t(width) * size_t(height) * 4;
  const int shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
  if (shmid < 0) return QImage();
  void* addr = shmat(shmid, nullptr, 0);
  const uint32_t seg = xcb_generate_id(c);
  xcb_generic_error_t* error =
      addr == reinterpret_cast<void*>(-1) ? nullptr : xcb_request_check(c, xcb_shm_attach_checked(c, seg, uint32_t(shmid), 1));
  // Gone from the system once both sides let go of it.
  shmctl(shmid, IPC_RMID, nullptr);
  if (addr == reinterpret_cast<void*>(-1) || error) {
    std::free(error);
    if (addr != reinterpret_cast<void*>(-1)) shmdt(addr);
    return QImage();
  }
  segments_->push_back({static_cast<const uint8_t*>(addr), bytes, seg});
  struct Owned {
    void* addr;
    uint32_t seg;
    xcb_connection_t* connection;
    std::weak_ptr<std::vector<Segment>> segments;
  };
  auto* owned = new Owned{addr, seg, c, segments_};
  return QImage(
      static_cast<uchar*>(addr), width, height, qsizetype(width) * 4, QImage::Format_RGB32,
      [](void* info) {
        auto* o = static_cast<Owned*>(info);
        if (auto list = o->segments.lock()) {
          std::erase_if(*list, [&](const Segment& s) { return s.id == o->seg; });
          // The X server lets go too, while the connection is still the
          // toolkit's.
          if (ToolkitConnection() == o->connection) {
            xcb_shm_detach(o->connection, o->seg);
            xcb_flush(o->connection);
          }
        }
        shmdt(o->addr);
        delete o;
      },
      owned);
}

bool ScreenBlit::Put(QWidget* w, const QImage& frame, const QRegion& boxes) {
  if (frame.format() != QImage::Format_RGB32 || frame.size() != w->size() || !Ready(w)) return false;
  xcb_connection_t* c = Conn(connection_);
  // From shared memory, each rectangle is a short request naming where its
  // pixels lie. The picture may change again before the X server has read
  // them; the pixels it then reads are ones a later put sends anyway, so
  // what shows is right once that put is done.
  const uint8_t* bits = frame.constBits();
  for (const Segment& s : *segments_) {
    if (bits < s.begin || bits + size_t(frame.sizeInBytes()) > s.begin + s.bytes) continue;
    for (const QRect& box : boxes & frame.rect())
      xcb_shm_put_image(c, window_, gc_, uint16_t(frame.width()), uint16_t(frame.height()), uint16_t(box.left()),
                        uint16_t(box.top()), uint16_t(box.width()), uint16_t(box.height()), int16_t(box.left()),
                        int16_t(box.top()), 24, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, s.id, uint32_t(bits - s.begin));
    xcb_flush(c);
    stale_ = true;
    return true;
  }
  constexpr uint32_t kHeader = 24;  // the request's own bytes
  for (const QRect& box : boxes & frame.rect()) {
    const int width = box.width();
    const int perRequest = std::max(1, int((maxRequestBytes_ - kHeader) / (4 * uint32_t(width))));
    // Whole rows lie one after the other in the picture and go as they are;
    // parts of rows are gathered first.
    const bool wholeRows = width == frame.width() && frame.bytesPerLine() == 4 * qsizetype(width);
    for (int y0 = box.top(); y0 <= box.bottom(); y0 += perRequest) {
      const int n = std::min(perRequest, box.bottom() + 1 - y0);
      const size_t words = size_t(width) * size_t(n);
      const uint8_t* data = frame.constScanLine(y0);
      if (!wholeRows) {
        if (rowWords_ < words) {
          rows_ = std::make_unique<uint32_t[]>(words);
          rowWords_ = words;
        }
        for (int i = 0; i < n; ++i)
          std::memcpy(rows_.get() + size_t(i) * size_t(width),
                      reinterpret_cast<const uint32_t*>(frame.constScanLine(y0 + i)) + box.left(), 4 * size_t(width));
        data = reinterpret_cast<const uint8_t*>(rows_.get());
      }
      xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_, uint16_t(width), uint16_t(n), int16_t(box.left()),
                    int16_t(y0), 0, 24, uint32_t(words * 4), data);
    }
  }
  xcb_flush(c);
  stale_ = true;
  return true;
}

bool ScreenBlit::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::Expose || !widget_ || watched != widget_->windowHandle()) return false;
  if (onExpose_ && usable_) {
    // The window's owner puts the picture here itself, so the toolkit never
    // paints the window nor keeps a copy of it.
    if (widget_->windowHandle()->isExposed()) onExpose_();
    return true;
  }
  if (stale_) {
    // What the toolkit would show again is older than the screen: it is
    // painted anew from the picture before the expose is handled.
    stale_ = false;
    widget_->repaint();
  }
  return false;
}

}  // namespace platform
