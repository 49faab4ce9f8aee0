// Starts a program on the current X display and waits for its first frame:
// the first moment a pixel of the screen row y inside [x, x + w) is no longer
// the black of the bare root window (Xvfb -br). Prints the program's process
// id and the time from its start to that frame; the program keeps running.
//   clock_cost <x> <y> <w> <program> [arguments...]
// bench/clock_cost.sh runs it under Xvfb.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <sys/types.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

double NowMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

bool RowShowsSomething(QScreen* s, int x, int y, int w) {
  const QImage row = s->grabWindow(0, x, y, w, 1).toImage().convertToFormat(QImage::Format_RGB32);
  const auto* p = reinterpret_cast<const QRgb*>(row.constScanLine(0));
  for (int i = 0; i < row.width(); ++i)
    if ((p[i] & 0xFFFFFF) != 0) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: clock_cost <x> <y> <w> <program> [arguments...]\n");
    return 2;
  }
  const int x = std::atoi(argv[1]), y = std::atoi(argv[2]), w = std::atoi(argv[3]);
  // Qt takes X options such as -geometry out of its arguments, so it is
  // given none of the program's.
  int qtArgc = 1;
  QGuiApplication app(qtArgc, argv);
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen || RowShowsSomething(screen, x, y, w)) {
    std::fprintf(stderr, "clock_cost: the screen row is not bare before the start\n");
    return 1;
  }
  const double t0 = NowMs();
  const pid_t pid = fork();
  if (pid < 0) return 1;
  if (pid == 0) {
    execvp(argv[4], argv + 4);
    std::perror(argv[4]);
    _exit(127);
  }
  while (!RowShowsSomething(screen, x, y, w)) {
    if (NowMs() - t0 > 10000) {
      std::fprintf(stderr, "clock_cost: no frame within 10 s\n");
      std::printf("%d -1\n", int(pid));
      return 1;
    }
    usleep(500);
  }
  std::printf("%d %.1f\n", int(pid), NowMs() - t0);
  return 0;
}
