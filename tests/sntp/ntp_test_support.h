// Test doubles for the SNTP tests: a fake wall clock that the fake clock
// setter adjusts, a scripted time server on 127.0.0.1, and a fake owner of
// the synchronisation (what the clock window offers).
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/ntp_owner.h"
#include "engine/sntp_client.h"
#include "platform/system_time.h"

namespace sntptest {

// Local seconds of a date and time.
inline double Local(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  platform::SystemTime t;
  t.Year = y;
  t.Month = mo;
  t.Day = d;
  t.Hour = h;
  t.Minute = mi;
  t.Second = s;
  t.Milliseconds = ms;
  return platform::ToLocalSeconds(t);
}

// The true time runs only when a test advances it; the local clock reads the
// true time plus an error, which the clock setter removes.
class FakeClock {
 public:
  static constexpr long kBias = 9 * 3600;  // a zone 9 hours east of UTC

  // Starts with the true local time trueLocal and the local clock off by error.
  FakeClock(double trueLocal, double error) : trueUtc_(trueLocal - kBias), error_(error) {}

  double LocalNow() {
    std::lock_guard<std::mutex> lock(m_);
    if (throwsLeft_ > 0) {
      --throwsLeft_;
      throw std::runtime_error("clock read failed");
    }
    return trueUtc_ + error_ + kBias;
  }
  platform::SystemTime Now() {
    std::lock_guard<std::mutex> lock(m_);
    return platform::FromLocalSeconds(trueUtc_ + error_ + kBias);
  }
  double TrueUtc() {
    std::lock_guard<std::mutex> lock(m_);
    return trueUtc_;
  }
  void Advance(double seconds) {
    std::lock_guard<std::mutex> lock(m_);
    trueUtc_ += seconds;
  }
  bool Set(const platform::SystemTime& t) {
    std::lock_guard<std::mutex> lock(m_);
    sets_.push_back(t);
    if (refuse_) return false;
    error_ = platform::ToLocalSeconds(t) - kBias - trueUtc_;
    return true;
  }
  std::vector<platform::SystemTime> Sets() {
    std::lock_guard<std::mutex> lock(m_);
    return sets_;
  }
  void Refuse(bool refuse) {
    std::lock_guard<std::mutex> lock(m_);
    refuse_ = refuse;
  }
  void ThrowOnNextReads(int count) {
    std::lock_guard<std::mutex> lock(m_);
    throwsLeft_ = count;
  }

  // Points a client's seams at this clock.
  void Attach(engine::SntpClient& client) {
    client.LocalClock = [this] { return LocalNow(); };
    client.TimeZoneBias = [] { return kBias; };
    client.ClockSetter = [this](const platform::SystemTime& t) { return Set(t); };
  }

 private:
  std::mutex m_;
  double trueUtc_;
  double error_;
  bool refuse_ = false;
  int throwsLeft_ = 0;
  std::vector<platform::SystemTime> sets_;
};

struct Datagram {
  std::vector<std::uint8_t> bytes;
  bool fromOtherPort = false;  // sent from a second socket of the server
};

using Packet = std::vector<std::uint8_t>;

// A server answer to request with the given receive and transmit times.
inline Packet Answer(const Packet& request, double t2Utc, double t3Utc, int leap = 0, int stratum = 2) {
  Packet r(48, 0);
  r[0] = static_cast<std::uint8_t>((leap << 6) | (3 << 3) | 4);
  r[1] = static_cast<std::uint8_t>(stratum);
  for (int i = 0; i < 8; ++i) r[24 + i] = request[40 + i];
  const auto t2 = engine::EncodeNtpTimestamp(t2Utc);
  const auto t3 = engine::EncodeNtpTimestamp(t3Utc);
  for (int i = 0; i < 8; ++i) {
    r[32 + i] = t2[i];
    r[40 + i] = t3[i];
  }
  return r;
}

inline double RequestTransmit(const Packet& request) { return engine::DecodeNtpTimestamp(request.data() + 40); }

// A UDP time server on 127.0.0.1 whose answers come from a script. It runs
// on a thread of its own until destroyed.
class FakeNtpServer {
 public:
  // Called for every request; what it returns is sent back in order. It may
  // send more itself through SendRaw.
  using Script = std::function<std::vector<Datagram>(const Packet& request, FakeNtpServer& server)>;

  explicit FakeNtpServer(Script script) : script_(std::move(script)) {
    fd_ = OpenBound();
    otherFd_ = OpenBound();
    thread_ = std::thread([this] { Loop(); });
  }
  ~FakeNtpServer() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
    ::close(otherFd_);
  }
  FakeNtpServer(const FakeNtpServer&) = delete;
  FakeNtpServer& operator=(const FakeNtpServer&) = delete;

  std::uint16_t Port() const { return PortOf(fd_); }
  int Requests() const { return requests_; }
  std::vector<Packet> Received() {
    std::lock_guard<std::mutex> lock(m_);
    return received_;
  }
  bool Stopping() const { return stop_; }
  void SendRaw(const Datagram& d) {
    ::sendto(d.fromOtherPort ? otherFd_ : fd_, d.bytes.data(), d.bytes.size(), 0,
             reinterpret_cast<const sockaddr*>(&client_), sizeof client_);
  }

 private:
  static int OpenBound() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket");
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) throw std::runtime_error("bind");
    return fd;
  }
  static std::uint16_t PortOf(int fd) {
    sockaddr_in a{};
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    return ntohs(a.sin_port);
  }
  void Loop() {
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      Packet request(2048);
      socklen_t len = sizeof client_;
      const ssize_t got = ::recvfrom(fd_, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&client_), &len);
      if (got < 0) continue;
      request.resize(static_cast<std::size_t>(got));
      {
        std::lock_guard<std::mutex> lock(m_);
        received_.push_back(request);
      }
      ++requests_;
      if (request.size() < 48) continue;
      for (const Datagram& d : script_(request, *this)) SendRaw(d);
    }
  }

  Script script_;
  int fd_ = -1;
  int otherFd_ = -1;
  sockaddr_in client_{};
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::mutex m_;
  std::vector<Packet> received_;
};

// A server that answers every request correctly from the fake clock's true
// time, each exchange taking 20 ms of true time, stamped at its end.
inline FakeNtpServer::Script ExactServer(FakeClock& clock, double exchangeSeconds = 0.020) {
  return [&clock, exchangeSeconds](const Packet& request, FakeNtpServer&) {
    clock.Advance(exchangeSeconds);
    const double now = clock.TrueUtc();
    return std::vector<Datagram>{{Answer(request, now, now)}};
  };
}

// What the clock window offers to the synchronisation.
class FakeOwner : public engine::NtpOwner {
 public:
  explicit FakeOwner(FakeClock& clock) : clock_(clock) {
    clock.Attach(client_);
    client_.Host = "";
    client_.ReceiveTimeout = 200;
  }

  std::string GetNtpHost(int slot) const override { return hosts_.at(slot); }
  void SetNtpHost(int slot, const std::string& host) override { hosts_.at(slot) = host; }
  std::string GetNtpResult() const override {
    std::lock_guard<std::mutex> lock(m_);
    return result_;
  }
  void SetNtpResult(const std::string& text) override {
    std::lock_guard<std::mutex> lock(m_);
    result_ = text;
  }
  bool GetNtpActive() const override { return active_; }
  void SetNtpActive(bool on) override { active_ = on; }
  std::atomic<std::uint8_t>& NtpSyncRunningFlag() override { return running_; }
  std::atomic<std::uint8_t>& NtpSyncedThisHourFlag() override { return synced_; }
  std::atomic<std::uint8_t>& NtpSyncRequestedFlag() override { return requested_; }
  void SaveClockConfig() override {
    std::lock_guard<std::mutex> lock(m_);
    ++saves_;
    savedResults_.push_back(result_);
    if (failSave_) throw std::runtime_error("/nowhere/Clock.ini に書き込めません");
  }
  engine::SntpClient& NtpClient() override { return client_; }
  platform::SystemTime NtpNow() override { return clock_.Now(); }

  int Saves() const {
    std::lock_guard<std::mutex> lock(m_);
    return saves_;
  }
  std::vector<std::string> SavedResults() const {
    std::lock_guard<std::mutex> lock(m_);
    return savedResults_;
  }
  void FailSave(bool fail) {
    std::lock_guard<std::mutex> lock(m_);
    failSave_ = fail;
  }
  std::array<std::string, engine::kNtpHostSlots>& Hosts() { return hosts_; }

 private:
  FakeClock& clock_;
  engine::SntpClient client_;
  std::array<std::string, engine::kNtpHostSlots> hosts_{};
  mutable std::mutex m_;
  std::string result_;
  bool active_ = false;
  bool failSave_ = false;
  int saves_ = 0;
  std::vector<std::string> savedResults_;
  std::atomic<std::uint8_t> running_{0}, synced_{0}, requested_{0};
};

// Waits (briefly) until a flag reads 0.
inline bool WaitCleared(std::atomic<std::uint8_t>& flag, std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (flag.load() != 0) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace sntptest
