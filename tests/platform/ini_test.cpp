// The INI engine meets a folder where a settings file should be.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/ini.h"

namespace fs = std::filesystem;

TEST(IniFile, AFolderInTheFilesPlaceReadsAsNoFile) {
  const fs::path dir = fs::temp_directory_path() / ("ini_folder_" + std::to_string(::getpid()));
  fs::create_directories(dir / "Clock.ini");
  const std::string file = (dir / "Clock.ini").string();
  EXPECT_EQ(platform::GetProfileString(file, "CONFIG", "Left", "dflt"), "dflt");
  EXPECT_FALSE(platform::WriteProfileString(file, "CONFIG", "Left", "5"));
  fs::remove_all(dir);
}

TEST(IniFile, AByteOrderMarkBeforeTheFirstSectionIsSkipped) {
  const fs::path dir = fs::temp_directory_path() / ("ini_bom_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string file = (dir / "Hands.dat").string();
  std::ofstream(file, std::ios::binary) << "\xEF\xBB\xBF[Hand0]\r\nCP=0.05\r\n";
  EXPECT_EQ(platform::GetProfileString(file, "Hand0", "CP", "none"), "0.05");
  fs::remove_all(dir);
}
