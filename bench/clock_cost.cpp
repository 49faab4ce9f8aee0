// What a running clock costs: CPU time over a run in the normal and in the
// smooth-sweep mode, resident memory, and the time to the first frame.
// Run under a display (see bench/clock_cost.sh, which uses Xvfb):
//   clock_cost <clock program> [seconds]
// The figures are printed against the budgets a desktop clock must keep:
// 0.2 % of one core (normal), 1 % (smooth sweep), 60 MiB, 200 ms.
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "engine/clock_window.h"
#include "platform/system.h"

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long ResidentKiB() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

void RunFor(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  if (argc < 2) {
    std::fprintf(stderr, "usage: clock_cost <clock program> [seconds]\n");
    return 2;
  }
  const double seconds = argc > 2 ? std::stod(argv[2]) : 60;
  platform::SetProgramFileNameForTest(argv[1]);
  QApplication app(argc, argv);
  engine::TFormMain w;
  if (!w.StartupError().empty()) {
    std::fprintf(stderr, "start-up failed: %s\n", w.StartupError().c_str());
    return 1;
  }
  w.Start();
  while (!(w.windowHandle() && w.windowHandle()->isExposed()) && sinceStart.elapsed() < 5000)
    QApplication::processEvents(QEventLoop::AllEvents, 5);
  QApplication::processEvents();
  const double firstFrameMs = sinceStart.nsecsElapsed() / 1e6;
  std::printf("clock %dx%d, first frame after %.0f ms (budget 200 ms, ratio %.2f)\n", w.width(), w.height(),
              firstFrameMs, firstFrameMs / 200);
  RunFor(2);  // settle

  for (const bool smooth : {false, true}) {
    w.PM_O->setChecked(smooth);
    const double cpu0 = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    RunFor(seconds);
    const double share = 100 * (CpuSeconds() - cpu0) / (wall.nsecsElapsed() / 1e9);
    const double budget = smooth ? 1.0 : 0.2;
    std::printf("%-13s CPU %.3f %% of one core over %.0f s (budget %.1f %%, ratio %.2f)\n",
                smooth ? "smooth sweep:" : "normal:", share, seconds, budget, share / budget);
  }
  const double mib = ResidentKiB() / 1024.0;
  std::printf("resident memory %.1f MiB (budget 60 MiB, ratio %.2f)\n", mib, mib / 60);
  w.Timer1->stop();
  std::fflush(stdout);
  std::quick_exit(0);
}
