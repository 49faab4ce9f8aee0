// The 100 ms tick that keeps the clock going.
#include <QTimer>

#include <cstdio>

#include "engine/clock_window.h"

namespace engine {

void TFormMain::Timer1Timer() {
  DecodedTime = env_.Now();
  const DecodedTimeT& t = DecodedTime;
  // A start-up that failed before the layout has no hand images to draw on.
  const bool canDraw = startupReached_ >= StartupStep::Layout;

  if (PM_O->isChecked()) {
    if (canDraw) DrawSecondHand(t.Second + t.Millisecond / 1000.0);
    if (t.Second == LastSecond) return;
  } else {
    if (t.Second == LastSecond) return;
    if (canDraw) DrawSecondHand(t.Second, true);
  }

  const long double q = MinutePosition(t.Minute, t.Second);
  LastSecond = t.Second;

  // The displays are drawn only where the layout has placed them.
  if (canDraw) {
    ShowTime(t.Hour, t.Minute, t.Second);
    if (ImageDate.Visible && t.Day != LastDay) {
      LastDay = t.Day;
      char buf[16];
      std::snprintf(buf, sizeof buf, "%2.2d", t.Day);
      ImageDate.Picture = DrawDigitalText(DigitalStyle, buf);
      InvalidateImage(ImageDate);
    }
  }

  if (canDraw && q != LastMinutePosition) {
    DrawHourHand(double(Hour12(t.Hour) + q / 60.0L));
    DrawMinuteHand(double(q));
    LastMinutePosition = q;
  }

  // Without settings there is nothing to synchronise or ring.
  if (startupReached_ < StartupStep::Settings) return;

  if (PM_N->isChecked() && NtpSyncedThisHour == 0 && t.Second == 0 && (t.Minute >= 57 || NtpSyncRequested != 0) &&
      NtpSyncRunning == 0) {
    HandOffs().StartNtpSync();
    NtpSyncRequested = 0;
  } else if (NtpSyncedThisHour != 0 && t.Minute < 57) {
    NtpSyncedThisHour = 0;
  }

  if (t.Hour != LastHour) {
    ChimeCount = HourJihou ? Hour12(t.Hour) : 3;
    LastHour = t.Hour;
  } else if (t.Minute == 30 && t.Second == 0) {
    ChimeCount = 1;
  }

  // A start-up that stopped before the sound was loaded does not ring.
  if (startupReached_ < StartupStep::Sound) return;

  const bool alarmMinute = HHMMEnable && t.Hour == AlarmHour && t.Minute == AlarmMinute;
  if (alarmMinute) {
    if (AlarmArmed != 0 && AlarmBusy == 0) {
      StartOneRing();
      if (!AlarmMessage.empty() && !HandOffs().MessageWindowAlive()) HandOffs().ShowAlarmMessage();
    }
    return;
  }
  bool minuteAfter = false;
  if (HHMMEnable) {
    if (AlarmMinute <= 58)
      minuteAfter = t.Hour == AlarmHour && t.Minute == AlarmMinute + 1;
    else
      minuteAfter = t.Minute == 0 && t.Hour == (AlarmHour + 1) % 24;
  }
  if (HourEnable && t.Minute == 0 && ChimeCount > 0) {
    if (AlarmBusy == 0) {
      StartOneRing();
      --ChimeCount;
    }
  } else if (HalfEnable && t.Minute == 30 && ChimeCount > 0) {
    if (AlarmBusy == 0) {
      StartOneRing();
      --ChimeCount;
    }
  } else if (minuteAfter) {
    HandOffs().StopAlarmSound();
    AlarmArmed = 0;
  } else {
    AlarmArmed = 1;
  }
}

}  // namespace engine
