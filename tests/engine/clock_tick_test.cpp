// The tick's scheduling with an injected clock: chimes, the alarm minute and
// the minute after it, time synchronisation, the still picture.
#include <QAction>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

#include "clock_fixture.h"

using clockfile::Section;

namespace {

class TickTest : public ::testing::Test {
 protected:
  void Open(const std::string& settings, uint8_t flags = 0x03, std::vector<Section> extra = {}) {
    f.WriteSettings(std::string(fixture::kNoSound) + settings);
    std::vector<Section> s = {{"BMP", fixture::SolidBmp(100, 100, 0x00808080)},
                              {"CL1", clockfile::ColourData(0x000000FF)},
                              {"CL2", clockfile::ColourData(0x00FF0000)},
                              {"SC", clockfile::PolygonData({{0, 1}, {3.1, 0.2}})},
                              {"HR", clockfile::PolygonData({{0, 0.5}, {3.1, 0.2}})},
                              {"MN", clockfile::PolygonData({{0, 0.8}, {3.1, 0.2}})}};
    s.insert(s.end(), extra.begin(), extra.end());
    f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(), s, flags));
    w = f.Open();
    ASSERT_EQ(w->StartupError(), "");
  }
  // One tick at the given time; a ring started in an earlier second has
  // ended by now unless busy is kept.
  void At(int h, int m, int s, int ms = 0, bool ringEnded = true) {
    if (ringEnded) w->AlarmBusy = 0;
    f.now = {2026, 12, 8, uint16_t(h), uint16_t(m), uint16_t(s), uint16_t(ms)};
    w->Timer1Timer();
  }
  // Every second from (h, m, s) for n seconds.
  void Run(int h, int m, int s, int n) {
    for (int i = 0; i < n; ++i) {
      const int t = (h * 3600 + m * 60 + s + i) % 86400;
      At(t / 3600, t / 60 % 60, t % 60);
    }
  }
  int Count(const std::string& what) const { return int(std::count(f.log.begin(), f.log.end(), what)); }

  fixture::ClockFixture f;
  std::unique_ptr<engine::TFormMain> w;
};

}  // namespace

TEST_F(TickTest, HourlyChimeCounts) {
  const struct {
    bool jihou;
    int hour, rings;
  } cases[] = {{true, 0, 0}, {true, 12, 12}, {true, 13, 1}, {true, 23, 11}, {false, 0, 3}, {false, 13, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hour);
    f.log.clear();
    Open(std::string("HourEnable=1\r\nHourJihou=") + (c.jihou ? "1" : "0") + "\r\n");
    Run((c.hour + 23) % 24, 59, 50, 10);  // the first tick sets the old hour's count
    f.log.clear();
    Run(c.hour, 0, 0, 60);
    EXPECT_EQ(Count("ring"), c.rings);
    // Rings left at the end of minute 0 are dropped.
    Run(c.hour, 1, 0, 5);
    EXPECT_EQ(Count("ring"), c.rings);
  }
}

TEST_F(TickTest, RingsWaitForTheRingBefore) {
  Open("HourEnable=1\r\n");
  Run(9, 59, 59, 1);
  At(10, 0, 0);
  At(10, 0, 1, 0, false);  // still ringing: nothing
  At(10, 0, 2, 0, false);
  EXPECT_EQ(Count("ring"), 1);
  At(10, 0, 3);
  EXPECT_EQ(Count("ring"), 2);
}

TEST_F(TickTest, StartDuringMinuteZeroOrThirtyRingsTheHoursCount) {
  Open("HourEnable=1\r\n");
  Run(10, 0, 20, 40);
  EXPECT_EQ(Count("ring"), 3);
  f.log.clear();
  Open("HalfEnable=1\r\n");
  Run(10, 30, 20, 40);
  EXPECT_EQ(Count("ring"), 3);
}

TEST_F(TickTest, HalfHourChimeOnlyAtSecondZeroOfMinuteThirty) {
  Open("HalfEnable=1\r\n");
  Run(9, 59, 50, 60 * 35);
  EXPECT_EQ(Count("ring"), 1);  // 10:30:00, nothing at 10:00
}

TEST_F(TickTest, AlarmMinuteRingsThroughAndTheMinuteAfterStops) {
  Open("HHMMEnable=1\r\nHalfEnable=1\r\nHour=7\r\nMin=30\r\nMessage=Wake\r\n");
  Run(7, 29, 50, 10);
  EXPECT_EQ(Count("ring"), 0);
  Run(7, 30, 0, 60);
  EXPECT_EQ(Count("ring"), 60);  // the half-hour chime is not rung besides
  EXPECT_EQ(Count("message"), 1);
  EXPECT_EQ(Count("stop"), 0);
  At(7, 31, 0);
  EXPECT_EQ(Count("stop"), 1);
  EXPECT_EQ(w->AlarmArmed, 0);
  At(7, 32, 1);
  EXPECT_EQ(w->AlarmArmed, 1);
}

TEST_F(TickTest, AlarmAtTheEndOfAnHourAndOfADay) {
  Open("HHMMEnable=1\r\nHourEnable=1\r\nHour=8\r\nMin=59\r\n");
  Run(7, 59, 59, 2);  // 8:00: the hourly chime only
  f.log.clear();
  Run(8, 0, 1, 59);
  EXPECT_EQ(Count("stop"), 0);
  f.log.clear();
  Run(8, 59, 0, 60);
  EXPECT_EQ(Count("ring"), 60);
  f.log.clear();
  Run(9, 0, 0, 10);  // the 9:00 chime first, then the stop
  EXPECT_EQ(Count("ring"), 3);
  ASSERT_FALSE(f.log.empty());
  EXPECT_EQ(f.log[3], "stop");
  EXPECT_EQ(w->AlarmArmed, 0);

  f.log.clear();
  Open("HHMMEnable=1\r\nHour=23\r\nMin=59\r\n");
  Run(23, 59, 0, 61);
  EXPECT_EQ(Count("ring"), 60);
  EXPECT_EQ(f.log.back(), "stop");  // at 0:00:00 of the next day
}

TEST_F(TickTest, ClickDuringTheAlarmMinuteSilencesItUntilTheNextDay) {
  Open("HHMMEnable=1\r\nHour=6\r\nMin=0\r\n");
  Run(6, 0, 0, 10);
  EXPECT_EQ(Count("ring"), 10);
  w->FormClick();
  EXPECT_EQ(Count("stop"), 1);
  Run(6, 0, 10, 50);
  EXPECT_EQ(Count("ring"), 10);
  Run(6, 1, 0, 2);
  Run(6, 2, 0, 2);  // armed again outside the alarm minutes
  f.log.clear();
  Run(6, 0, 0, 3);  // the next day
  EXPECT_EQ(Count("ring"), 3);
}

TEST_F(TickTest, TimeSynchronisationAtMinutes57To59) {
  Open("", 0x03);
  w->PM_N->setChecked(true);
  Run(10, 56, 0, 60);
  EXPECT_EQ(Count("ntp"), 0);
  // A failing host: tries at 57, 58 and 59.
  Run(10, 57, 0, 180);
  EXPECT_EQ(Count("ntp"), 3);
  // A working host: the first success ends the hour's tries.
  f.log.clear();
  Run(11, 56, 59, 2);
  w->NtpSyncedThisHour = 1;  // the 11:57 run succeeded
  Run(11, 57, 1, 179);
  EXPECT_EQ(Count("ntp"), 1);
  Run(12, 0, 0, 1);
  EXPECT_EQ(w->NtpSyncedThisHour, 0);
  // A request from the dialog: at the next second 0; none while one runs.
  f.log.clear();
  w->NtpSyncRequested = 1;
  w->NtpSyncRunning = 1;
  Run(12, 10, 0, 1);
  EXPECT_EQ(Count("ntp"), 0);
  w->NtpSyncRunning = 0;
  Run(12, 10, 30, 31);
  EXPECT_EQ(Count("ntp"), 1);
  EXPECT_EQ(w->NtpSyncRequested, 0);
}

TEST_F(TickTest, SecondHandSweepsOrJumps) {
  Open("");
  At(10, 0, 5, 0);
  const imaging::Bitmap jump = w->ImageS.Picture;
  At(10, 0, 5, 500);
  EXPECT_EQ(imaging::WriteBmp24(w->ImageS.Picture), imaging::WriteBmp24(jump));  // same second: nothing
  w->PM_O->setChecked(true);
  At(10, 0, 5, 500);
  EXPECT_NE(imaging::WriteBmp24(w->ImageS.Picture), imaging::WriteBmp24(jump));
}

TEST_F(TickTest, DigitalTimeAndDate) {
  Open("", 0x03 | 0x08);  // style 2
  f.now = {2026, 12, 8, 7, 5, 9, 0};
  w->Timer1Timer();
  EXPECT_EQ(imaging::WriteBmp24(w->ImageTime.Picture), imaging::WriteBmp24(w->DrawDigitalText(2, "07:05:09")));
  EXPECT_EQ(imaging::WriteBmp24(w->ImageDate.Picture), imaging::WriteBmp24(w->DrawDigitalText(2, "08")));
}

TEST_F(TickTest, StillPictureTwiceRestartsTheClock) {
  Open("HourEnable=1\r\n");
  Run(10, 0, 0, 5);
  w->Timer1->start();
  EXPECT_EQ(Count("ring"), 3);
  w->FormKeyDown(Qt::Key_S);
  EXPECT_FALSE(w->Timer1->isActive());
  EXPECT_FALSE(w->TransparentColor);
  EXPECT_EQ(w->DecodedTime.Hour, 10);
  EXPECT_EQ(w->DecodedTime.Minute, 10);
  EXPECT_EQ(w->DecodedTime.Second, 35);
  EXPECT_EQ(imaging::WriteBmp24(w->ImageTime.Picture), imaging::WriteBmp24(w->DrawDigitalText(0, "10:10:35")));
  w->FormKeyDown(Qt::Key_S);
  EXPECT_TRUE(w->Timer1->isActive());
  EXPECT_TRUE(w->TransparentColor);
  Run(10, 0, 20, 30);  // minute 0 still running: the chime again
  EXPECT_EQ(Count("ring"), 6);
  EXPECT_EQ(Count("stop"), 2);  // every key silences the alarm sound
}

TEST_F(TickTest, StillPictureKeepsAJpegBackgroundsKeyOff) {
  imaging::Bitmap pic(100, 100);
  Open("", 0x03, {{"JPG", imaging::WriteJpeg(pic)}});
  EXPECT_FALSE(w->TransparentColor);
  w->Timer1->start();
  w->FormKeyDown(Qt::Key_S);
  w->FormKeyDown(Qt::Key_S);
  EXPECT_FALSE(w->TransparentColor);
}
