// The local wall clock: reading it with milliseconds, the time-zone bias
// between local time and UTC, and setting it.
//
// Local times are handled in two forms: a broken-down `SystemTime` and
// "local seconds", the seconds (with fraction) since 1970-01-01 00:00:00 of
// the local wall clock. Local seconds minus the bias are seconds since the
// Unix epoch in UTC.
//
// Setting the clock needs CAP_SYS_TIME. Code that sets the clock takes the
// setter as a std::function so that tests inject a fake; tests never change
// the machine's clock. `SetLocalTimeHook` additionally lets a test program
// replace the real setter process-wide, as a safety net.
#pragma once

#include <cstdint>
#include <functional>

namespace platform {

struct SystemTime {
  std::uint16_t Year = 0;
  std::uint16_t Month = 0;      // 1..12
  std::uint16_t DayOfWeek = 0;  // 0 = Sunday
  std::uint16_t Day = 0;        // 1..31
  std::uint16_t Hour = 0;
  std::uint16_t Minute = 0;
  std::uint16_t Second = 0;
  std::uint16_t Milliseconds = 0;

  friend bool operator==(const SystemTime&, const SystemTime&) = default;
};

// The local date and time now, to the millisecond.
SystemTime GetLocalTime();
// Local seconds now (sub-millisecond resolution).
double LocalNowSeconds();

// The bias in force now: local time minus UTC in seconds (tm_gmtoff), so
// UTC = local - bias.
long TimeZoneBiasSeconds();

// Conversions between the two forms of a local time. The date range is the
// proleptic Gregorian calendar; FromLocalSeconds rounds to the nearest
// millisecond.
double ToLocalSeconds(const SystemTime& t);
SystemTime FromLocalSeconds(double localSeconds);

// Sets the wall clock to the given local time (clock_settime on
// CLOCK_REALTIME, the local time converted with the zone's rules for that
// date). Returns false when refused (no CAP_SYS_TIME) or when the time is
// invalid.
bool SetLocalTime(const SystemTime& t);

using LocalTimeSetter = std::function<bool(const SystemTime&)>;
// Replaces what SetLocalTime does for the whole process (none restores the
// real setter); returns the old hook.
LocalTimeSetter SetLocalTimeHook(LocalTimeSetter hook);

}  // namespace platform
