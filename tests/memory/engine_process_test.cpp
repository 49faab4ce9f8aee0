// The engine program as it starts, here showing its start-up error box (a
// bare engine has no clock data): the fonts of the box are open, not
// mapped, and the sound library, which only a ringing alarm needs, is not
// loaded.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "proc_files.h"

namespace {

bool IsFontFile(const std::string& path) {
  for (const char* ext : {".ttf", ".otf", ".ttc"})
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ext) == 0) return true;
  return false;
}

TEST(EngineProcess, ErrorBoxReadsItsFontsAndLoadsNoSoundLibrary) {
  QTemporaryDir dir;
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("XDG_CONFIG_HOME", dir.path().toStdString().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    execl(BARE_ENGINE, BARE_ENGINE, static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  std::vector<std::string> fonts;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (fonts.empty() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (const std::string& f : memtest::OpenFiles(pid))
      if (IsFontFile(f)) fonts.push_back(f);
  }
  const std::string maps = memtest::Maps(pid);
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
  ASSERT_FALSE(fonts.empty()) << "the engine opened no font within 20 s";
  std::istringstream lines(maps);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_FALSE(IsFontFile(line)) << line;
    EXPECT_EQ(line.find("libasound"), std::string::npos) << line;
  }
}

}  // namespace
