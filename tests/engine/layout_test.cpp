// The window's layout at start-up and the names taken from the program file.
#include <gtest/gtest.h>

#include <filesystem>

#include "clock_fixture.h"
#include "tests/scoped_env.h"

using clockfile::Section;

namespace {

struct Rect {
  int l, t, w, h;
};
Rect Of(const engine::TImage& i) { return {i.Left, i.Top, i.Width, i.Height}; }
bool operator==(const Rect& a, const Rect& b) { return a.l == b.l && a.t == b.t && a.w == b.w && a.h == b.h; }
std::ostream& operator<<(std::ostream& o, const Rect& r) {
  return o << "(" << r.l << "," << r.t << " " << r.w << "x" << r.h << ")";
}

}  // namespace

TEST(ClockLayout, SizesAndPlacesTheImages) {
  const struct {
    const char* name;
    int bgW, bgH, fgW, fgH;  // fgW 0: no frame
    uint8_t flags;
    int16_t timeDx;
    QSize client;
    Rect bg, hands;
    int centreX, centreY, timeLeft;
  } cases[] = {
      {"300 x 200, no frame", 300, 200, 0, 0, 0, 0, {300, 200}, {0, 0, 300, 200}, {50, 0, 200, 200}, 100, 100, 150},
      {"100 x 100 inside the empty frame image", 100, 100, 0, 0, 0, 0, {128, 128}, {14, 14, 100, 100}, {14, 14, 100, 100}, 50, 50, 64},
      {"301 x 201 in a 341 x 241 frame", 301, 201, 341, 241, 0, 0, {341, 241}, {20, 20, 301, 201}, {70, 20, 201, 201}, 100, 100, 170},
      {"width 203, time offset 30", 203, 100, 0, 0, 0, 30, {203, 128}, {0, 14, 203, 100}, {52, 14, 100, 100}, 50, 50, 72},
      {"elliptical hands", 300, 200, 0, 0, 0x40, 0, {300, 200}, {0, 0, 300, 200}, {0, 0, 300, 200}, 150, 100, 150},
      {"width 127 hands", 127, 127, 0, 0, 0, 0, {128, 128}, {0, 0, 127, 127}, {0, 0, 127, 127}, 64, 64, 64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fixture::ClockFixture f;
    f.WriteSettings(fixture::kNoSound);
    std::vector<Section> s = {{"BMP", fixture::SolidBmp(c.bgW, c.bgH, 0x00808080)},
                              {"OST", clockfile::OffsetData(c.timeDx, 0)}};
    if (c.fgW) s.push_back({"FG", fixture::SolidBmp(c.fgW, c.fgH, 0)});
    f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(), s, c.flags));
    auto w = f.Open();
    ASSERT_EQ(w->StartupError(), "");
    EXPECT_EQ(w->size(), c.client);
    EXPECT_EQ(Of(w->ImageBG), c.bg);
    EXPECT_EQ(Of(w->ImageH), c.hands);
    EXPECT_EQ(Of(w->ImageS), c.hands);
    EXPECT_EQ(w->HandCenterX, c.centreX);
    EXPECT_EQ(w->HandCenterY, c.centreY);
    EXPECT_EQ(w->ImageTime.Left, c.timeLeft);
  }
}

TEST(ClockLayout, FirstStartAtTheTopLeftAndSettingsNamedAfterTheProgram) {
  fixture::ClockFixture f;
  f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(), {{"CPY", clockfile::Text256("x")}}, 0), "Kitchen.exe");
  auto w = f.Open();
  EXPECT_EQ(w->WindowLeft, 0);
  EXPECT_EQ(w->WindowTop, 0);
  EXPECT_EQ(w->ClockSettingsFile, f.SettingsFolder() + "/Kitchen.ini");
  EXPECT_EQ(w->ClockName, "Kitchen");
  EXPECT_FALSE(w->PM_W->isVisible());  // no home page
  w->FormClose();
  EXPECT_NE(f.ReadSettings("Kitchen.ini").find("[CONFIG]"), std::string::npos);
}

TEST(ClockLayout, FirstStartOnAnAccountWithoutAConfigurationFolder) {
  // The configuration home and its parent do not exist yet: they are made,
  // and the clock starts as on any first start.
  fixture::ClockFixture f;
  const std::string home = f.dir.path().toStdString() + "/new/config";
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(), {{"BMP", fixture::SolidBmp(300, 200, 0)}}, 0));
  auto w = f.Open();
  EXPECT_TRUE(f.messages.empty());
  EXPECT_EQ(w->ClockSettingsFile, home + "/DoRedozs/TestClock.ini");
  EXPECT_EQ(w->width(), 300);
  w->FormClose();
  EXPECT_TRUE(std::filesystem::is_regular_file(w->ClockSettingsFile));
}

TEST(ClockLayout, ARelativeOrEmptyConfigurationHomeCountsAsUnset) {
  // The settings go to ~/.config, by an absolute path, start after start,
  // though the clock changes into its settings folder.
  fixture::ClockFixture f;
  const std::string root = f.dir.path().toStdString();
  const std::string cwd = std::filesystem::current_path().string();
  testenv::ScopedEnv home("HOME", root);
  for (const char* config : {"relcfg", ""}) {
    SCOPED_TRACE(config);
    testenv::ScopedEnv xdg("XDG_CONFIG_HOME", config);
    std::filesystem::current_path(root);
    for (int start = 0; start < 2; ++start) {
      f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(), {}, 0));
      auto w = f.Open();
      EXPECT_TRUE(f.messages.empty());
      EXPECT_EQ(w->ClockSettingsFile, root + "/.config/DoRedozs/TestClock.ini");
      w->FormClose();
    }
    EXPECT_TRUE(std::filesystem::is_regular_file(root + "/.config/DoRedozs/TestClock.ini"));
    EXPECT_FALSE(std::filesystem::exists(root + "/relcfg"));
  }
  std::filesystem::current_path(cwd);
}

TEST(ClockLayout, StartupErrorKeepsTheStepsBeforeIt) {
  // A sound index without a resource stops the start-up before the layout.
  fixture::ClockFixture f;
  f.WriteSettings("[ALARM]\r\nWAVE1=13\r\n");
  f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(), {{"BMP", fixture::SolidBmp(300, 200, 0)}}, 0x01));
  auto w = f.Open();
  EXPECT_EQ(w->StartupError(), "#113 リソースが見つかりません");
  EXPECT_EQ(w->StartupReached(), engine::TFormMain::StartupStep::Glyphs);
  EXPECT_EQ(w->size(), QSize(396, 272));  // the layout was not done
  // The tick draws neither the time (the glyphs are there, but no place for
  // it) nor the hands, and rings nothing. (LastSecond was never set to 99,
  // so second 0 would be skipped.)
  f.now = {2026, 12, 8, 10, 0, 1, 0};
  w->Timer1Timer();
  EXPECT_TRUE(w->ImageTime.Picture.Empty());
  EXPECT_TRUE(w->ImageS.Picture.Empty());
  EXPECT_TRUE(f.log.empty());
}
