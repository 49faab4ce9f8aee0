#include "engine/ntp_sync.h"

#include <cmath>
#include <cstdio>
#include <exception>
#include <memory>
#include <thread>

#include "engine/sntp_client.h"

namespace engine {

std::string FormatNtpDifference(double seconds) {
  long double ms = std::isfinite(seconds) ? std::fabs(std::round(static_cast<long double>(seconds) * 1000.0L)) : 0;
  ms = std::fmod(ms, 86400000.0L);
  const long total = static_cast<long>(ms);
  char text[32];
  std::snprintf(text, sizeof text, "%2.2d:%2.2d:%2.2d.%3.3d", static_cast<int>(total / 3600000),
                static_cast<int>(total / 60000 % 60), static_cast<int>(total / 1000 % 60),
                static_cast<int>(total % 1000));
  return text;
}

std::string FormatTimeOfDay(const platform::SystemTime& t) {
  char text[16];
  std::snprintf(text, sizeof text, "%2.2d:%2.2d:%2.2d", t.Hour % 100, t.Minute % 100, t.Second % 100);
  return text;
}

namespace {

// One host: set the clock from it and measure the difference. Empty result
// when the host failed in any way.
std::string TryHost(NtpOwner& owner, const std::string& host) {
  SntpClient& client = owner.NtpClient();
  try {
    client.Host = host;
    const double before = platform::ToLocalSeconds(owner.NtpNow());
    if (client.SyncLocalClock()) {
      // The difference is measured with the server's time right after the
      // set; a host that does not answer that query failed.
      const double after = client.QueryServerTime();
      if (after != 0) return "Adjusted with " + host + " Diff<" + FormatNtpDifference(after - before) + ">";
    }
  } catch (...) {
    // Resolution or socket failure: this host failed.
  }
  client.Deactivate();
  return {};
}

}  // namespace

std::string SyncWithHosts(NtpOwner& owner, const std::vector<std::string>& hosts, const std::string& failedText,
                          bool markSynced) {
  std::string result = failedText;
  for (const std::string& host : hosts) {
    if (host.empty()) continue;
    std::string success = TryHost(owner, host);
    if (!success.empty()) {
      if (markSynced) owner.NtpSyncedThisHourFlag() = 1;
      return success;
    }
    result = "Sync failed";
  }
  return result;
}

void RunNtpSync(NtpOwner& owner, const NtpHostList& hosts) {
  const std::string result = SyncWithHosts(owner, std::vector<std::string>(hosts.begin(), hosts.end()), "", true);
  owner.SetNtpResult(result + " at " + FormatTimeOfDay(owner.NtpNow()));
  owner.SaveClockConfig();
}

bool TNTPSync::Start(NtpOwner& owner) {
  NtpHostList hosts;
  for (int i = 0; i < kNtpHostSlots; ++i) hosts[i] = owner.GetNtpHost(i);
  // The flag is set before the thread exists, so nothing on the window's
  // thread can see "not running" while the worker is starting.
  owner.NtpSyncRunningFlag() = 1;
  std::unique_ptr<TNTPSync> worker(new TNTPSync(owner, std::move(hosts)));
  try {
    std::thread([self = worker.get()] {
      std::unique_ptr<TNTPSync> owned(self);
      owned->Execute();
    }).detach();
    worker.release();
    return true;
  } catch (...) {
    owner.NtpSyncRunningFlag() = 0;
    return false;
  }
}

void TNTPSync::Execute() noexcept {
  try {
    RunNtpSync(owner_, hosts_);
  } catch (const std::exception& e) {
    // The settings could not be written; the result text is kept in memory
    // and reaches the file with the next write.
    std::fprintf(stderr, "SNTP: %s\n", e.what());
  } catch (...) {
  }
  owner_.NtpSyncRunningFlag() = 0;
}

}  // namespace engine
