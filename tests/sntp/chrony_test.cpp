// The SNTP client against a real time server: chronyd, unpacked from its
// Debian package into the build folder, run in the foreground on 127.0.0.1
// with a configuration of its own, never adjusting the system clock (-x).
// Nothing is installed; the test stops the server itself.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/sntp_client.h"
#include "platform/system_time.h"

namespace fs = std::filesystem;

namespace {

// Runs a program with its output appended to log; returns its exit status.
int Run(const std::vector<std::string>& argv, const fs::path& cwd, const fs::path& log) {
  const pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd >= 0) {
      dup2(fd, 1);
      dup2(fd, 2);
    }
    if (chdir(cwd.c_str()) != 0) _exit(126);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The unpacked chronyd beside this test program, fetched on first use with
// apt-get download and unpacked with dpkg -x. Empty with why set when it
// cannot be had.
std::optional<fs::path> ObtainChronyd(std::string& why) {
  const fs::path dir = fs::read_symlink("/proc/self/exe").parent_path() / "chrony";
  const fs::path chronyd = dir / "root" / "usr" / "sbin" / "chronyd";
  if (fs::exists(chronyd)) return chronyd;
  std::error_code ec;
  fs::create_directories(dir, ec);
  const fs::path log = dir / "fetch.log";
  if (const int rc = Run({"apt-get", "download", "chrony"}, dir, log); rc != 0) {
    why = "apt-get download chrony failed with status " + std::to_string(rc) +
          (rc == 127 ? " (apt-get not found)" : " (no network or no package lists?)") + ": " + ReadFile(log);
    return std::nullopt;
  }
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("chrony_", 0) == 0 && entry.path().extension() == ".deb") {
      if (Run({"dpkg", "-x", entry.path().string(), (dir / "root").string()}, dir, log) != 0) {
        why = "dpkg -x of " + name + " failed: " + ReadFile(log);
        return std::nullopt;
      }
    }
  }
  if (!fs::exists(chronyd)) {
    why = "the chrony package held no usr/sbin/chronyd";
    return std::nullopt;
  }
  return chronyd;
}

std::uint16_t FreeUdpPort() {
  const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

// A chronyd in the foreground, stopped when this object goes.
class ChronyServer {
 public:
  ChronyServer(const fs::path& chronyd, std::uint16_t port) {
    char pattern[] = "/tmp/clockkit-chrony.XXXXXX";
    if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    const fs::path conf = dir_ / "chrony.conf";
    std::ofstream(conf) << "port " << port << "\n"
                        << "bindaddress 127.0.0.1\n"
                        << "allow 127.0.0.1\n"
                        << "local stratum 8\n"
                        << "cmdport 0\n"
                        << "bindcmdaddress /\n"
                        << "pidfile " << (dir_ / "chronyd.pid").string() << "\n"
                        << "driftfile " << (dir_ / "chrony.drift").string() << "\n";
    log_ = dir_ / "chronyd.log";
    const passwd* me = getpwuid(getuid());
    const std::string user = me ? me->pw_name : "root";
    pid_ = fork();
    if (pid_ == 0) {
      prctl(PR_SET_PDEATHSIG, SIGTERM);  // never outlive the test
      const int fd = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd >= 0) {
        dup2(fd, 1);
        dup2(fd, 2);
      }
      execl(chronyd.c_str(), "chronyd", "-x", "-d", "-u", user.c_str(), "-f", conf.c_str(),
            static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~ChronyServer() {
    if (pid_ > 0 && Running()) {
      kill(pid_, SIGTERM);
      for (int i = 0; i < 300 && Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (Running()) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
      }
    }
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  bool Running() {
    if (exited_) return false;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) exited_ = true;
    return !exited_;
  }
  std::string Log() const { return ReadFile(log_); }

 private:
  fs::path dir_, log_;
  pid_t pid_ = -1;
  bool exited_ = false;
};

}  // namespace

TEST(ChronyServer, ClientSetsTheClockFromARealTimeServer) {
  std::string why;
  const auto chronyd = ObtainChronyd(why);
  if (!chronyd) GTEST_SKIP() << "chronyd could not be obtained: " << why;

  const std::uint16_t port = FreeUdpPort();
  ChronyServer server(*chronyd, port);

  std::vector<platform::SystemTime> sets;
  engine::SntpClient client;
  client.Host = "127.0.0.1";
  client.Port = port;
  client.ClockSetter = [&sets](const platform::SystemTime& t) {
    sets.push_back(t);
    return true;
  };

  // Wait for the server to answer (it needs a moment to start).
  client.ReceiveTimeout = 250;
  bool answered = false;
  for (int i = 0; i < 40 && !answered; ++i) {
    if (!server.Running()) break;
    answered = client.QueryServerTime() != 0;
  }
  if (!answered && server.Log().find("Not superuser") != std::string::npos)
    GTEST_SKIP() << "chronyd refuses to run as this user: " << server.Log();
  ASSERT_TRUE(answered) << "chronyd did not answer on 127.0.0.1:" << port << "\n" << server.Log();

  client.ReceiveTimeout = 2000;
  ASSERT_TRUE(client.SyncLocalClock()) << server.Log();
  ASSERT_EQ(1u, sets.size());
  // The server serves this machine's own clock, so the time set is now.
  EXPECT_NEAR(platform::LocalNowSeconds(), platform::ToLocalSeconds(sets[0]), 1.0);
  EXPECT_EQ(8, client.Stratum());
  EXPECT_LT(std::fabs(client.LocalClockOffset()), 0.5);
  EXPECT_GE(client.RoundTripDelay(), -0.001);
  EXPECT_LT(client.RoundTripDelay(), 0.5);
  EXPECT_TRUE(server.Running()) << server.Log();
}
