// SNTP synchronisation of the local clock over the configured hosts, and the
// worker thread that runs one synchronisation in the background.
//
// Hosts are tried in slot order, empty slots skipped; the first host whose
// answer lets the local clock be set ends the run. The outcome goes to the
// owner's result text ("Adjusted with <host> Diff<hh:mm:ss.mmm>" or
// "Sync failed", then " at hh:mm:ss") and the settings are written.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "engine/ntp_owner.h"
#include "platform/system_time.h"

namespace engine {

using NtpHostList = std::array<std::string, kNtpHostSlots>;

// The magnitude of a time difference in seconds, rounded to milliseconds, as
// its time of day "%2.2d:%2.2d:%2.2d.%3.3d" (hours 0..23).
std::string FormatNtpDifference(double seconds);
// "%2.2d:%2.2d:%2.2d" of a local time.
std::string FormatTimeOfDay(const platform::SystemTime& t);

// Tries the hosts in order with the owner's SNTP client, skipping empty ones.
// Returns the success text of the first host that sets the clock, else
// failedText when no host was tried or "Sync failed" when all tried failed.
// A failed host deactivates the client. With markSynced a success sets
// NtpSyncedThisHour. Never throws for a host's failure.
std::string SyncWithHosts(NtpOwner& owner, const std::vector<std::string>& hosts, const std::string& failedText,
                          bool markSynced);

// One synchronisation run: the hosts, then the result text with the end time,
// then SaveClockConfig (whose failure is raised to the caller).
void RunNtpSync(NtpOwner& owner, const NtpHostList& hosts);

// The worker thread of one synchronisation. It frees itself when it ends.
class TNTPSync {
 public:
  // Takes a copy of the owner's host slots, sets NtpSyncRunning and runs
  // RunNtpSync on a detached thread, which clears NtpSyncRunning when it ends
  // however the run ends. Returns false (and clears the flag) when no thread
  // could be started.
  static bool Start(NtpOwner& owner);

  TNTPSync(const TNTPSync&) = delete;
  TNTPSync& operator=(const TNTPSync&) = delete;

 private:
  TNTPSync(NtpOwner& owner, NtpHostList hosts) : owner_(owner), hosts_(std::move(hosts)) {}
  void Execute() noexcept;

  NtpOwner& owner_;
  NtpHostList hosts_;
};

}  // namespace engine
