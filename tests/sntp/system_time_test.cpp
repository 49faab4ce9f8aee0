// Local time forms and the process-wide clock-setter hook.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "platform/system_time.h"

TEST(SystemTime, LocalSecondsRoundTrip) {
  platform::SystemTime t;
  t.Year = 2026;
  t.Month = 12;
  t.Day = 10;
  t.Hour = 12;
  t.Minute = 57;
  t.Second = 0;
  t.Milliseconds = 40;
  t.DayOfWeek = 4;  // Thursday
  EXPECT_DOUBLE_EQ(1796907420.04, platform::ToLocalSeconds(t));
  EXPECT_EQ(t, platform::FromLocalSeconds(1796907420.04));
  // Rounded to the nearest millisecond, carrying into the next day.
  const auto carried = platform::FromLocalSeconds(1796947199.9996);  // 23:59:59.9996
  EXPECT_EQ(11, carried.Day);
  EXPECT_EQ(0, carried.Hour);
  EXPECT_EQ(0, carried.Milliseconds);
  EXPECT_EQ(5, carried.DayOfWeek);
  // Leap day and the epoch.
  const auto leap = platform::FromLocalSeconds(platform::ToLocalSeconds({2024, 2, 0, 29, 6, 0, 0, 0}));
  EXPECT_EQ(2, leap.Month);
  EXPECT_EQ(29, leap.Day);
  EXPECT_EQ(0.0, platform::ToLocalSeconds({1970, 1, 4, 1, 0, 0, 0, 0}));
}

TEST(SystemTime, NowAndBiasAgree) {
  const long bias = platform::TimeZoneBiasSeconds();
  EXPECT_LE(std::abs(bias), 14 * 3600L);
  const double local = platform::LocalNowSeconds();
  const double fromParts = platform::ToLocalSeconds(platform::GetLocalTime());
  EXPECT_NEAR(local, fromParts, 1.0);
  EXPECT_NEAR(local - bias, static_cast<double>(std::time(nullptr)), 2.0);
}

TEST(SystemTime, HookReplacesTheRealSetter) {
  std::vector<platform::SystemTime> seen;
  auto old = platform::SetLocalTimeHook([&seen](const platform::SystemTime& t) {
    seen.push_back(t);
    return false;
  });
  const platform::SystemTime t{2030, 1, 2, 1, 0, 0, 0, 0};
  EXPECT_FALSE(platform::SetLocalTime(t));
  ASSERT_EQ(1u, seen.size());
  EXPECT_EQ(t, seen[0]);
  platform::SetLocalTimeHook(old);
}
