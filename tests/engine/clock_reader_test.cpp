// Reading clock data from the program file: section scan, overrides, short
// sections that read on, damaged and hostile files.
#include <gtest/gtest.h>

#include <cstring>

#include "clock_fixture.h"
#include "imaging/picture_io.h"

using clockfile::Bytes;
using clockfile::Section;
using fixture::ClockFixture;

namespace {

Bytes Build(const std::vector<Section>& sections, uint8_t flags = 0) {
  return clockfile::BuildClockFile(fixture::FakeEngine(), sections, flags);
}

std::vector<Section> MakerOrder() {
  return {{"BMP", fixture::SolidBmp(30, 20, 0x00112233)},
          {"FG", fixture::SolidBmp(40, 30, 0x00445566)},
          {"CL1", clockfile::ColourData(0x000000FF)},
          {"CL2", clockfile::ColourData(0x00FF0000)},
          {"HR", clockfile::PolygonData({{0, 0.5}, {1, 0.25}, {2, 0.125}})},
          {"MN", clockfile::PolygonData({{0, 0.75}, {3, 0.5}})},
          {"SC", clockfile::PolygonData({{0, 1}, {3.14, 0.5}})},
          {"CTR", clockfile::DoubleData(0.0625)},
          {"OSD", clockfile::OffsetData(-7, 8)},
          {"OST", clockfile::OffsetData(9, -10)},
          {"PRTR", clockfile::Int16Data(5)},
          {"CPY", clockfile::Text256("(c) Test")},
          {"URL", clockfile::Text256("http://example.invalid/")}};
}

void ExpectMakerFields(const engine::TFormMain& w) {
  EXPECT_EQ(w.ImageBG.Picture.Width(), 30);
  EXPECT_EQ(w.ImageBG.Picture.PixelColour(0, 0), 0x00112233u);
  EXPECT_EQ(w.ImageFG.Picture.Width(), 40);
  EXPECT_EQ(w.HandColor, 0x000000FFu);
  EXPECT_EQ(w.SecondHandColor, 0x00FF0000u);
  ASSERT_EQ(w.HourPolygon.size(), 3u);
  EXPECT_EQ(w.HourPolygon[2].Angle, 2.0);
  EXPECT_EQ(w.HourPolygon[2].Length, 0.125);
  EXPECT_EQ(w.MinutePolygon.size(), 2u);
  EXPECT_EQ(w.SecondPolygon.size(), 2u);
  EXPECT_EQ(w.CenterSize, 0.0625);
  EXPECT_EQ(w.DateOffset.dx, -7);
  EXPECT_EQ(w.DateOffset.dy, 8);
  EXPECT_EQ(w.TimeOffset.dx, 9);
  EXPECT_EQ(w.TimeOffset.dy, -10);
  EXPECT_EQ(w.FrameMargin, 5);
  EXPECT_EQ(w.CopyrightString(), "(c) Test");
  EXPECT_EQ(w.HomePageString(), "http://example.invalid/");
}

}  // namespace

TEST(ClockReader, ReadsEverySectionInAnyOrderAndTheLastOfAKindWins) {
  {
    ClockFixture f;
    f.WriteSettings(fixture::kNoSound);
    f.WriteClock(Build(MakerOrder(), 0x03));
    auto w = f.Open();
    EXPECT_EQ(w->StartupError(), "");
    ExpectMakerFields(*w);
    EXPECT_TRUE(w->ImageBG.Transparent);
    EXPECT_TRUE(w->TransparentColor);
    EXPECT_TRUE(w->PM_W->isVisible());
  }
  {
    ClockFixture f;
    f.WriteSettings(fixture::kNoSound);
    auto sections = MakerOrder();
    std::reverse(sections.begin(), sections.end());
    // Earlier sections of a kind are overridden by the later ones.
    sections.insert(sections.begin(), {"CL1", clockfile::ColourData(0x00ABCDEF)});
    sections.insert(sections.begin(), {"HR", clockfile::PolygonData({{9, 9}})});
    f.WriteClock(Build(sections));
    auto w = f.Open();
    ExpectMakerFields(*w);
  }
}

TEST(ClockReader, JpegBackgroundSwitchesTheColourKeyOffAndBmpAfterItOn) {
  imaging::Bitmap pic(16, 8);
  const Bytes jpeg = imaging::WriteJpeg(pic);
  const Bytes bmp = fixture::SolidBmp(10, 10, 0);
  struct Case {
    std::vector<Section> sections;
    bool transparent;
    int width;
  } cases[] = {
      {{{"BMP", bmp}, {"JPG", jpeg}}, false, 16},
      {{{"JPG", jpeg}, {"BMP", bmp}}, true, 10},
  };
  for (const auto& c : cases) {
    ClockFixture f;
    f.WriteSettings(fixture::kNoSound);
    f.WriteClock(Build(c.sections));
    auto w = f.Open();
    EXPECT_EQ(w->StartupError(), "");
    EXPECT_EQ(w->ImageBG.Transparent, c.transparent);
    EXPECT_EQ(w->TransparentColor, c.transparent);
    EXPECT_EQ(w->ImageBG.Width, c.width);
  }
}

TEST(ClockReader, ShortSectionsReadOnIntoTheFollowingBytes) {
  ClockFixture f;
  f.WriteSettings(fixture::kNoSound);
  Bytes hr40 = clockfile::PolygonData({{1, 2}, {3, 4}});
  hr40.resize(40, 0xEE);  // two points and 8 stray bytes
  Bytes cpy = {200, 'a', 'b'};  // the length byte claims more than the section holds
  f.WriteClock(Build({{"HR", hr40},
                      {"MN", Bytes(15, 1)},
                      {"CTR", {1, 2, 3}},
                      {"CL1", clockfile::ColourData(0x00010203)},
                      {"CPY", cpy}}));
  auto w = f.Open();
  ASSERT_EQ(w->HourPolygon.size(), 2u);
  EXPECT_EQ(w->HourPolygon[1].Length, 4.0);
  EXPECT_TRUE(w->MinutePolygon.empty());
  // CenterSize from the 3 bytes and the first 5 bytes of the next marker.
  uint8_t expect[8] = {1, 2, 3, '-', '-', 'D', 'E', 'L'};
  double d;
  std::memcpy(&d, expect, 8);
  EXPECT_EQ(std::memcmp(&w->CenterSize, &d, 8), 0);
  // The copyright text runs on into the trailer, 200 bytes at most.
  const std::string text = w->CopyrightString();
  EXPECT_EQ(text.size(), 200u);
  EXPECT_EQ(text.substr(0, 2), "ab");
  EXPECT_NE(text.find("Rundavel"), std::string::npos);
}

TEST(ClockReader, UnknownMarkersAndMarkersInsidePictureDataEndASection) {
  {
    ClockFixture f;
    f.WriteSettings(fixture::kNoSound);
    Bytes hr = clockfile::PolygonData({{1, 1}, {2, 2}});
    // An unknown kind ends the HR data after its first point.
    Bytes cut(hr.begin(), hr.begin() + 16);
    Bytes rest(hr.begin() + 16, hr.end());
    f.WriteClock(Build({{"HR", fixture::Concat({cut, clockfile::Marker("ZZZ"), rest})}}));
    auto w = f.Open();
    EXPECT_EQ(w->HourPolygon.size(), 1u);
  }
  {
    ClockFixture f;
    f.WriteSettings(fixture::kNoSound);
    Bytes bmp = fixture::SolidBmp(20, 20, 0x00808080);
    const char m[] = "--DELIMIT-";
    std::memcpy(bmp.data() + 100, m, 10);
    f.WriteClock(Build({{"FG", bmp}, {"CL1", clockfile::ColourData(0x000000FF)}}));
    auto w = f.Open();
    // The cut picture no longer decodes; the start-up stops at the reader.
    EXPECT_EQ(w->StartupError(), "ビットマップイメージが不正です");
    EXPECT_EQ(w->StartupReached(), engine::TFormMain::StartupStep::Settings);
  }
}

TEST(ClockReader, FlagsByteSetsDisplaysAndStyle) {
  ClockFixture f;
  f.WriteSettings(fixture::kNoSound);
  f.WriteClock(Build({}, 0x4D));
  auto w = f.Open();
  EXPECT_TRUE(w->ImageTime.Visible);
  EXPECT_FALSE(w->ImageDate.Visible);
  EXPECT_EQ(w->DigitalStyle, 3);
  EXPECT_EQ(w->ImageTime.Width, 62);
  EXPECT_EQ(w->ImageTime.Height, 13);
  EXPECT_EQ(w->ImageDate.Width, 18);
  EXPECT_EQ(w->ImageDate.Height, 13);
  EXPECT_TRUE(w->EllipticalHands);
  // Without colour sections both colours are black; no polygons, no hands.
  EXPECT_EQ(w->HandColor, 0u);
  EXPECT_EQ(w->SecondHandColor, 0u);
  EXPECT_TRUE(w->HourPolygon.empty());
}

TEST(ClockReader, BareEngineReportsTheConversionErrorAndRunsOn) {
  ClockFixture f;
  f.WriteSettings(fixture::kNoSound);
  f.WriteClock(fixture::FakeEngine());
  auto w = f.Open();
  EXPECT_EQ(w->StartupError(), "'' は整数ではありません");
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].caption, "Dravenna");
  EXPECT_EQ(f.messages[0].text, "'' は整数ではありません.");
  EXPECT_EQ(f.messages[0].type, platform::MsgType::Error);
  EXPECT_FALSE(w->ImageTime.Visible);
  EXPECT_FALSE(w->ImageDate.Visible);
  EXPECT_EQ(w->DigitalStyle, 0);
  EXPECT_EQ(w->StartupReached(), engine::TFormMain::StartupStep::Settings);
  // The tick of a clock without its data draws nothing and rings nothing.
  w->Timer1Timer();
  EXPECT_TRUE(f.log.empty());
  EXPECT_TRUE(w->ImageS.Picture.Empty());
}

TEST(ClockReader, DamagedAndHostileFilesNeverReadOutsideTheFile) {
  const Bytes engine = fixture::FakeEngine(64);
  auto withTag = [&](const std::string& digits, const Bytes& body, uint8_t flags) {
    Bytes out = engine;
    out.insert(out.end(), body.begin(), body.end());
    out.insert(out.end(), digits.begin(), digits.end());
    const std::string tag = "Rundavel";
    out.insert(out.end(), tag.begin(), tag.end());
    out.push_back(flags);
    return out;
  };
  Bytes hugeBmp = fixture::SolidBmp(4, 4, 0);
  // 100000 x 100000 pixels claimed in a tiny file.
  const uint32_t big = 100000;
  std::memcpy(hugeBmp.data() + 18, &big, 4);
  std::memcpy(hugeBmp.data() + 22, &big, 4);
  struct Case {
    const char* name;
    Bytes file;
    std::string error;
  } cases[] = {
      {"empty file", {}, "'' は整数ではありません"},
      {"shorter than the trailer", Bytes{'1', '2'}, "'' は整数ではありません"},
      {"offset past the end", withTag("99999999", clockfile::Marker("CL1"), 0), ""},
      {"negative offset", withTag("-0000001", clockfile::Marker("CL1"), 0), ""},
      {"not a number", withTag("12ab5678", {}, 0), "'12ab5678' は整数ではありません"},
      // The marker's last byte is the tag's first digit: a section of
      // negative length.
      {"marker overlapping the trailer", fixture::Concat({engine, clockfile::Marker("ABCDE0"), Bytes{'0', '0', '0', '0', '0', '6', '4'}, Bytes{'R', 'u', 'n', 'd', 'a', 'v', 'e', 'l', 0}}), ""},
      {"picture with an absurd size", clockfile::BuildClockFile(engine, {{"BMP", hugeBmp}}, 0), "ビットマップイメージが不正です"},
      {"flags with bit 7", clockfile::BuildClockFile(engine, {{"CL1", clockfile::ColourData(1)}}, 0xFF), ""},
      {"truncated picture", [&] {
         Bytes b = clockfile::BuildClockFile(engine, {{"BMP", fixture::SolidBmp(50, 50, 0)}}, 0);
         b.erase(b.begin() + 64 + 16 + 500, b.end() - 17);
         return b;
       }(),
       "ビットマップイメージが不正です"},
      {"empty picture section", clockfile::BuildClockFile(engine, {{"JPG", {}}}, 0), "JPEG"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ClockFixture f;
    f.WriteSettings(fixture::kNoSound);
    f.WriteClock(c.file);
    auto w = f.Open();
    if (c.error.empty())
      EXPECT_EQ(w->StartupError(), "");
    else
      EXPECT_NE(w->StartupError().find(c.error), std::string::npos) << w->StartupError();
  }
}

TEST(ClockData, DecodesFromTheFileBytesAloneAndKeepsWhatCameBeforeAnError) {
  const Bytes file = Build(MakerOrder(), 0x4D);
  engine::ClockData d;
  engine::DecodeClockData(file.data(), file.size(), d);
  EXPECT_EQ(d.Flags, 0x4D);
  ASSERT_TRUE(d.HasBackground);
  EXPECT_FALSE(d.BackgroundIsJpeg);
  EXPECT_EQ(d.Background.GetPixelFormat(), imaging::PixelFormat::pf24bit);
  EXPECT_EQ(d.Background.PixelColour(0, 0), 0x00112233u);
  ASSERT_TRUE(d.HasFrame);
  EXPECT_EQ(d.Frame.Width(), 40);
  EXPECT_TRUE(d.HandColorRead && d.SecondHandColorRead);
  EXPECT_EQ(d.HandColor, 0x000000FFu);
  ASSERT_EQ(d.HourPolygon.size(), 3u);
  EXPECT_EQ(d.CenterSize, 0.0625);
  EXPECT_EQ(d.TimeOffset.dy, -10);
  EXPECT_EQ(d.CopyrightText[0], 8);

  // A bad picture after the colours: the colours and the flags are there.
  engine::ClockData partial;
  const Bytes bad = Build({{"CL1", clockfile::ColourData(0x00ABCDEF)}, {"BMP", Bytes(10, 'x')}}, 0x03);
  EXPECT_THROW(engine::DecodeClockData(bad.data(), bad.size(), partial), imaging::PictureError);
  EXPECT_EQ(partial.Flags, 0x03);
  EXPECT_EQ(partial.HandColor, 0x00ABCDEFu);
  EXPECT_FALSE(partial.HasBackground);

  engine::ClockData none;
  EXPECT_THROW(engine::DecodeClockData(nullptr, 0, none), std::runtime_error);
}
