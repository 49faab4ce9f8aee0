#include "platform/system_time.h"

#include <cmath>
#include <ctime>
#include <mutex>
#include <utility>

namespace platform {

namespace {

std::mutex g_hookMutex;
LocalTimeSetter g_hook;

// Days since 1970-01-01 of a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

SystemTime FromLocalMilliseconds(std::int64_t ms) {
  constexpr std::int64_t kDay = 86400000;
  std::int64_t days = ms / kDay;
  std::int64_t rest = ms % kDay;
  if (rest < 0) {
    rest += kDay;
    --days;
  }
  std::int64_t y;
  unsigned m, d;
  CivilFromDays(days, y, m, d);
  SystemTime t;
  t.Year = static_cast<std::uint16_t>(y);
  t.Month = static_cast<std::uint16_t>(m);
  t.Day = static_cast<std::uint16_t>(d);
  // 1970-01-01 was a Thursday.
  t.DayOfWeek = static_cast<std::uint16_t>(((days % 7) + 7 + 4) % 7);
  t.Hour = static_cast<std::uint16_t>(rest / 3600000);
  t.Minute = static_cast<std::uint16_t>(rest / 60000 % 60);
  t.Second = static_cast<std::uint16_t>(rest / 1000 % 60);
  t.Milliseconds = static_cast<std::uint16_t>(rest % 1000);
  return t;
}

bool RealSetLocalTime(const SystemTime& t) {
  if (t.Month < 1 || t.Month > 12 || t.Day < 1 || t.Day > 31 || t.Hour > 23 || t.Minute > 59 ||
      t.Second > 59 || t.Milliseconds > 999 || t.Year < 1970)
    return false;
  std::tm tm{};
  tm.tm_year = t.Year - 1900;
  tm.tm_mon = t.Month - 1;
  tm.tm_mday = t.Day;
  tm.tm_hour = t.Hour;
  tm.tm_min = t.Minute;
  tm.tm_sec = t.Second;
  tm.tm_isdst = -1;
  const std::time_t utc = std::mktime(&tm);
  if (utc == static_cast<std::time_t>(-1)) return false;
  timespec ts{};
  ts.tv_sec = utc;
  ts.tv_nsec = static_cast<long>(t.Milliseconds) * 1000000L;
  return clock_settime(CLOCK_REALTIME, &ts) == 0;
}

}  // namespace

double LocalNowSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  std::tm tm{};
  const std::time_t secs = ts.tv_sec;
  localtime_r(&secs, &tm);
  return static_cast<double>(ts.tv_sec + tm.tm_gmtoff) + ts.tv_nsec / 1e9;
}

SystemTime GetLocalTime() {
  return FromLocalMilliseconds(static_cast<std::int64_t>(std::floor(LocalNowSeconds() * 1000.0)));
}

long TimeZoneBiasSeconds() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm.tm_gmtoff;
}

double ToLocalSeconds(const SystemTime& t) {
  const std::int64_t days = DaysFromCivil(t.Year, t.Month, t.Day);
  return static_cast<double>(days * 86400 + t.Hour * 3600 + t.Minute * 60 + t.Second) + t.Milliseconds / 1000.0;
}

SystemTime FromLocalSeconds(double localSeconds) {
  return FromLocalMilliseconds(std::llround(localSeconds * 1000.0));
}

bool SetLocalTime(const SystemTime& t) {
  LocalTimeSetter hook;
  {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    hook = g_hook;
  }
  if (hook) return hook(t);
  return RealSetLocalTime(t);
}

LocalTimeSetter SetLocalTimeHook(LocalTimeSetter hook) {
  std::lock_guard<std::mutex> lock(g_hookMutex);
  return std::exchange(g_hook, std::move(hook));
}

}  // namespace platform
