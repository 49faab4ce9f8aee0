// Ending a running clock program from the session (SIGTERM, as at logout):
// it ends within a second whatever it is doing, and writes its settings
// when it can.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// True once the process catches SIGTERM (its handler is installed).
bool CatchesTerm(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
  return false;
}

class RunningClock {
 public:
  // Copies program into a folder of its own as "Clock" and runs it with its
  // settings folder in there; prepare may lay out that folder first.
  RunningClock(const std::string& program, const std::function<void(const fs::path&)>& prepare = {}) {
    const fs::path root = dir_.path().toStdString();
    fs::copy_file(program, root / "Clock");
    fs::create_directories(SettingsFolder());
    if (prepare) prepare(SettingsFolder());
    pid_ = fork();
    if (pid_ == 0) {
      setenv("XDG_CONFIG_HOME", root.c_str(), 1);
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      const std::string exe = (root / "Clock").string();
      execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~RunningClock() {
    if (pid_ > 0 && !done_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  fs::path SettingsFolder() const { return fs::path(dir_.path().toStdString()) / "DoRedozs"; }
  fs::path SettingsFile() const { return SettingsFolder() / "Clock.ini"; }

  // Waits until the program handles SIGTERM, then a little longer so that it
  // has gone on to what it does next (its window, a box, a blocked read).
  bool WaitStarted() {
    const auto end = Clock::now() + std::chrono::seconds(20);
    while (!CatchesTerm(pid_)) {
      if (Clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    return true;
  }

  // Sends SIGTERM; the milliseconds until the program ended (-1: it did not
  // end within 5 s) and its exit status.
  std::pair<double, int> Terminate() {
    const auto start = Clock::now();
    kill(pid_, SIGTERM);
    int status = 0;
    while (Clock::now() - start < std::chrono::seconds(5)) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        done_ = true;
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        return {ms, WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)};
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return {-1, -1};
  }

 private:
  QTemporaryDir dir_;
  pid_t pid_ = -1;
  bool done_ = false;
};

std::string Read(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

// Sends SIGTERM once the clock runs: it must end within a second, with
// exit status 0.
static void ExpectEndsWithinASecond(RunningClock& clock) {
  ASSERT_TRUE(clock.WaitStarted());
  const auto [ms, status] = clock.Terminate();
  EXPECT_GE(ms, 0) << "still running 5 s after SIGTERM";
  EXPECT_LT(ms, 1000);
  EXPECT_EQ(status, 0);
}

TEST(SessionEnd, RunningClockEndsAndWritesItsSettings) {
  RunningClock clock(SAMPLE_CLOCK, [](const fs::path& folder) {
    std::ofstream(folder / "Clock.ini", std::ios::binary) << "[CONFIG]\r\nLeft=31\r\nTop=47\r\n";
  });
  ExpectEndsWithinASecond(clock);
  const std::string ini = Read(clock.SettingsFile());
  EXPECT_NE(ini.find("Left=31"), std::string::npos) << ini;
  EXPECT_NE(ini.find("NTP_Result="), std::string::npos) << ini;  // written at the close
}

// The close cannot write CONFIG (the settings file is a folder): no box
// waits for a click, the program ends.
TEST(SessionEnd, RefusedSettingsWriteAtCloseShowsNothing) {
  RunningClock clock(SAMPLE_CLOCK, [](const fs::path& folder) { fs::create_directories(folder / "Clock.ini"); });
  ExpectEndsWithinASecond(clock);
}

// A start-up error box is showing (an engine without clock data).
TEST(SessionEnd, StartupErrorBoxShowing) {
  RunningClock clock(BARE_ENGINE);
  ExpectEndsWithinASecond(clock);
}

// The window's thread is stuck: the settings file is a pipe nobody writes,
// so reading it blocks the start-up.
TEST(SessionEnd, WindowThreadBlocked) {
  RunningClock clock(SAMPLE_CLOCK, [](const fs::path& folder) {
    ASSERT_EQ(mkfifo((folder / "Clock.ini").c_str(), 0600), 0);
  });
  ExpectEndsWithinASecond(clock);
}
