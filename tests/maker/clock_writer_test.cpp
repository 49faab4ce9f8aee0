// The create-clock command, read back by the engine, and the movement update.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>

#include "engine/clock_window.h"
#include "maker/clock_builder.h"
#include "clock_run.h"
#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;
using makertest::RunClock;
using makertest::Solid;
using makertest::Text;

TEST(ClockWriter, TheEngineReadsBackWhatTheMakerWrote) {
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"),
                       "[Hand0X]\r\nCP=0.05\r\nH0=0,0.5\r\nH1=0.3,0.25\r\nM0=0,1\r\nS0=0.1,0.9\r\n"
                       "[Hand1X]\r\nCP=0.2\r\nH0=0,0.1\r\n");
  // A frame and a numeral ring: a black ring on white.
  imaging::Bitmap ring = Solid(64, 64, 0xFFFFFF);
  ring.GetCanvas().pen.Color = 0x202020;
  ring.GetCanvas().brush.Clear = true;
  ring.GetCanvas().Ellipse({2, 2, 62, 62});
  f.WriteBmp(f.Prog("FG/frame.bmp"), ring);
  f.WriteBmp(f.Prog("HR/ring.bmp"), ring);
  f.WriteBmp(f.root + "/pic.bmp", Solid(100, 80, 0x3080C0));
  maker::TFormMain& w = f.Open();
  w.LoadPictureFile(f.root + "/pic.bmp");
  w.PageControl2->SelectTab(1);
  w.StringGridFG->ClickRow(1);
  w.StringGridHR->ClickRow(1);
  w.RadioButtonMJ21->click();
  w.CheckBoxTime->click();
  w.RadioButtonSL->click();
  w.RadioButtonCB->click();
  w.CheckBoxPP3->click();
  w.EditCPY->setText(QString::fromUtf8("  (c) 時計 "));
  w.EditURL->setText(QStringLiteral(" HtTp://example.org/ "));
  const std::string clock = w.DesktopFolder + "/Clock.exe";
  f.ChooseFile(clock);
  w.MenuFCClick();
  EXPECT_EQ(f.log.back(), "shortcut " + clock + " desktop off");
  EXPECT_EQ(w.SavePictureDialog1.FileName, w.DesktopFolder + "/Clock.bmp");
  EXPECT_TRUE(f.messages.empty());

  const std::vector<uint8_t> bytes = makertest::ReadBytes(clock);
  ASSERT_GT(bytes.size(), makertest::kEngineSize + 17);
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + makertest::kEngineSize, makertest::FakeEngine().begin()));
  EXPECT_EQ(Text(bytes).substr(bytes.size() - 17, 16), "00841216Rundavel");
  EXPECT_EQ(bytes.back(), maker::ClockFlags(true, false, 3, false, false, true));
  struct stat st {};
  ASSERT_EQ(stat(clock.c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);

  auto c = RunClock(clock);
  EXPECT_EQ(c->StartupReached(), engine::TFormMain::StartupStep::Done) << c->StartupError();
  ASSERT_EQ(c->HourPolygon.size(), 2u);
  EXPECT_DOUBLE_EQ(c->HourPolygon[0].Length, 0.5 * 0.8);
  EXPECT_DOUBLE_EQ(c->HourPolygon[1].Angle, 0.3);
  EXPECT_DOUBLE_EQ(c->CenterSize, 0.05);
  EXPECT_EQ(c->HandColor, 0x0000FFu);
  EXPECT_EQ(c->SecondHandColor, 0xFF0000u);
  EXPECT_EQ(c->ImageBG.Picture.Width(), w.ImageBG.Width);
  EXPECT_EQ(c->ImageBG.Picture.Height(), w.ImageBG.Height);
  EXPECT_EQ(c->ImageFG.Picture.Width(), w.ImageFG.Width);
  EXPECT_EQ(c->CopyrightString(), "(c) 時計");
  EXPECT_EQ(c->HomePageString(), "HtTp://example.org/");
  EXPECT_EQ(c->DigitalStyle, 3);
  EXPECT_TRUE(c->EllipticalHands);
  EXPECT_EQ(c->TimeOffset.dx, w.ImageBG.Left + w.ImageBG.Width / 2 - w.ImageTime.Left);
  EXPECT_EQ(c->TimeOffset.dy, w.ImageBG.Top + w.ImageBG.Height / 2 - w.ImageTime.Top);
  EXPECT_TRUE(c->ImageTime.Visible);
  EXPECT_FALSE(c->ImageDate.Visible);
  // The working slot holds the written set; the preview's set is untouched.
  EXPECT_DOUBLE_EQ(w.HandSets.Hour[0][0].Length, 0.4);
  EXPECT_DOUBLE_EQ(w.HandSets.Hour[1][0].Length, 0.5);
}

TEST(ClockWriter, WithoutPictureOrHandsTheNumeralsAloneMakeTheDial) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  w.PageControl2->SelectTab(1);
  w.RadioButtonMJ2D->click();
  w.EditURL->setText(QStringLiteral("www.example.org"));
  w.EditCPY->setText(QStringLiteral("   "));
  const std::string clock = f.root + "/Documents/c.exe";
  f.ChooseFile(clock);
  w.MenuFCClick();
  EXPECT_EQ(f.log.back(), "shortcut " + clock + " desktop on");
  const std::string t = Text(makertest::ReadBytes(clock));
  EXPECT_NE(t.find("--DELIMIT-BMP---"), std::string::npos);
  for (const char* absent : {"--DELIMIT-FG----", "--DELIMIT-HR----", "--DELIMIT-CTR---", "--DELIMIT-CPY---",
                             "--DELIMIT-URL---"})
    EXPECT_EQ(t.find(absent), std::string::npos) << absent;
  auto c = RunClock(clock);
  EXPECT_EQ(c->ImageBG.Picture.Width(), w.ImageMJ2.Picture.Width());
  EXPECT_TRUE(c->HourPolygon.empty());
}

TEST(ClockWriter, ASaveThatFailsIsReportedAndNoShortcutIsOffered) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  f.ChooseFile(f.root + "/no/such/folder/c.exe");
  const size_t logged = f.log.size();
  w.MenuFCClick();
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "*** エラー !! ***");
  EXPECT_EQ(f.messages[0].type, platform::MsgType::Error);
  EXPECT_EQ(f.messages[0].buttons, unsigned(platform::mbAbort));
  EXPECT_EQ(f.log.size(), logged);
  EXPECT_EQ(w.SavePictureDialog1.FileName, f.root + "/no/such/folder/c.bmp");
}

TEST(ClockWriter, AnUnreadableProgramFileWritesNothing) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  platform::SetProgramFileNameForTest(f.root + "/missing");
  f.ChooseFile(f.root + "/c.exe");
  w.RunCommand([&] { w.MenuFCClick(); });
  EXPECT_FALSE(std::filesystem::exists(f.root + "/c.exe"));
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].caption, "Velmora");
}

TEST(ClockWriter, AMakerWhoseEngineWasCutOffWritesNoClockAndUpdatesNone) {
  // Stripping the shipped maker cuts the appended engine off: its own file
  // is then bigger than the engine, but no engine starts at the offset.
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  makertest::WriteBytes(f.program, std::vector<uint8_t>(makertest::kEngineSize + 5000, 'M'));
  makertest::WriteBytes(f.root + "/old.exe", makertest::ReadBytes(f.program));
  f.ChooseFile(f.root + "/c.exe");
  w.RunCommand([&] { w.MenuFCClick(); });
  EXPECT_FALSE(std::filesystem::exists(f.root + "/c.exe"));
  f.ChooseFile(f.root + "/old.exe");
  w.RunCommand([&] { w.MenuEDClick(); });
  EXPECT_EQ(makertest::ReadBytes(f.root + "/old.exe"), makertest::ReadBytes(f.program));
  EXPECT_FALSE(std::filesystem::exists(f.root + "/old.~_~"));
  ASSERT_EQ(f.messages.size(), 3u);  // the update's confirmation in between
  for (size_t i : {size_t(0), size_t(2)}) {
    EXPECT_EQ(f.messages[i].caption, "Velmora");
    EXPECT_EQ(f.messages[i].text, "ムーブメントを読み出せません (" + f.program + ")");
  }
}

// An old clock program: engine of `digits` bytes, some sections, tag, flags.
std::vector<uint8_t> OldClock(const std::string& digits) {
  std::vector<uint8_t> b(size_t(std::stoul(digits)), 'Z');
  const std::string rest = "--DELIMIT-CL1---\x01\x02\x03" + std::string("\0", 1) + digits + "Rundavel" + "\x41";
  b.insert(b.end(), rest.begin(), rest.end());
  return b;
}

class MovementUpdateCommand : public ::testing::Test {
 protected:
  MakerFixture f;
  maker::TFormMain* w = nullptr;
  std::string clock;
  void SetUp() override {
    w = &f.Open();
    clock = f.root + "/a.exe";
  }
  std::string Run() {
    f.ChooseFile(clock);
    w->RunCommand([&] { w->MenuEDClick(); });
    return Text(makertest::ReadBytes(clock));
  }
};

TEST_F(MovementUpdateCommand, ReplacesTheEngineAndKeepsSectionsAndFlags) {
  makertest::WriteBytes(clock, OldClock("00841216"));
  const std::string after = Run();
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[0].text, "a.exe のムーブメントを置き換えます。\r\n実行すると、元へは戻せません。いいですか ?");
  EXPECT_EQ(f.messages[0].buttons, unsigned(platform::mbOK | platform::mbAbort));
  EXPECT_EQ(f.messages[1].text, "[a.exe] Updated.");
  EXPECT_EQ(f.messages[1].type, platform::MsgType::Information);
  EXPECT_EQ(f.log.back(), "wait 2000");
  const std::string engine = Text(makertest::FakeEngine());
  EXPECT_EQ(after, engine + "--DELIMIT-CL1---\x01\x02\x03" + std::string("\0", 1) + "00841216Rundavel\x41");
  EXPECT_FALSE(std::filesystem::exists(f.root + "/a.~_~"));
  EXPECT_EQ(w->OpenDialog1.FileName, "Hands*.dat");
  EXPECT_EQ(w->OpenDialog1.DefaultExt, "*.dat");
  EXPECT_EQ(w->OpenDialog1.InitialDir, f.root);
}

TEST_F(MovementUpdateCommand, OlderEnginesAreUpdatedOnlyWhenTheWarningIsIgnored) {
  const auto old = OldClock("00830464");
  makertest::WriteBytes(clock, old);
  f.answers = {platform::ModalResult::OK, platform::ModalResult::Abort};
  EXPECT_EQ(Run(), Text(old));
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[1].text,
            "[a.exe] は Tazlo Ver.0.71で作成されたものと思われます。\r\nムーブメントを更新した場合、時計が正常に機能しなく"
            "なるおそれがあります。\r\n警告を無視して更新を続けますか ?");
  EXPECT_EQ(f.messages[1].buttons, unsigned(platform::mbAbort | platform::mbIgnore));
  EXPECT_EQ(w->OpenDialog1.FileName, "Hands*.dat");
  f.messages.clear();
  f.answers = {platform::ModalResult::OK, platform::ModalResult::Ignore};
  const std::string after = Run();
  EXPECT_EQ(after.size(), makertest::kEngineSize + 20 + 17);
  EXPECT_EQ(after.substr(after.size() - 17), "00841216Rundavel\x41");
}

TEST_F(MovementUpdateCommand, RefusalsAndBadFilesLeaveTheOldFileAlone) {
  // Refused confirmation.
  makertest::WriteBytes(clock, OldClock("00841216"));
  f.answers = {platform::ModalResult::Abort};
  EXPECT_EQ(Run(), Text(OldClock("00841216")));
  EXPECT_EQ(f.messages.size(), 1u);
  // Not a clock: a tag with one letter changed.
  auto notClock = OldClock("00000100");
  notClock[notClock.size() - 2] = 'L';
  makertest::WriteBytes(clock, notClock);
  f.messages.clear();
  EXPECT_EQ(Run(), Text(notClock));
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[1].text, "[a.exe] *** Read error ***");
  EXPECT_EQ(f.messages[1].buttons, unsigned(platform::mbAbort));
  // Digits that are no number.
  auto bad = OldClock("00000100");
  bad[bad.size() - 14] = '?';
  makertest::WriteBytes(clock, bad);
  f.messages.clear();
  EXPECT_EQ(Run(), Text(bad));
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[1].caption, "Velmora");
  EXPECT_FALSE(std::filesystem::exists(f.root + "/a.~_~"));
  EXPECT_EQ(w->OpenDialog1.Filter, "DAT Files (*.DAT)|*.dat|All Files (*.*)|*.*");
}

}  // namespace
