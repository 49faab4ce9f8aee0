// The clock engine: every clock program runs this with its clock data
// appended to the program file.
#include <QApplication>
#include <QSocketNotifier>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>

#include "engine/clock_window.h"
#include "platform/app_setup.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminate(int) {
  const char c = 1;
  [[maybe_unused]] const ssize_t n = write(g_signalPipe[1], &c, 1);
}

}  // namespace

int main(int argc, char** argv) {
  platform::PreferX11UnderWayland();
  QApplication app(argc, argv);
  platform::InstallQtJapaneseTranslations(app);
  // The application title, for the error boxes; not a display name, which the
  // desktop would append to every window caption.
  QApplication::setApplicationName(QStringLiteral("Dravenna"));
  QApplication::setQuitOnLastWindowClosed(true);
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/ICON/tolvane-64.png")));

  engine::TFormMain* window = nullptr;
  bool terminated = false;

  // Ending the program from the session (SIGTERM, SIGINT, SIGHUP) closes the
  // window, which writes the settings.
  if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
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
