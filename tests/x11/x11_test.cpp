// Window output and tray news on a real X server (an Xvfb started here).
#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPaintEvent>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/screen_blit.h"
#include "platform/tray_shell.h"

namespace {

xcb_connection_t* Conn() { return platform::ToolkitConnection(); }

void RunUntil(const std::function<bool()>& done, int ms = 3000) {
  QElapsedTimer t;
  t.start();
  while (!done() && t.elapsed() < ms) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    usleep(2000);
  }
}

// The window's pixels as the X server holds them.
QImage OnScreen(QWidget& w) {
  xcb_connection_t* c = Conn();
  xcb_get_image_reply_t* r = xcb_get_image_reply(
      c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, xcb_window_t(w.winId()), 0, 0, uint16_t(w.width()),
                       uint16_t(w.height()), ~0u),
      nullptr);
  QImage out(w.size(), QImage::Format_RGB32);
  if (!r) return QImage();
  const auto* data = reinterpret_cast<const uint32_t*>(xcb_get_image_data(r));
  for (int y = 0; y < w.height(); ++y)
    for (int x = 0; x < w.width(); ++x) out.setPixel(x, y, 0xFF000000u | data[y * w.width() + x]);
  std::free(r);
  return out;
}

// A window that paints a picture, as the clock paints its frame.
class PictureWindow : public QWidget {
 public:
  QImage picture;
  int paints = 0;
  PictureWindow() {
    setWindowFlags(Qt::FramelessWindowHint | Qt::Tool);
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent* e) override {
    ++paints;
    QPainter p(this);
    for (const QRect& r : e->region()) p.drawImage(r.topLeft(), picture, r);
  }
};

QImage Filled(QSize size, QRgb c) {
  QImage img(size, QImage::Format_RGB32);
  img.fill(c);
  return img;
}

void ShowAndWait(QWidget& w) {
  w.show();
  RunUntil([&] { return w.windowHandle() && w.windowHandle()->isExposed(); });
  QApplication::processEvents();
  free(xcb_get_input_focus_reply(Conn(), xcb_get_input_focus(Conn()), nullptr));
}

TEST(ScreenBlit, PutsExactlyThePixelsAsked) {
  // From a picture in plain memory (through the connection) and from one
  // shared with the X server; rectangles of part rows and of whole rows.
  for (const bool shared : {false, true}) {
    SCOPED_TRACE(shared ? "shared" : "plain");
    PictureWindow w;
    w.picture = Filled({80, 60}, 0xFF204060);
    w.setGeometry(10, 10, 80, 60);
    ShowAndWait(w);
    ASSERT_EQ(OnScreen(w), w.picture);

    platform::ScreenBlit blit;
    QImage next = shared ? blit.NewFrame(80, 60) : QImage(80, 60, QImage::Format_RGB32);
    ASSERT_FALSE(next.isNull());
    for (int y = 0; y < next.height(); ++y)
      for (int x = 0; x < next.width(); ++x) next.setPixel(x, y, qRgb(x * 3, y * 4, (x + y) & 0xFF));
    const QRegion asked = QRegion(5, 7, 30, 11) + QRegion(50, 40, 29, 20) + QRegion(0, 25, 80, 3);
    ASSERT_TRUE(blit.Put(&w, next, asked));
    const QImage shown = OnScreen(w);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 80; ++x) {
        const QRgb want = asked.contains(QPoint(x, y)) ? next.pixel(x, y) : w.picture.pixel(x, y);
        ASSERT_EQ(shown.pixel(x, y), want) << x << "," << y;
      }
  }
}

TEST(ScreenBlit, AnExposeShowsTheLatestPicture) {
  // What was put straight on the screen is newer than the toolkit's copy;
  // uncovering the window must not bring the old pixels back.
  PictureWindow w;
  w.picture = Filled({80, 60}, 0xFF102030);
  w.setGeometry(10, 10, 80, 60);
  ShowAndWait(w);
  w.picture = Filled({80, 60}, 0xFFC0A080);
  platform::ScreenBlit blit;
  ASSERT_TRUE(blit.Put(&w, w.picture, QRegion(w.rect())));
  ASSERT_EQ(OnScreen(w), w.picture);
  {
    PictureWindow cover;
    cover.picture = Filled({120, 100}, 0xFF00FF00);
    cover.setGeometry(0, 0, 120, 100);
    ShowAndWait(cover);
  }
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 300) QApplication::processEvents(QEventLoop::AllEvents, 20);
  EXPECT_EQ(OnScreen(w), w.picture);
}

TEST(ScreenBlit, AnExposeHandlerPutsInPlaceOfTheToolkit) {
  // Attached before the window's first expose, the handler shows the
  // window: the toolkit paints nothing (and keeps no copy of it), the first
  // time or after the window was covered.
  PictureWindow w;
  w.picture = Filled({80, 60}, 0xFF3070A0);
  w.setGeometry(10, 10, 80, 60);
  platform::ScreenBlit blit;
  int exposes = 0;
  blit.SetExposeHandler([&] {
    ++exposes;
    blit.Put(&w, w.picture, QRegion(w.rect()));
  });
  w.show();
  ASSERT_TRUE(blit.Attach(&w));
  RunUntil([&] { return exposes > 0; });
  EXPECT_EQ(OnScreen(w), w.picture);
  {
    PictureWindow cover;
    cover.picture = Filled({120, 100}, 0xFF00FF00);
    cover.setGeometry(0, 0, 120, 100);
    ShowAndWait(cover);
  }
  const int before = exposes;
  RunUntil([&] { return exposes > before; });
  EXPECT_EQ(OnScreen(w), w.picture);
  EXPECT_EQ(w.paints, 0);
}

TEST(ScreenBlit, RefusesWhatItCannotPut) {
  PictureWindow w;
  w.setGeometry(10, 10, 40, 30);
  platform::ScreenBlit blit;
  // No native window yet, then a picture of another size or format.
  EXPECT_FALSE(blit.Put(&w, Filled({40, 30}, 0xFF000000), QRegion(0, 0, 40, 30)));
  w.picture = Filled({40, 30}, 0xFF000000);
  ShowAndWait(w);
  EXPECT_FALSE(blit.Put(&w, Filled({41, 30}, 0xFF000000), QRegion(0, 0, 40, 30)));
  EXPECT_FALSE(blit.Put(&w, Filled({40, 30}, 0xFF000000).convertToFormat(QImage::Format_RGB888), QRegion(0, 0, 4, 3)));
  EXPECT_TRUE(blit.Put(&w, Filled({40, 30}, 0xFF000000), QRegion(0, 0, 40, 30)));
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
  const xcb_atom_t a = r ? r->atom : 0;
  std::free(r);
  return a;
}

TEST(TrayWatch, ANewTrayManagerIsReported) {
  platform::QtTrayShell shell;
  ASSERT_FALSE(shell.TrayAvailable());
  QObject receiver;
  int told = 0;
  ASSERT_TRUE(shell.WatchTray(&receiver, [&] { ++told; }));

  // A tray manager of its own connection takes the selection and announces
  // itself to the root window's clients.
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  ASSERT_FALSE(xcb_connection_has_error(c));
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t tray = xcb_generate_id(c);
  xcb_create_window(c, XCB_COPY_FROM_PARENT, tray, screen->root, 0, 0, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                    XCB_COPY_FROM_PARENT, 0, nullptr);
  const xcb_atom_t selection = Atom(c, "_NET_SYSTEM_TRAY_S0");
  xcb_set_selection_owner(c, tray, selection, XCB_CURRENT_TIME);
  xcb_client_message_event_t m{};
  m.response_type = XCB_CLIENT_MESSAGE;
  m.format = 32;
  m.window = screen->root;
  m.type = Atom(c, "MANAGER");
  m.data.data32[0] = XCB_CURRENT_TIME;
  m.data.data32[1] = selection;
  m.data.data32[2] = tray;
  xcb_send_event(c, 0, screen->root, XCB_EVENT_MASK_STRUCTURE_NOTIFY, reinterpret_cast<const char*>(&m));
  xcb_flush(c);
  RunUntil([&] { return told > 0; });
  EXPECT_EQ(told, 1);
  EXPECT_TRUE(shell.TrayAvailable());
  xcb_destroy_window(c, tray);
  xcb_disconnect(c);
}

// An X server of the tests' own, on a free display number.
pid_t StartXvfb() {
  int fds[2];
  if (pipe(fds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const std::string fd = std::to_string(fds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp", nullptr);
    _exit(127);
  }
  close(fds[1]);
  char buf[16] = {};
  ssize_t n = 0, got;
  while (n < ssize_t(sizeof buf) - 1 && (got = read(fds[0], buf + n, sizeof buf - 1 - size_t(n))) > 0) {
    n += got;
    if (std::memchr(buf, '\n', size_t(n))) break;
  }
  close(fds[0]);
  if (n <= 0) return -1;
  setenv("DISPLAY", (":" + std::string(buf, std::strcspn(buf, "\n"))).c_str(), 1);
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Listing the tests needs no server.
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  const pid_t server = StartXvfb();
  if (server <= 0) {
    std::fprintf(stderr, "cannot start Xvfb\n");
    return 1;
  }
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  int rc;
  {
    QApplication app(argc, argv);
    rc = RUN_ALL_TESTS();
  }
  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);
  return rc;
}
