// The INI engine meets a folder where a settings file should be.
#include <gtest/gtest.h>

#include <filesystem>

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
