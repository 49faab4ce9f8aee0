// The clock engine: every clock program runs this with its clock data
// appended to the program file.
#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QSocketNotifier>

#include <fcntl.h>
#include <semaphore.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

#include "engine/clock_window.h"
#include "imaging/picture_io.h"
#include "platform/app_setup.h"

namespace {

int g_signalPipe[2] = {-1, -1};
sem_t g_terminating;  // posted by the signal handler, for the watchdog
std::atomic<engine::TFormMain*> g_window{nullptr};

void OnTerminate(int) {
  const char c = 1;
  [[maybe_unused]] const ssize_t n = write(g_signalPipe[1], &c, 1);
  sem_post(&g_terminating);
}

// The window's thread ends the program after a termination signal: it closes
// the window (which writes the settings) and leaves every modal loop. Should
// that thread be stuck (a blocking call, a synchronisation the user started),
// this watchdog ends the program itself, so that a session's end never
// waits: after a short grace it writes the settings from here, waiting for
// that write a little only, and exits.
void Watchdog() {
  using namespace std::chrono_literals;
  while (sem_wait(&g_terminating) != 0) {
  }
  std::this_thread::sleep_for(400ms);
  if (engine::TFormMain* window = g_window.load()) {
    auto written = std::make_shared<std::atomic<bool>>(false);
    std::thread([window, written] {
      try {
        window->SaveClockConfig();
      } catch (...) {
      }
      *written = true;
    }).detach();
    for (int i = 0; i < 20 && !*written; ++i) std::this_thread::sleep_for(10ms);
  }
  std::fflush(nullptr);
  _exit(0);
}

}  // namespace

int main(int argc, char** argv) {
  platform::PreferX11UnderWayland();
  platform::AvoidMissingBusLauncher();
  // The clock wakes at every tick, and Qt's own event dispatcher costs less
  // per wake-up than the GLib one; the clock shows no GTK dialog that would
  // need GLib's loop. The user's own choice stands, and programs the clock
  // starts (the home page's browser) do not inherit ours.
  const bool dispatcherChosen = qEnvironmentVariableIsSet("QT_NO_GLIB");
  if (!dispatcherChosen) qputenv("QT_NO_GLIB", "1");
  QApplication app(argc, argv);
  if (!dispatcherChosen) qunsetenv("QT_NO_GLIB");
  // The accessibility bridge, which the window's first show would set up,
  // is set up now. It reaches the session bus from a thread of its own and,
  // where a bus launcher is installed but no bus named, starts a child
  // process to find the bus; every page the clock has when that child is
  // made costs a fault at its next write, so it is made before the clock's
  // pictures exist, while the clock goes on starting.
  QAccessible::isActive();
  platform::InstallQtJapaneseTranslations(app);
  // The application title, for the error boxes; not a display name, which the
  // desktop would append to every window caption.
  QApplication::setApplicationName(QStringLiteral("Dravenna"));
  QApplication::setQuitOnLastWindowClosed(true);
  // Read by libpng: the toolkit's image reader loads every image plugin
  // first, which costs the start as much as the clock's whole dial.
  QFile iconFile(QStringLiteral(":/ICON/tolvane-64.png"));
  if (iconFile.open(QIODevice::ReadOnly)) {
    const QByteArray png = iconFile.readAll();
    const QImage icon = imaging::ReadPngImage(reinterpret_cast<const uint8_t*>(png.constData()), size_t(png.size()));
    if (!icon.isNull()) QApplication::setWindowIcon(QIcon(QPixmap::fromImage(icon)));
  }

  engine::TFormMain* window = nullptr;
  bool terminated = false;

  // Ending the program from the session (SIGTERM, SIGINT, SIGHUP) closes the
  // window, which writes the settings.
  if (sem_init(&g_terminating, 0, 0) == 0 && pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
    std::thread(Watchdog).detach();
    struct sigaction sa{};
    sa.sa_handler = OnTerminate;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP}) sigaction(s, &sa, nullptr);
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&window, &terminated] {
      char buf[16];
      while (read(g_signalPipe[0], buf, sizeof buf) > 0) {
      }
      // Also leaves every modal loop (an error box at start, an open dialog),
      // which would otherwise keep the program running.
      terminated = true;
      if (window) window->close();
      QCoreApplication::exit(0);
    });
  }
  // The start-up may show its error box before the window exists.
  window = new engine::TFormMain();
  g_window = window;
  QObject::connect(&app, &QGuiApplication::commitDataRequest, window, [window](QSessionManager&) { window->FormClose(); });
  QObject::connect(&app, &QCoreApplication::aboutToQuit, window, [window] { window->FormClose(); });
  QObject::connect(window, &engine::TFormMain::Closed, &app, [] { QCoreApplication::exit(0); });

  int rc = 0;
  if (terminated) {
    // Ended while the start-up's error box was showing.
    window->close();
  } else {
    window->Start();
    rc = app.exec();
  }
  // Workers that are still ringing or synchronising must not meet the
  // destruction of the window; the settings are written already.
  std::fflush(nullptr);
  std::quick_exit(rc);
}
