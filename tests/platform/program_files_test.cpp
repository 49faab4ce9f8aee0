// The user's folders under the XDG rules, and where the programs find and
// write their files, run from the build folder or installed.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/program_files.h"
#include "platform/system.h"
#include "tests/scoped_env.h"

namespace fs = std::filesystem;
using testenv::ScopedEnv;

namespace {

void RemoveWrite(const std::string& folder) {
  fs::permissions(folder, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
}

}  // namespace

TEST(SpecialFolders, EmptyOrRelativeXdgHomesCountAsUnset) {
  ScopedEnv home("HOME", "/home/u");
  const struct {
    const char* config;
    const char* data;
    std::string appData, programs;
  } cases[] = {
      {"/cfg", "/dat", "/cfg", "/dat/applications"},
      {"", "", "/home/u/.config", "/home/u/.local/share/applications"},
      {"relcfg", "./dat", "/home/u/.config", "/home/u/.local/share/applications"},
      {"~/cfg", "dat/", "/home/u/.config", "/home/u/.local/share/applications"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.config) + " " + c.data);
    ScopedEnv config("XDG_CONFIG_HOME", c.config);
    ScopedEnv data("XDG_DATA_HOME", c.data);
    EXPECT_EQ(platform::GetSpecialFolderPath(platform::CSIDL_APPDATA), c.appData);
    EXPECT_EQ(platform::GetSpecialFolderPath(platform::CSIDL_STARTUP), c.appData + "/autostart");
    EXPECT_EQ(platform::GetSpecialFolderPath(platform::CSIDL_PROGRAMS), c.programs);
  }
  ScopedEnv relativeHome("HOME", "u");
  ScopedEnv config("XDG_CONFIG_HOME", "");
  EXPECT_EQ(platform::GetSpecialFolderPath(platform::CSIDL_APPDATA), "");
}

TEST(ProgramFiles, AFolderWithoutWritePermissionIsReadOnlyEvenForRoot) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  fs::create_directories(root + "/open");
  fs::create_directories(root + "/locked");
  RemoveWrite(root + "/locked");
  std::ofstream(root + "/file") << "x";
  EXPECT_TRUE(platform::FolderWritable(root + "/open"));
  EXPECT_FALSE(platform::FolderWritable(root + "/locked"));
  EXPECT_FALSE(platform::FolderWritable(root + "/missing"));
  EXPECT_FALSE(platform::FolderWritable(root + "/file"));
  fs::permissions(root + "/locked", fs::perms::owner_all);
}

TEST(ProgramFiles, EachFileIsFoundBesideTheProgramOrInTheSharedAndUserFolders) {
  QTemporaryDir dir;
  const std::string root = dir.path().toStdString();
  const std::string bin = root + "/usr/bin/", share = root + "/usr/share/clockkit/", user = root + "/data/clockkit/";
  const std::string config = root + "/config/brasswick.ini";
  ScopedEnv home("HOME", root);
  ScopedEnv configHome("XDG_CONFIG_HOME", root + "/config");
  ScopedEnv data("XDG_DATA_HOME", root + "/data");
  fs::create_directories(bin);
  platform::SetProgramFileNameForTest(bin + "brasswick");
  EXPECT_EQ(platform::ProgramFolderPath(), bin);
  EXPECT_EQ(platform::SharedDataFolder(), share);

  const struct {
    bool installed, writable, besideFiles, userHands;
    std::string fg, hr, handsRead, handsWrite, settings;
  } cases[] = {
      // The build folder, with or without a hands file of its own.
      {false, true, true, false, bin + "FG/", bin + "HR/", bin + "Hands.dat", bin, bin + "brasswick.ini"},
      {false, true, false, true, bin + "FG/", bin + "HR/", user + "Hands.dat", bin, bin + "brasswick.ini"},
      // A read-only folder: a hands file beside is not read.
      {false, false, true, false, bin + "FG/", bin + "HR/", "", user, config},
      // Installed: the folder is shared, even where this user may write.
      {true, true, false, false, share + "FG/", share + "HR/", share + "Hands.dat", user, config},
      {true, false, false, true, share + "FG/", share + "HR/", user + "Hands.dat", user, config},
      {true, false, true, false, bin + "FG/", bin + "HR/", share + "Hands.dat", user, config},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.installed) + std::to_string(c.writable) + std::to_string(c.besideFiles) +
                 std::to_string(c.userHands));
    fs::permissions(bin, fs::perms::owner_all);
    for (const std::string& p : {bin + "FG", bin + "HR", bin + "Hands.dat", root + "/data", root + "/usr/share"})
      fs::remove_all(p);
    if (c.installed) {
      fs::create_directories(share + "FG");
      fs::create_directories(share + "HR");
      std::ofstream(share + "Hands.dat") << "";
    }
    if (c.besideFiles) {
      fs::create_directories(bin + "FG");
      fs::create_directories(bin + "HR");
      std::ofstream(bin + "Hands.dat") << "";
    }
    if (c.userHands) {
      fs::create_directories(user);
      std::ofstream(user + "Hands.dat") << "";
    }
    if (!c.writable) RemoveWrite(bin);
    EXPECT_EQ(platform::PictureFolder("FG"), c.fg);
    EXPECT_EQ(platform::PictureFolder("HR"), c.hr);
    const platform::HandsFileLocation hands = platform::LocateHandsFile();
    EXPECT_EQ(hands.ReadFrom, c.handsRead);
    EXPECT_EQ(hands.WriteFolder, c.handsWrite);
    EXPECT_EQ(platform::ProgramSettingsFile(), c.settings);
  }
  fs::permissions(bin, fs::perms::owner_all);
  platform::SetProgramFileNameForTest("");
}
