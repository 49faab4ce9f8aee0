// The shortcut dialog and the desktop-entry links, with the user's folders
// in a temporary directory.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGuiApplication>
#include <QPushButton>

#include <filesystem>
#include <fstream>

#include "maker/dialogs/form_shortcut.h"
#include "platform/message_box.h"
#include "platform/shell_link.h"
#include "temp_dir.h"
#include "tests/scoped_env.h"

using dialogtest::ReadText;
using dialogtest::TempDir;
using maker::TFormShortcut;
using testenv::ScopedEnv;
namespace fs = std::filesystem;

namespace {

class ShortcutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oldHook_ = platform::SetMessageHook([this](const platform::MessageRecord& r) {
      messages_.push_back(r);
      return platform::ModalResult::Abort;
    });
    fs::create_directories(home_ / "Clocks");
  }
  void TearDown() override {
    platform::SetMessageHook(oldHook_);
    platform::SetShellLinkSaverForTest(nullptr);
  }

  std::string Autostart(const std::string& stem) const { return home_ / (".config/autostart/" + stem + ".desktop"); }
  std::string Menu(const std::string& stem) const {
    return home_ / ("data/applications/デスクトップ時計/" + stem + ".desktop");
  }
  std::string Desktop(const std::string& stem) const { return home_ / ("Desktop/" + stem + ".desktop"); }

  void CheckAll(TFormShortcut& f) {
    for (QCheckBox* b : {f.CheckBoxStartUp, f.CheckBoxStartMenu, f.CheckBoxDesktop}) b->setChecked(true);
  }

  TempDir home_;
  ScopedEnv homeEnv_{"HOME", home_.Path()};
  ScopedEnv configEnv_{"XDG_CONFIG_HOME", home_ / ".config"};
  // The menu folder is the data home's, not ~/.local/share.
  ScopedEnv dataEnv_{"XDG_DATA_HOME", home_ / "data"};
  std::vector<platform::MessageRecord> messages_;
  platform::MessageHook oldHook_;
};

TEST_F(ShortcutTest, StartsUncheckedAndWithNothingCheckedOnlyCloses) {
  TFormShortcut f;
  EXPECT_FALSE(f.CheckBoxStartUp->isChecked() || f.CheckBoxStartMenu->isChecked() || f.CheckBoxDesktop->isChecked());
  EXPECT_TRUE(f.ButtonOK->isDefault());
  f.SetTarget(home_ / "Clocks/Alarm.exe");
  f.show();
  f.ButtonOK->click();
  EXPECT_FALSE(f.isVisible());
  EXPECT_TRUE(messages_.empty());
  EXPECT_FALSE(fs::exists(home_ / ".config/autostart"));
  EXPECT_FALSE(fs::exists(home_ / "Desktop"));
}

TEST_F(ShortcutTest, MakesTheThreeLinksAndReplacesThemTheSecondTime) {
  const std::string target = home_ / "Clocks/Alarm.exe";
  TFormShortcut f;
  CheckAll(f);
  for (int round = 0; round < 2; ++round) {
    f.SetTarget(target);
    EXPECT_TRUE(f.CheckBoxDesktop->isEnabled());
    f.show();
    f.ButtonOK->click();
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(messages_.empty());
    for (const std::string& link : {Autostart("Alarm"), Menu("Alarm"), Desktop("Alarm")}) {
      SCOPED_TRACE(link);
      const std::string text = ReadText(link);
      EXPECT_NE(text.find("[Desktop Entry]\n"), std::string::npos);
      EXPECT_NE(text.find("\nExec=\"" + target + "\"\n"), std::string::npos);
      EXPECT_NE(text.find("\nPath=" + home_.Path() + "/Clocks/\n"), std::string::npos);
      EXPECT_NE(text.find("\nName=Alarm\n"), std::string::npos);
      EXPECT_NE(text.find("\nIcon=tolvane\n"), std::string::npos);  // the engine's icon
      EXPECT_FALSE(fs::exists(link + ".tmp"));
    }
  }
  EXPECT_EQ(fs::status(Desktop("Alarm")).permissions() & fs::perms::owner_exec, fs::perms::owner_exec);
  // The boxes keep their state for the next clock.
  EXPECT_TRUE(f.CheckBoxStartUp->isChecked() && f.CheckBoxStartMenu->isChecked() && f.CheckBoxDesktop->isChecked());
}

TEST_F(ShortcutTest, ProgramOnTheDesktopDisablesTheBoxButACheckedBoxStillLinks) {
  fs::create_directories(home_ / "Desktop");
  TFormShortcut f;
  f.SetTarget(home_ / "Desktop/Clock.exe");
  EXPECT_FALSE(f.CheckBoxDesktop->isEnabled());
  f.SetTarget(home_ / "Desktop/sub/Clock.exe");  // exact folder only
  EXPECT_TRUE(f.CheckBoxDesktop->isEnabled());

  f.CheckBoxDesktop->setChecked(true);  // from an earlier use
  f.SetTarget(home_ / "Desktop/Clock.exe");
  f.show();
  f.ButtonOK->click();
  EXPECT_TRUE(fs::exists(Desktop("Clock")));  // next to the program
  EXPECT_TRUE(messages_.empty());
}

TEST_F(ShortcutTest, EachFailedLinkIsReportedAndTheOthersAreStillMade) {
  fs::create_directories(home_ / ".config");
  std::ofstream(home_ / ".config/autostart") << "a file where the folder should be";
  TFormShortcut f;
  CheckAll(f);
  f.SetTarget(home_ / "Clocks/Alarm.exe");
  f.show();
  f.ButtonOK->click();
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, "スタートアップに登録できませんでした");
  EXPECT_EQ(messages_[0].caption, "エラー");
  EXPECT_EQ(messages_[0].type, platform::MsgType::Error);
  EXPECT_EQ(messages_[0].buttons, unsigned(platform::mbAbort));
  EXPECT_TRUE(fs::exists(Menu("Alarm")));
  EXPECT_TRUE(fs::exists(Desktop("Alarm")));
  EXPECT_FALSE(f.isVisible());
}

TEST_F(ShortcutTest, EveryFolderFailingGivesItsOwnMessage) {
  ScopedEnv noHome("HOME", "");
  ScopedEnv noConfig("XDG_CONFIG_HOME", "");
  ScopedEnv noData("XDG_DATA_HOME", "");
  TFormShortcut f;
  CheckAll(f);
  f.SetTarget("/opt/clocks/Alarm.exe");
  f.show();
  f.ButtonOK->click();
  std::vector<std::string> texts;
  for (const auto& m : messages_) texts.push_back(m.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"スタートアップに登録できませんでした", "スタートメニューに登録できませんでした",
                                             "デスクトップに登録できませんでした"}));
}

TEST_F(ShortcutTest, LinkObjectFailureIsAnErrorOfTheApplicationAndStopsTheRest) {
  std::vector<std::string> saved;
  platform::SetShellLinkSaverForTest([&](const platform::ShellLink& link, const std::string& file) -> bool {
    saved.push_back(file);
    if (saved.size() == 2) throw platform::ShellLinkError("リンクを作成できません");
    EXPECT_EQ(link.Path, "/opt/clocks/Alarm.exe");
    EXPECT_EQ(link.WorkingDirectory, "/opt/clocks/");
    return true;
  });
  TFormShortcut f;
  CheckAll(f);
  f.SetTarget("/opt/clocks/Alarm.exe");
  f.show();
  f.ButtonOK->click();
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0], home_ / ".config/autostart/Alarm.lnk");
  EXPECT_EQ(saved[1], home_ / "data/applications/デスクトップ時計/Alarm.lnk");
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, "リンクを作成できません.");
  EXPECT_EQ(messages_[0].caption, QGuiApplication::applicationName().toStdString());
  EXPECT_TRUE(f.isVisible());  // the dialog stays open
}

TEST(DesktopEntry, ExecQuotesThePathAndEscapesWhatTheFormatReserves) {
  const std::pair<std::string, std::string> cases[] = {
      {"/home/u/Clocks/DoRedoz.exe", "Exec=\"/home/u/Clocks/DoRedoz.exe\""},
      {"/home/u/My Clocks/時計.exe", "Exec=\"/home/u/My Clocks/時計.exe\""},
      {"/a/$x`y\"z.exe", "Exec=\"/a/\\\\$x\\\\`y\\\\\"z.exe\""},
      {"/a/b\\c.exe", "Exec=\"/a/b\\\\\\\\c.exe\""},
      {"/a/100%.exe", "Exec=\"/a/100%%.exe\""},
  };
  for (const auto& [path, exec] : cases) {
    const std::string text = platform::DesktopEntryText({path, "/a/", ""}, "n");
    EXPECT_NE(text.find("\n" + exec + "\n"), std::string::npos) << text;
  }
  EXPECT_EQ(platform::DesktopEntryFileName("/x/DoRedoz.lnk"), "/x/DoRedoz.desktop");
  EXPECT_EQ(platform::GetShellFolderPath(0), platform::GetShellFolderPath(0x10));
}

}  // namespace
