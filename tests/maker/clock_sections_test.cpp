// The create-clock command section by section: every section and flag bit
// that the maker writes is read back by the engine, and the values the
// writer computes (offsets, scaled lengths, texts) come out as worked out by
// hand.
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <gtest/gtest.h>

#include <cstring>

#include "engine/clock_window.h"
#include "maker/clock_builder.h"
#include "clock_run.h"
#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;
using makertest::RunClock;
using makertest::SamePixels;
using makertest::Solid;
using makertest::Text;

// The data of the first section of a kind: from after its marker up to the
// next marker or the engine tag.
std::string SectionData(const std::string& file, const std::string& kind) {
  const maker::Bytes m = maker::SectionMarker(kind);
  const std::string marker(m.begin(), m.end());
  const size_t at = file.find(marker, makertest::kEngineSize);
  if (at == std::string::npos) return "";
  const size_t start = at + 16;
  size_t end = file.find("--DELIMIT-", start);
  if (end == std::string::npos) end = file.size() - 17;
  return file.substr(start, end - start);
}


// A frame or numeral ring: a dark ring on white.
imaging::Bitmap RingPicture() {
  imaging::Bitmap ring = Solid(64, 64, 0xFFFFFF);
  ring.GetCanvas().pen.Color = 0x202020;
  ring.GetCanvas().brush.Clear = true;
  ring.GetCanvas().Ellipse({2, 2, 62, 62});
  return ring;
}

TEST(ClockSections, EverySectionAndFlagIsReadBackByTheEngine) {
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"),
                       "[Hand0X]\r\nCP=0.07\r\nH0=0,0.5\r\nH1=0.25,0.125\r\n"
                       "M0=0,1\r\nM1=3.5,0.25\r\nM2=6,0.5\r\nS0=0.5,0.625\r\n");
  f.WriteBmp(f.Prog("FG/frame.bmp"), RingPicture());
  f.WriteBmp(f.Prog("HR/ring.bmp"), RingPicture());
  f.WriteBmp(f.root + "/pic.bmp", Solid(90, 70, 0x3080C0));
  maker::TFormMain& w = f.Open();
  w.LoadPictureFile(f.root + "/pic.bmp");
  w.PageControl2->SelectTab(1);
  w.StringGridFG->ClickRow(1);
  w.StringGridHR->ClickRow(1);
  w.RadioButtonMJ22->click();
  w.SpinEditFG->setValue(7);
  w.CheckBoxPP1->click();
  w.CheckBoxPP2->click();
  w.CheckBoxPP3->click();
  w.CheckBoxTime->click();
  w.CheckBoxDate->click();
  w.RadioButtonSL->click();  // large white: style 2
  w.PanelCol1->SetColor(0x00123456);
  w.PanelCol2->SetColor(0x00654321);
  w.EditCPY->setText(QStringLiteral("(c) A"));
  w.EditURL->setText(QStringLiteral("https://example.org/"));
  ASSERT_EQ(w.FrameMargin, 7);
  ASSERT_EQ(w.DigitalStyle, 2);
  const std::string clock = f.root + "/Documents/full.exe";
  f.ChooseFile(clock);
  w.MenuFCClick();
  ASSERT_TRUE(f.messages.empty());

  const std::string file = Text(makertest::ReadBytes(clock));
  // time, date, style 2, frame ellipse, ring ellipse, elliptical hands.
  EXPECT_EQ(uint8_t(file.back()), 0x01 | 0x02 | 0x08 | 0x10 | 0x20 | 0x40);
  EXPECT_EQ(SectionData(file, "PRTR"), std::string("\x07\x00", 2));
  EXPECT_EQ(SectionData(file, "CL1"), std::string("\x56\x34\x12\x00", 4));
  EXPECT_EQ(SectionData(file, "CL2"), std::string("\x21\x43\x65\x00", 4));

  auto c = RunClock(clock);
  ASSERT_EQ(c->StartupReached(), engine::TFormMain::StartupStep::Done) << c->StartupError();
  // Pictures: the frame exactly as the preview shows it; the dial at the
  // background's size.
  EXPECT_TRUE(SamePixels(c->ImageFG.Picture, w.ImageFG.Picture));
  EXPECT_EQ(c->ImageBG.Picture.Width(), w.ImageBG.Width);
  EXPECT_EQ(c->ImageBG.Picture.Height(), w.ImageBG.Height);
  EXPECT_TRUE(c->TransparentColor);
  EXPECT_EQ(c->HandColor, 0x00123456u);
  EXPECT_EQ(c->SecondHandColor, 0x00654321u);
  // Hands: whole polygons, lengths times 16 / 20, centre size unscaled.
  const engine::HandPolygon hour{{0, 0.4}, {0.25, 0.1}};
  const engine::HandPolygon minute{{0, 0.8}, {3.5, 0.2}, {6, 0.4}};
  const engine::HandPolygon second{{0.5, 0.5}};
  auto same = [](const engine::HandPolygon& a, const engine::HandPolygon& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i].Angle != b[i].Angle || a[i].Length != b[i].Length) return false;
    return true;
  };
  EXPECT_TRUE(same(c->HourPolygon, hour));
  EXPECT_TRUE(same(c->MinutePolygon, minute));
  EXPECT_TRUE(same(c->SecondPolygon, second));
  EXPECT_EQ(c->CenterSize, 0.07);
  // Displays.
  EXPECT_EQ(c->DateOffset.dx, w.ImageBG.Left + w.ImageBG.Width / 2 - w.ImageDate.Left);
  EXPECT_EQ(c->DateOffset.dy, w.ImageBG.Top + w.ImageBG.Height / 2 - w.ImageDate.Top);
  EXPECT_EQ(c->TimeOffset.dx, w.ImageBG.Left + w.ImageBG.Width / 2 - w.ImageTime.Left);
  EXPECT_EQ(c->TimeOffset.dy, w.ImageBG.Top + w.ImageBG.Height / 2 - w.ImageTime.Top);
  EXPECT_EQ(c->FrameMargin, 7);
  EXPECT_TRUE(c->ImageTime.Visible);
  EXPECT_TRUE(c->ImageDate.Visible);
  EXPECT_EQ(c->DigitalStyle, 2);
  EXPECT_EQ(c->ImageTime.Width, 62);
  EXPECT_EQ(c->ImageDate.Width, 18);
  EXPECT_TRUE(c->FrameEllipse);
  EXPECT_TRUE(c->RingEllipse);
  EXPECT_TRUE(c->EllipticalHands);
  EXPECT_EQ(c->CopyrightString(), "(c) A");
  EXPECT_EQ(c->HomePageString(), "https://example.org/");
}

TEST(ClockSections, WithoutAPictureTheRingAloneIsTheDial) {
  MakerFixture f;
  f.WriteBmp(f.Prog("HR/ring.bmp"), RingPicture());
  maker::TFormMain& w = f.Open();
  w.PageControl2->SelectTab(1);
  w.StringGridHR->ClickRow(1);
  const std::string clock = f.root + "/ring.exe";
  f.ChooseFile(clock);
  w.MenuFCClick();
  ASSERT_FALSE(w.ImageMJ1.Picture.Empty());
  const std::string file = Text(makertest::ReadBytes(clock));
  EXPECT_EQ(file.find("--DELIMIT-FG----"), std::string::npos);
  auto c = RunClock(clock);
  EXPECT_TRUE(SamePixels(c->ImageBG.Picture, w.ImageMJ1.Picture));
  // No flag set: nothing shown, small style, no ellipses.
  EXPECT_EQ(uint8_t(file.back()), 0);
}

TEST(ClockSections, DisplayOffsetsAreTakenFromTheImagesAsTheyStand) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  // Background 129 x 128 at (0, 0): centre (64, 64); date at (40, 85).
  w.ImageBG.Left = 0;
  w.ImageBG.Top = 0;
  w.ImageBG.Width = 129;
  w.ImageBG.Height = 128;
  w.ImageDate.Left = 40;
  w.ImageDate.Top = 85;
  w.ImageTime.Left = 70;
  w.ImageTime.Top = 60;
  w.ClockFileName = f.root + "/o.exe";
  w.WriteClockFile();
  const std::string file = Text(makertest::ReadBytes(w.ClockFileName));
  EXPECT_EQ(SectionData(file, "OSD"), std::string("\x18\x00\xEB\xFF", 4));  // 24, -21
  EXPECT_EQ(SectionData(file, "OST"), std::string("\xFA\xFF\x04\x00", 4));  // -6, 4
}

TEST(ClockSections, HandLengthsAreScaledInExtendedPrecision) {
  // 1.499 x 8 / 20: the extended product 0.5996 rounds to the double
  // 0.59960000000000013, one step above the double product.
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"), "[Hand0X]\r\nCP=0.05\r\nH0=0,1.499\r\n");
  maker::TFormMain& w = f.Open();
  w.TrackBar1->setValue(8);
  ASSERT_EQ(w.HandLengthFactor, 0.4);
  w.ClockFileName = f.root + "/x.exe";
  w.WriteClockFile();
  const std::string hr = SectionData(Text(makertest::ReadBytes(w.ClockFileName)), "HR");
  ASSERT_EQ(hr.size(), 16u);
  double length = 0;
  std::memcpy(&length, hr.data() + 8, 8);
  EXPECT_EQ(length, 0.59960000000000013);
  EXPECT_NE(length, 1.499 * 0.4);
}

TEST(ClockSections, TextsFillTheirBlockAndOnlyWebAddressesAreKept) {
  struct Case {
    const char* name;
    QString copyright, url;
    std::string cpy, urlData;  // expected block, "" = no section
  } cases[] = {
      {"255 bytes fill the block", QString(255, QChar('a')), QStringLiteral("HTTP://a"),
       "\xFF" + std::string(255, 'a'), "\x08" "HTTP://a"},
      {"blanks only give no section", QStringLiteral(" \t "), QStringLiteral("www.example.org"), "", ""},
      {"mixed-case scheme", QStringLiteral("x"), QStringLiteral("  hTtPs://b  "), "\x01" "x", "\x09" "hTtPs://b"},
  };
  for (const auto& k : cases) {
    MakerFixture f;
    maker::TFormMain& w = f.Open();
    w.EditCPY->setText(k.copyright);
    w.EditURL->setText(k.url);
    w.ClockFileName = f.root + "/t.exe";
    w.WriteClockFile();
    const std::string file = Text(makertest::ReadBytes(w.ClockFileName));
    const std::string cpy = SectionData(file, "CPY"), url = SectionData(file, "URL");
    if (k.cpy.empty()) {
      EXPECT_EQ(file.find("--DELIMIT-CPY---"), std::string::npos) << k.name;
    } else {
      ASSERT_EQ(cpy.size(), 256u) << k.name;
      EXPECT_EQ(cpy.substr(0, k.cpy.size()), k.cpy) << k.name;
    }
    if (k.urlData.empty()) {
      EXPECT_EQ(file.find("--DELIMIT-URL---"), std::string::npos) << k.name;
    } else {
      ASSERT_EQ(url.size(), 256u) << k.name;
      EXPECT_EQ(url.substr(0, k.urlData.size()), k.urlData) << k.name;
    }
  }
}

TEST(ClockSections, TheDesktopChoiceFollowsTheExactDesktopFolder) {
  MakerFixture f;
  QDir().mkpath(QString::fromStdString(f.root + "/desktop"));
  maker::TFormMain& w = f.Open();
  struct Case {
    std::string path;
    const char* expected;
  } cases[] = {{w.DesktopFolder + "/a.exe", " desktop off"},
               {f.root + "/desktop/b.exe", " desktop on"},  // other case: another folder
               {w.DesktopFolder + "/sub/c.exe", " desktop on"}};
  QDir().mkpath(QString::fromStdString(w.DesktopFolder + "/sub"));
  for (const auto& k : cases) {
    f.ChooseFile(k.path);
    w.MenuFCClick();
    EXPECT_EQ(f.log.back(), "shortcut " + k.path + k.expected);
  }
}

TEST(ClockSections, NoOtherFileBesideTheClockIsTouched) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  const std::string clock = f.root + "/keep.exe";
  for (const char* other : {"/keep.exe.part", "/keep.exe.tmp", "/keep.~_~"})
    makertest::WriteText(f.root + other, "the user's own");
  f.ChooseFile(clock);
  w.MenuFCClick();
  ASSERT_TRUE(f.messages.empty());
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(f.root))
    if (e.is_regular_file()) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"keep.exe", "keep.exe.part", "keep.exe.tmp", "keep.~_~"}));
  for (const char* other : {"/keep.exe.part", "/keep.exe.tmp", "/keep.~_~"})
    EXPECT_EQ(makertest::ReadBytes(f.root + other).size(), 14u) << other;
}

TEST(ClockSections, TheMakersOwnProgramFileIsNeverReplaced) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  const auto before = makertest::ReadBytes(f.program);
  f.ChooseFile(f.program);
  const size_t logged = f.log.size();
  w.MenuFCClick();
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "*** エラー !! ***");
  EXPECT_EQ(f.log.size(), logged);  // no shortcut dialog
  EXPECT_EQ(makertest::ReadBytes(f.program), before);
  // The next clock still gets the engine.
  f.ChooseFile(f.root + "/next.exe");
  w.MenuFCClick();
  const auto next = makertest::ReadBytes(f.root + "/next.exe");
  const auto engine = makertest::FakeEngine();
  ASSERT_GT(next.size(), engine.size());
  EXPECT_TRUE(std::equal(engine.begin(), engine.end(), next.begin()));
}

}  // namespace
