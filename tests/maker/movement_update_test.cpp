// The movement update through the window: what it does to the chosen file,
// its temporary file and the hands dialog, in the cases the other tests of
// the command leave out.
#include <QApplication>
#include <gtest/gtest.h>

#include <filesystem>

#include "maker_fixture.h"
#include "platform/replace_file.h"

namespace {

using makertest::MakerFixture;

std::string Text(const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); }

// A clock of the current release: engine, one section, tag, flags.
std::vector<uint8_t> CurrentClock() {
  std::vector<uint8_t> b(makertest::kEngineSize, 'Z');
  const std::string rest = std::string("--DELIMIT-OSD---\x01\x00\x02\x00", 20) + "00841216Rundavel" + "\x05";
  b.insert(b.end(), rest.begin(), rest.end());
  return b;
}

std::string Updated() {
  return Text(makertest::FakeEngine()) + std::string("--DELIMIT-OSD---\x01\x00\x02\x00", 20) + "00841216Rundavel\x05";
}

class MovementUpdateFiles : public ::testing::Test {
 protected:
  MakerFixture f;
  maker::TFormMain* w = nullptr;
  void SetUp() override { w = &f.Open(); }
  void Run(const std::string& path) {
    f.ChooseFile(path);
    w->RunCommand([&] { w->MenuEDClick(); });
  }
};

TEST_F(MovementUpdateFiles, AFileThatAlreadyHasTheTemporaryNameIsUpdatedInPlace) {
  // What a failed rename leaves behind can itself be updated.
  const std::string clock = f.root + "/a.~_~";
  makertest::WriteBytes(clock, CurrentClock());
  Run(clock);
  EXPECT_EQ(Text(makertest::ReadBytes(clock)), Updated());
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[1].text, "[a.~_~] Updated.");
}

TEST_F(MovementUpdateFiles, AnEarlierTemporaryFileIsReplaced) {
  const std::string clock = f.root + "/b.exe";
  makertest::WriteBytes(clock, CurrentClock());
  makertest::WriteText(f.root + "/b.~_~", "left over");
  Run(clock);
  EXPECT_EQ(Text(makertest::ReadBytes(clock)), Updated());
  EXPECT_FALSE(std::filesystem::exists(f.root + "/b.~_~"));
}

TEST_F(MovementUpdateFiles, AClockReachedThroughASymbolicLinkIsUpdatedAndTheLinkKept) {
  // Clock programs have no extension here; the link sits on the desktop.
  namespace fs = std::filesystem;
  QDir().mkpath(QString::fromStdString(f.root + "/clocks"));
  const std::string real = f.root + "/clocks/harbour", link = f.root + "/Desktop/harbour";
  makertest::WriteBytes(real, CurrentClock());
  fs::create_symlink("../clocks/harbour", link);
  Run(link);
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[1].text, "[harbour] Updated.");
  ASSERT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(fs::read_symlink(link), fs::path("../clocks/harbour"));
  EXPECT_EQ(Text(makertest::ReadBytes(real)), Updated());
  EXPECT_FALSE(fs::exists(f.root + "/Desktop/harbour.~_~"));
  EXPECT_FALSE(fs::exists(f.root + "/clocks/harbour.~_~"));
}

TEST_F(MovementUpdateFiles, AWriteErrorNamesTheTemporaryFileAndKeepsTheOldOne) {
  const std::string clock = f.root + "/c.exe";
  makertest::WriteBytes(clock, CurrentClock());
  // A folder in the temporary file's place cannot be replaced by a file.
  QDir().mkpath(QString::fromStdString(f.root + "/c.~_~/inside"));
  Run(clock);
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[1].text, "[c.~_~] *** Write error ***");
  EXPECT_EQ(f.messages[1].type, platform::MsgType::Error);
  EXPECT_EQ(f.messages[1].buttons, unsigned(platform::mbAbort));
  EXPECT_EQ(makertest::ReadBytes(clock), CurrentClock());
  EXPECT_TRUE(std::filesystem::is_directory(f.root + "/c.~_~/inside"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MovementUpdateFiles, ACrashAtEveryStepLeavesTheOldClockOrTheNewOneUnderItsName) {
  // The process dies at the step; the clock program is never missing or cut.
  struct Crash {};
  for (int n = 1;; ++n) {
    SCOPED_TRACE(n);
    const std::string clock = f.root + "/e" + std::to_string(n) + ".exe";
    makertest::WriteBytes(clock, CurrentClock());
    f.messages.clear();
    int seen = 0;
    platform::SetFileStepHook([&](platform::FileStep) {
      if (++seen == n) throw Crash{};
      return true;
    });
    Run(clock);  // the command's error handler takes the crash: only the files matter
    platform::SetFileStepHook(nullptr);
    const std::string now = Text(makertest::ReadBytes(clock));
    EXPECT_TRUE(now == Text(CurrentClock()) || now == Updated());
    if (seen < n) {
      EXPECT_EQ(now, Updated());
      break;
    }
  }
}

TEST_F(MovementUpdateFiles, ARefusedRenameKeepsTheOldClockAndTheTemporaryFile) {
  const std::string clock = f.root + "/g.exe";
  makertest::WriteBytes(clock, CurrentClock());
  int renames = 0;
  platform::SetFileStepHook([&](platform::FileStep s) {
    // the temporary file is written; only its move over the clock fails
    return s != platform::FileStep::Rename || ++renames == 1;
  });
  Run(clock);
  platform::SetFileStepHook(nullptr);
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[1].text, "*** Rename error ***");
  EXPECT_EQ(makertest::ReadBytes(clock), CurrentClock());
  EXPECT_EQ(Text(makertest::ReadBytes(f.root + "/g.~_~")), Updated());
}

TEST_F(MovementUpdateFiles, TheHandsDialogOffersHandsDatAgainAfterAHandsFileWasChosen) {
  makertest::WriteText(f.root + "/HandsMine.dat", "[Hand0]\r\nCP=0.1\r\n");
  f.ChooseFile(f.root + "/HandsMine.dat");
  w->MenuFHClick();
  ASSERT_EQ(w->OpenDialog1.FileName, f.root + "/HandsMine.dat");
  const std::string clock = f.root + "/d.exe";
  makertest::WriteBytes(clock, CurrentClock());
  Run(clock);
  EXPECT_EQ(w->OpenDialog1.FileName, "Hands*.dat");
  EXPECT_EQ(w->OpenDialog1.DefaultExt, "*.dat");
  EXPECT_EQ(w->OpenDialog1.Filter, "DAT Files (*.DAT)|*.dat|All Files (*.*)|*.*");
  // The folder of the clock stays.
  EXPECT_EQ(w->OpenDialog1.InitialDir, f.root);
}

TEST_F(MovementUpdateFiles, TheBusyCursorStaysOnUntilTheSuccessMessageIsAnswered) {
  bool busyAtMessage = false;
  platform::MessageHook inner = platform::SetMessageHook(nullptr);
  platform::SetMessageHook([&](const platform::MessageRecord& r) {
    if (r.text == "[e.exe] Updated.") busyAtMessage = QApplication::overrideCursor() != nullptr;
    return inner(r);
  });
  const std::string clock = f.root + "/e.exe";
  makertest::WriteBytes(clock, CurrentClock());
  Run(clock);
  platform::SetMessageHook(inner);
  EXPECT_TRUE(busyAtMessage);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MovementUpdateFiles, AFolderChosenInPlaceOfAClockIsReportedByName) {
  const std::string folder = f.root + "/clocks.exe";
  QDir().mkpath(QString::fromStdString(folder));
  Run(folder);
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[1].caption, "Velmora");
  EXPECT_NE(f.messages[1].text.find(folder), std::string::npos) << f.messages[1].text;
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_FALSE(std::filesystem::exists(f.root + "/clocks.~_~"));
}

}  // namespace
