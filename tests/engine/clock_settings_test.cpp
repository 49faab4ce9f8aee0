// The clock's settings file: defaults, clamping, encodings, what each writer
// writes, and files that do not parse.
#include <QAction>
#include <QCoreApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include <fstream>
#include <utility>
#include <vector>

#include "clock_fixture.h"
#include "platform/ini.h"
#include "platform/replace_file.h"

namespace {

std::unique_ptr<engine::TFormMain> OpenWith(fixture::ClockFixture& f, const std::string& settings) {
  if (!settings.empty()) f.WriteSettings(settings);
  f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(), {}, 0));
  return f.Open();
}

}  // namespace

TEST(ClockSettings, DefaultsWithoutAFile) {
  fixture::ClockFixture f;
  auto w = OpenWith(f, "");
  EXPECT_EQ(w->WindowLeft, 0);
  EXPECT_EQ(w->WindowTop, 0);
  EXPECT_FALSE(w->PM_A->isChecked());
  EXPECT_FALSE(w->PM_T->isChecked());
  EXPECT_FALSE(w->PM_N->isChecked());
  EXPECT_EQ(w->AlphaBlendValue, 128);
  EXPECT_EQ(w->NtpResult(), "OFF");
  EXPECT_FALSE(w->HourEnable || w->HalfEnable || w->HourJihou || w->HHMMEnable);
  EXPECT_EQ(w->AlarmHour, 12);
  EXPECT_EQ(w->AlarmMinute, 0);
  EXPECT_EQ(w->AlarmMessage, "");
  EXPECT_EQ(w->AlarmSoundIndex, 1);
  for (const auto& h : w->NtpHosts) EXPECT_EQ(h, "");
  EXPECT_EQ(f.ReadSettings(), "");  // nothing written before a change
}

TEST(ClockSettings, ValuesAsReadAndClamped) {
  const struct {
    const char* file;
    int blend, hour, minute, wave;
    double opacity;
  } cases[] = {
      {"[CONFIG]\r\nBlendValue=300\r\nTransparent=1\r\n[ALARM]\r\nWAVE1=0\r\n", 255, 12, 0, 0, 1.0},
      {"[CONFIG]\r\nBlendValue=-5\r\n[ALARM]\r\nWAVE1=0\r\n", 0, 12, 0, 0, 1.0},
      {"[CONFIG]\r\nTransparent=1\r\n[ALARM]\r\nHour=0x0A\r\nMin=abc\r\nWAVE1=0X0\r\n", 128, 10, 0, 0, 128 / 255.0},
      {"[config]\r\nblendvalue= 64 \r\ntransparent=0\r\n[alarm]\r\nhour=letters\r\nmin=-3\r\nwave1=0\r\n", 64, 12, -3, 0, 1.0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    fixture::ClockFixture f;
    auto w = OpenWith(f, c.file);
    EXPECT_EQ(w->AlphaBlendValue, c.blend);
    EXPECT_EQ(w->AlarmHour, c.hour);
    EXPECT_EQ(w->AlarmMinute, c.minute);
    EXPECT_EQ(w->AlarmSoundIndex, c.wave);
    EXPECT_NEAR(w->windowOpacity(), c.opacity, 0.01);
  }
}

TEST(ClockSettings, CloseWritesConfigInKeyOrderAndNeverAlarm) {
  fixture::ClockFixture f;
  auto w = OpenWith(f, "[ALARM]\r\nWAVE1=0\r\nHour=7\r\n[CONFIG]\r\nBlendValue=999\r\nNTP_Active=1\r\n"
                       "NTP_Host3=ntp.example\r\nNTP_Result=Adjusted long ago\r\n");
  EXPECT_EQ(w->NtpResult(), "ON");
  w->HourEnable = true;  // changed in memory only
  w->FormClose();
  const std::string expected =
      "[ALARM]\r\nWAVE1=0\r\nHour=7\r\n[CONFIG]\r\nBlendValue=255\r\nNTP_Active=1\r\nNTP_Host3=ntp.example\r\n"
      "NTP_Result=ON\r\nLeft=0\r\nTop=0\r\nTransparent=0\r\nStay_on_Top=0\r\nNTP_Host0=\r\nNTP_Host1=\r\n"
      "NTP_Host2=\r\nNTP_Host4=\r\nNTP_Host5=\r\nNTP_Host6=\r\nNTP_Host7=\r\nNTP_Host8=\r\nNTP_Host9=\r\n";
  EXPECT_EQ(f.ReadSettings(), expected);
}

TEST(ClockSettings, EachSaveRewritesTheFileOnceWithTheSameBytesAsKeyByKey) {
  const std::string start = "[ALARM]\r\nWAVE1=0\r\nHour=7\r\n\r\n[config]\r\n; note\r\nTop=5\r\n\r\n";
  fixture::ClockFixture f;
  auto w = OpenWith(f, start);
  w->WindowLeft = -20;
  w->NtpHosts[2] = "ntp.example";
  w->SetNtpResult("同期しました");
  w->AlarmMessage = "起きて";
  // The same keys written one call each, as the programs once did.
  const std::string oneByOne = f.SettingsFolder() + "/one_by_one.ini";
  {
    std::ofstream(oneByOne, std::ios::binary) << start;
    platform::IniFile ini(oneByOne);
    for (const auto& [k, v] : std::vector<std::pair<std::string, std::string>>{
             {"Left", "-20"}, {"Top", "5"}, {"Transparent", "0"}, {"Stay_on_Top", "0"}, {"BlendValue", "128"},
             {"NTP_Active", "0"}, {"NTP_Host0", ""}, {"NTP_Host1", ""}, {"NTP_Host2", "ntp.example"},
             {"NTP_Host3", ""}, {"NTP_Host4", ""}, {"NTP_Host5", ""}, {"NTP_Host6", ""}, {"NTP_Host7", ""},
             {"NTP_Host8", ""}, {"NTP_Host9", ""}, {"NTP_Result", "同期しました"}})
      ini.WriteString("CONFIG", k, v);
    for (const auto& [k, v] : std::vector<std::pair<std::string, std::string>>{
             {"HourEnable", "0"}, {"HalfEnable", "0"}, {"HHMMEnable", "0"}, {"HourJihou", "0"}, {"Hour", "12"},
             {"Min", "0"}, {"Message", "起きて"}, {"WAVE1", "0"}})
      ini.WriteString("ALARM", k, v);
  }
  int renames = 0;
  const auto previous = platform::SetFileStepHook([&](platform::FileStep s) {
    renames += s == platform::FileStep::Rename;
    return true;
  });
  w->AlarmHour = 12;
  w->AlarmSoundIndex = 0;
  w->SaveClockConfig();
  EXPECT_EQ(renames, 1) << "one scratch file and one rename for the whole section";
  w->SaveAlarmSettings();
  EXPECT_EQ(renames, 2);
  platform::SetFileStepHook(previous);
  EXPECT_EQ(f.ReadSettings(), f.ReadSettings("one_by_one.ini"));
}

TEST(ClockSettings, AlarmWriterWritesItsSectionWhole) {
  fixture::ClockFixture f;
  auto w = OpenWith(f, fixture::kNoSound);
  w->HourEnable = true;
  w->AlarmHour = 6;
  w->AlarmMinute = 45;
  w->AlarmMessage = "起きて";
  w->SaveAlarmSettings();
  const platform::IniFile ini(w->ClockSettingsFile);
  EXPECT_EQ(ini.ReadString("ALARM", "Message", ""), "起きて");
  EXPECT_EQ(ini.ReadInteger("ALARM", "Min", 0), 45);
  EXPECT_EQ(ini.ReadString("ALARM", "HourEnable", ""), "1");
  EXPECT_EQ(ini.ReadString("CONFIG", "Left", "none"), "none");
  // Shift-JIS on disk.
  EXPECT_NE(f.ReadSettings().find(platform::Utf8ToSjis("起きて")), std::string::npos);
}

TEST(ClockSettings, DragAndCommandsReachTheFile) {
  fixture::ClockFixture f;
  auto w = OpenWith(f, std::string(fixture::kNoSound) + "[CONFIG]\r\nTransparent=1\r\n");
  w->FormMouseDown(Qt::LeftButton, 10, 10);
  EXPECT_NEAR(w->windowOpacity(), 1.0, 0.01);  // opaque while it moves
  w->FormMouseMove(30, 15);
  w->FormMouseUp(35, 20);
  EXPECT_NEAR(w->windowOpacity(), 128 / 255.0, 0.01);
  const platform::IniFile ini(w->ClockSettingsFile);
  EXPECT_EQ(ini.ReadInteger("CONFIG", "Left", -1), 45);
  EXPECT_EQ(ini.ReadInteger("CONFIG", "Top", -1), 15);
  // Centre and stay-on-top reach the file with the next write.
  w->resize(301, 201);
  w->PM_CClick();
  w->PM_TClick();
  EXPECT_EQ(ini.ReadInteger("CONFIG", "Left", -1), 45);
  w->PM_XClick();
  EXPECT_EQ(ini.ReadInteger("CONFIG", "Left", -1), 361);
  EXPECT_EQ(ini.ReadInteger("CONFIG", "Top", -1), 283);
  EXPECT_TRUE(ini.ReadBool("CONFIG", "Stay_on_Top", false));
}

TEST(ClockSettings, GarbageLongLinesAndNoLineEndsReadAsDefaults) {
  const std::string longLine(100000, 'x');
  const std::string cases[] = {
      std::string("\x01\x02garbage\xFF\xFE[CONFIG\r\n=\r\n==\r\n[ALARM]Hour=5", 34),
      "[CONFIG]\r\nLeft=" + longLine + "\r\nTop=" + longLine + "5\r\n[ALARM]\r\nMessage=" + longLine + "\r\nWAVE1=0",
      "[CONFIG] Left=5 Top=7 [ALARM] WAVE1=0",
  };
  for (const auto& c : cases) {
    fixture::ClockFixture f;
    auto w = OpenWith(f, c);
    EXPECT_EQ(w->WindowLeft, 0);
    EXPECT_EQ(w->WindowTop, 0);
    EXPECT_EQ(w->AlarmHour, 12);
    EXPECT_LE(w->AlarmMessage.size(), 2047u);
  }
}

TEST(ClockSettings, WriteFailureNamesTheFile) {
  fixture::ClockFixture f;
  auto w = OpenWith(f, fixture::kNoSound);
  w->ClockSettingsFile = f.dir.path().toStdString() + "/missing-folder/x.ini";
  try {
    w->SaveClockConfig();
    FAIL() << "no error";
  } catch (const platform::IniFileError& e) {
    EXPECT_EQ(std::string(e.what()), w->ClockSettingsFile + " に書き込めません");
  }
}

TEST(ClockSettings, ARefusedWriteFromTheMenuOrADragIsShownAndTheClockRunsOn) {
  fixture::ClockFixture f;
  auto w = OpenWith(f, fixture::kNoSound);
  // A folder where the settings file should be: every write is refused.
  w->ClockSettingsFile = f.SettingsFolder();
  const std::string refused = w->ClockSettingsFile + " に書き込めません.";

  w->PM_A->trigger();
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, refused);
  EXPECT_EQ(f.messages[0].type, platform::MsgType::Error);
  EXPECT_TRUE(w->PM_A->isChecked());

  // A drag with the real mouse events: its end writes the settings.
  w->resize(100, 100);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 10), w->mapToGlobal(QPointF(10, 10)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w.get(), &press);
  ASSERT_TRUE(w->Dragging);
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(30, 20), w->mapToGlobal(QPointF(30, 20)), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(w.get(), &release);
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[1].text, refused);
  EXPECT_FALSE(w->Dragging);
}

TEST(ClockSettings, ClosingTheWindowWritesTheSettingsAndAnnouncesTheEndOfTheProgram) {
  // The exit command and a close by the desktop both end the program; the
  // clock window is a tool window, whose closing alone ends no event loop.
  for (const bool byMenu : {true, false}) {
    fixture::ClockFixture f;
    auto w = OpenWith(f, fixture::kNoSound);
    int closed = 0;
    QObject::connect(w.get(), &engine::TFormMain::Closed, [&] {
      ++closed;
      EXPECT_NE(f.ReadSettings().find("[CONFIG]"), std::string::npos);
    });
    w->show();
    if (byMenu)
      w->PM_X->trigger();
    else
      w->close();
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(w->isVisible());
  }
}
