// What the SNTP worker and the SNTP setup dialog need of the clock window.
// The clock window implements it; tests use a fake.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "platform/system_time.h"

namespace engine {

class SntpClient;

inline constexpr int kNtpHostSlots = 10;

class NtpOwner {
 public:
  virtual ~NtpOwner() = default;

  // Host slots 0..9 (empty = unused). Used on the window's thread only: the
  // worker works on a copy taken when it is started.
  virtual std::string GetNtpHost(int slot) const = 0;
  virtual void SetNtpHost(int slot, const std::string& host) = 0;

  // The result text of the last synchronisation, or "ON"/"OFF". Thread-safe:
  // the worker sets it from its own thread.
  virtual std::string GetNtpResult() const = 0;
  virtual void SetNtpResult(const std::string& text) = 0;

  // The check mark of the SNTP command (SNTP synchronisation on).
  virtual bool GetNtpActive() const = 0;
  virtual void SetNtpActive(bool on) = 0;

  // Byte flags shared with the worker (0 or 1).
  virtual std::atomic<std::uint8_t>& NtpSyncRunningFlag() = 0;
  virtual std::atomic<std::uint8_t>& NtpSyncedThisHourFlag() = 0;
  virtual std::atomic<std::uint8_t>& NtpSyncRequestedFlag() = 0;

  // Writes the CONFIG section of the settings. May throw (the settings file
  // cannot be written). Called from the window's thread and from the worker.
  virtual void SaveClockConfig() = 0;

  // The window's SNTP client (host, port 123, 10000 ms receive timeout). Used
  // by one thread at a time: by the worker while NtpSyncRunning is 1,
  // otherwise by the window's thread.
  virtual SntpClient& NtpClient() = 0;

  // The local date and time now (the worker's start and end times).
  // Thread-safe.
  virtual platform::SystemTime NtpNow() = 0;
};

}  // namespace engine
