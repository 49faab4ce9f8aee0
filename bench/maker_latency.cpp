// How long the maker's main window takes over camera photos: each action of
// a session on the picture and the clock tab, the idle preview's CPU share,
// the thumbnail browser's scroll steps, and the peak resident memory. Run
// under a display (bench/maker_latency.sh starts Xvfb); each mode is one
// process, so its peak memory is its own:
//   maker_latency photo <maker program> <photo.jpg> on|off   the session, size limit on or off
//   maker_latency idle <maker program> <photo.jpg> [seconds]  the running preview's CPU
//   maker_latency thumbs <maker program> <folder>             the browser's scroll steps
//   maker_latency make <photo.jpg> <width> <height> [seed]    writes a photo-like JPEG
// Figures are printed with their ratio to the budget (below 1 = within it):
// every action 100 ms with the size limit on, 1 s with it off; idle 0.3 % of
// one core (the X server's share included); a scroll step 50 ms; 600 MB.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/photo.h"
#include "imaging/picture_io.h"
#include "maker/dialogs/form_pic_size.h"
#include "maker/dialogs/form_thumb.h"
#include "maker/maker_window.h"
#include "platform/message_box.h"
#include "platform/system.h"

namespace {

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double PeakMiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss / 1024.0;
}

// CPU seconds of the X server this program talks to: the Xvfb process whose
// command line names our display. 0 when there is none to be found.
double XServerCpuSeconds() {
  const char* display = std::getenv("DISPLAY");
  if (!display) return 0;
  const std::string want(display);
  for (const auto& entry : QDir("/proc").entryList(QDir::Dirs)) {
    bool numeric = false;
    entry.toLong(&numeric);
    if (!numeric) continue;
    const std::string dir = "/proc/" + entry.toStdString();
    std::ifstream comm(dir + "/comm");
    std::string name;
    std::getline(comm, name);
    if (name != "Xvfb" && name != "Xorg") continue;
    std::ifstream cmd(dir + "/cmdline");
    std::string args((std::istreambuf_iterator<char>(cmd)), std::istreambuf_iterator<char>());
    bool ours = false;
    for (size_t at = 0; (at = args.find(want, at)) != std::string::npos; at += want.size())
      if ((at + want.size() == args.size() || args[at + want.size()] == '\0') && (at == 0 || args[at - 1] == '\0'))
        ours = true;
    if (!ours) continue;
    std::ifstream stat(dir + "/stat");
    std::string s((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = s.rfind(')');
    if (close == std::string::npos) return 0;
    std::vector<std::string> fields;
    std::string field;
    for (size_t i = close + 2; i <= s.size(); ++i) {
      if (i == s.size() || s[i] == ' ') {
        fields.push_back(field);
        field.clear();
      } else {
        field += s[i];
      }
    }
    // utime and stime are fields 14 and 15 of the line, 12 and 13 after the name.
    if (fields.size() < 13) return 0;
    return (std::stod(fields[11]) + std::stod(fields[12])) / double(sysconf(_SC_CLK_TCK));
  }
  return 0;
}

void RunFor(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(int(seconds * 1000), &loop, &QEventLoop::quit);
  loop.exec();
}

// Lets the window handle what the action left pending, its repaint included.
void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

int MakePhoto(const std::string& path, int w, int h, unsigned seed) {
  const std::vector<uint8_t> jpeg = imaging::WriteJpeg(bench::Photo(w, h, seed));
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(jpeg.data()), std::streamsize(jpeg.size()));
  return jpeg.empty() ? 1 : 0;
}

struct Window {
  maker::TFormMain* w = nullptr;
  explicit Window(const std::string& program) {
    platform::SetProgramFileNameForTest(program);
    // Message boxes (the size-limit notice) are answered at once.
    platform::SetMessageHook([](const platform::MessageRecord&) { return platform::ModalResult::OK; });
    maker::MakerEnvironment env;
    env.Wait = [](int) {};
    env.Dialogs = maker::MakeDialogServices();
    w = new maker::TFormMain(std::move(env));
    w->Dialogs().CreateDialogs(*w);
    w->resize(1000, 720);
    w->show();
    Settle();
  }
};

class Timing {
 public:
  explicit Timing(double budgetMs) : budget_(budgetMs) {}
  template <class F>
  void Action(const char* name, F&& f) {
    Settle();
    QElapsedTimer t;
    t.start();
    f();
    Settle();
    const double ms = t.nsecsElapsed() / 1e6;
    worst_ = std::max(worst_, ms);
    std::printf("  %-34s %9.1f ms  (ratio %.2f)\n", name, ms, ms / budget_);
    std::fflush(stdout);
  }
  double Worst() const { return worst_; }

 private:
  double budget_;
  double worst_ = 0;
};

int Session(const std::string& program, const std::string& photo, bool limit) {
  Window win(program);
  maker::TFormMain& w = *win.w;
  w.PM_S->setChecked(limit);
  const double budget = limit ? 100 : 1000;
  std::printf("%s, size limit %s (budget %.0f ms per action)\n", photo.c_str(), limit ? "on" : "off", budget);
  Timing t(budget);
  // A user takes seconds to choose the file. On a virtual machine the host
  // takes back memory freed meanwhile (by the session run before this one,
  // too), and the load pays to fault it in again, as it does for the user.
  RunFor(3);
  t.Action("load", [&] { w.RunCommand([&] { w.LoadPictureFile(photo); }); });
  std::printf("  picture %dx%d\n", w.WorkPictureBitmap.Width(), w.WorkPictureBitmap.Height());
  t.Action("clock tab", [&] { w.PageControl2->SelectTab(1); });
  t.Action("frame row 1", [&] { w.StringGridFG->ClickRow(1); });
  t.Action("frame row 2", [&] { w.StringGridFG->ClickRow(std::min(2, w.StringGridFG->RowCount() - 1)); });
  t.Action("numeral ring row 1", [&] { w.StringGridHR->ClickRow(1); });
  t.Action("upright arabic numerals", [&] { w.RadioButtonMJ21->click(); });
  t.Action("upright kanji numerals", [&] { w.RadioButtonMJ23->click(); });
  t.Action("radial arabic numerals", [&] { w.RadioButtonMJ2A->click(); });
  t.Action("radial kanji numerals", [&] { w.RadioButtonMJ2C->click(); });
  w.EditMJ2D->setText(QStringLiteral("1,2,3,4,5,6,7,8,9,10,11,12"));
  t.Action("radial user-list numerals", [&] { w.RadioButtonMJ2D->click(); });
  t.Action("hand set row 1", [&] { w.StringGridHand->ClickRow(std::min(1, w.StringGridHand->RowCount() - 1)); });
  t.Action("date on", [&] { w.CheckBoxDate->click(); });
  t.Action("move the date right", [&] { w.SB_DR->click(); });
  t.Action("background black (paint only)", [&] { w.PM_B->trigger(); });
  t.Action("picture tab", [&] { w.PageControl2->SelectTab(0); });
  // Key C as the window takes it (the key press itself would go to a focused
  // number box).
  t.Action("key C", [&] { w.RunCommand([&] { w.FormKeyDown(Qt::Key_C); }); });
  // A circle dragged from the middle of the view, then the crop.
  const QPoint mid = w.PanelPicture->rect().center();
  auto mouse = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent e(type, at, w.PanelPicture->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w.PanelPicture, &e);
  };
  t.Action("drag a selection", [&] {
    mouse(QEvent::MouseButtonPress, mid, Qt::LeftButton);
    for (int i = 1; i <= 10; ++i) mouse(QEvent::MouseMove, mid + QPoint(12 * i, 9 * i), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, mid + QPoint(120, 90), Qt::NoButton);
  });
  t.Action("crop", [&] { w.MenuIC->trigger(); });
  std::printf("  picture %dx%d\n", w.WorkPictureBitmap.Width(), w.WorkPictureBitmap.Height());
  t.Action("undo (the whole photo again)", [&] { w.MenuEU->trigger(); });
  t.Action("resize to 300 x 300", [&] {
    QTimer::singleShot(0, [] {
      auto* d = dynamic_cast<maker::TFormPicSize*>(QApplication::activeModalWidget());
      if (!d) return;
      d->SpinEditNewW->SetValue(300);
      d->SpinEditNewH->SetValue(300);
      d->ButtonOKClick();
    });
    w.MenuIS->trigger();
  });
  std::printf("  picture %dx%d\n", w.WorkPictureBitmap.Width(), w.WorkPictureBitmap.Height());
  t.Action("clock tab at 300 x 300", [&] { w.PageControl2->SelectTab(1); });
  std::printf("  slowest action %.1f ms (budget %.0f ms, ratio %.2f)\n", t.Worst(), budget, t.Worst() / budget);
  std::printf("  peak resident memory %.0f MiB (budget 600 MB = 572 MiB, ratio %.2f)\n", PeakMiB(),
              PeakMiB() * 1048576.0 / 600e6);
  return 0;
}

int Idle(const std::string& program, const std::string& photo, double seconds) {
  Window win(program);
  maker::TFormMain& w = *win.w;
  w.PM_S->setChecked(true);
  w.RunCommand([&] { w.LoadPictureFile(photo); });
  w.PageControl2->SelectTab(1);
  w.StringGridFG->ClickRow(1);
  w.StringGridHR->ClickRow(1);
  w.RadioButtonMJ2A->click();
  w.StringGridHand->ClickRow(std::min(1, w.StringGridHand->RowCount() - 1));
  w.CheckBoxTime->click();
  w.CheckBoxDate->click();
  Settle();
  RunFor(2);
  if (!w.Timer1->isActive()) std::printf("the preview is not running\n");
  const double cpu0 = CpuSeconds(), x0 = XServerCpuSeconds();
  QElapsedTimer wall;
  wall.start();
  RunFor(seconds);
  const double s = wall.nsecsElapsed() / 1e9;
  const double own = 100 * (CpuSeconds() - cpu0) / s, x = 100 * (XServerCpuSeconds() - x0) / s;
  std::printf("idle preview (%s, size limit on, time and date shown), %.0f s:\n", photo.c_str(), s);
  std::printf("  maker %.3f %% + X server %.3f %% = %.3f %% of one core (budget 0.3 %%, ratio %.2f)\n", own, x,
              own + x, (own + x) / 0.3);
  // For comparison: the same window with the preview stopped.
  w.Timer1->stop();
  RunFor(1);
  const double cpu1 = CpuSeconds(), x1 = XServerCpuSeconds();
  wall.restart();
  RunFor(seconds / 3);
  const double s1 = wall.nsecsElapsed() / 1e9;
  std::printf("  with the preview stopped (%.0f s): maker %.3f %% + X server %.3f %%\n", s1,
              100 * (CpuSeconds() - cpu1) / s1, 100 * (XServerCpuSeconds() - x1) / s1);
  std::printf("  peak resident memory %.0f MiB\n", PeakMiB());
  return 0;
}

int Thumbs(const std::string& program, const std::string& folder) {
  Window win(program);
  maker::TFormMain& w = *win.w;
  maker::TFormThumb browser(w);
  browser.resize(566, 400);
  browser.show();
  Settle();
  QElapsedTimer pass;
  pass.start();
  browser.ScanPictureFolder(folder);
  Settle();
  std::printf("thumbnail browser, %zu pictures of %s:\n", browser.ThumbFiles.size(), folder.c_str());
  std::printf("  reading pass %.2f s (%.1f ms per picture)\n", pass.nsecsElapsed() / 1e9,
              pass.nsecsElapsed() / 1e6 / std::max<size_t>(1, browser.ThumbFiles.size()));
  QScrollBar* bar = browser.StringGridThumb->verticalScrollBar();
  const int step = browser.StringGridThumb->DefaultRowHeight() + browser.StringGridThumb->GridLineWidth();
  double total = 0, worst = 0;
  int steps = 0;
  for (int round = 0; round < 2; ++round)
    for (int v = round == 0 ? 0 : bar->maximum(); round == 0 ? v < bar->maximum() : v > 0;) {
      v = round == 0 ? std::min(bar->maximum(), v + step) : std::max(0, v - step);
      QElapsedTimer t;
      t.start();
      bar->setValue(v);
      Settle();
      const double ms = t.nsecsElapsed() / 1e6;
      total += ms;
      worst = std::max(worst, ms);
      ++steps;
    }
  QElapsedTimer t;
  t.start();
  browser.resize(700, 450);
  Settle();
  const double resize = t.nsecsElapsed() / 1e6;
  const double mean = steps ? total / steps : 0;
  std::printf("  %d scroll steps of one row: mean %.2f ms, slowest %.2f ms (budget 50 ms, ratio %.2f)\n", steps, mean,
              worst, worst / 50);
  std::printf("  resize of the browser %.2f ms\n", resize);
  std::printf("  peak resident memory %.0f MiB\n", PeakMiB());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 5 && std::string(argv[1]) == "make")
    return MakePhoto(argv[2], std::atoi(argv[3]), std::atoi(argv[4]), argc > 5 ? unsigned(std::atoi(argv[5])) : 0);
  if (argc < 4) {
    std::fprintf(stderr,
                 "usage: maker_latency photo <maker> <photo.jpg> on|off | idle <maker> <photo.jpg> [seconds] |\n"
                 "       thumbs <maker> <folder> | make <photo.jpg> <width> <height> [seed]\n");
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Velmora"));
  const std::string mode = argv[1];
  int rc = 2;
  if (mode == "photo" && argc >= 5) rc = Session(argv[2], argv[3], std::string(argv[4]) == "on");
  if (mode == "idle") rc = Idle(argv[2], argv[3], argc > 4 ? std::stod(argv[4]) : 30);
  if (mode == "thumbs") rc = Thumbs(argv[2], argv[3]);
  std::fflush(stdout);
  std::quick_exit(rc);
}
