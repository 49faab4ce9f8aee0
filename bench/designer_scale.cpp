// How the hand designer copes with large hands files: the time to open the
// window on a file (read, set list, first set shown) and to save it, for a
// set of 100,000 points and for 40,000 sets. Both must grow in proportion to
// the file; the budget for each is 1 s.
//   designer_scale [work folder]
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "handdesigner/form_main.h"
#include "platform/message_box.h"
#include "platform/system.h"

namespace {

// A symmetrical set of `points` points spread over the three hands.
void WriteSet(std::ofstream& out, int n, int points) {
  out << "[Hand" << n << "]\r\nCP=0.05\r\n";
  const char prefix[3] = {'H', 'M', 'S'};
  for (int hand = 0; hand < 3; ++hand) {
    const int count = points / 3 + (hand < points % 3 ? 1 : 0);
    for (int i = 0; i < count; ++i)
      out << prefix[hand] << i << "=" << (i % 3000) * 0.001 << "," << 0.1 + (i % 700) * 0.001 << "\r\n";
  }
  out << "\r\n";
}

void Measure(const std::string& folder, const char* what, int sets, int pointsPerSet) {
  std::filesystem::remove_all(folder);
  std::filesystem::create_directories(folder);
  {
    std::ofstream out(folder + "/Hands.dat", std::ios::binary);
    for (int n = 0; n < sets; ++n) WriteSet(out, n, pointsPerSet);
  }
  const auto bytes = std::filesystem::file_size(folder + "/Hands.dat");
  platform::SetProgramFileNameForTest(folder + "/spirrel");

  QElapsedTimer t;
  t.start();
  auto w = std::make_unique<designer::TFormMain>();
  w->show();
  QApplication::processEvents();
  const double open = t.nsecsElapsed() / 1e9;
  const size_t read = w->HandSets.size();

  t.restart();
  w->MenuFSClick();
  const double save = t.nsecsElapsed() / 1e9;
  w.reset();

  std::printf("%-22s %9llu bytes %6zu sets   open %7.3f s   save %7.3f s   budget 1 s: %s\n", what,
              (unsigned long long)bytes, read, open, save, open <= 1 && save <= 1 ? "met" : "NOT met");
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  const std::string work = argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "designer_scale").string();
  platform::SetMessageHook([](const platform::MessageRecord& r) {
    std::printf("message: %s\n", r.text.c_str());
    return platform::ModalResult::OK;
  });
  Measure(work + "/points", "1 set, 100000 points", 1, 100000);
  Measure(work + "/sets", "40000 sets, 9 points", 40000, 9);
  std::filesystem::remove_all(work);
  return 0;
}
