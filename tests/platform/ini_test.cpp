// The INI engine meets a folder where a settings file should be.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/ini.h"
#include "platform/ini_sections.h"

#include <unistd.h>

#include <iterator>
#include <string>
#include <vector>

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

TEST(IniSections, ANewFileWrittenWholeHasTheBytesOfKeyByKeyWritesIntoAnEmptyOne) {
  using platform::IniSection;
  const fs::path dir = fs::temp_directory_path() / ("ini_whole_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  auto slurp = [](const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  const std::vector<std::vector<IniSection>> cases = {
      {{"Hand0", {{"CP", "0.5"}, {"H0", "0,1"}}}, {"Hand1X", {{"CP", "0"}}}},
      {{"a", {{"k", "1"}}}, {"empty", {}}, {"A", {{"K", "2"}, {"j", "3"}}}},  // one section twice
      {{"s", {{"k", "1"}, {"K", "2"}}}},                                      // one key twice
      {{" s ", {{"k", "1"}}}, {"s", {{" k", "2"}, {"k=x", "3"}, {";c", "4"}, {"[k", "5"}}}},
      {{"時計", {{"鍵", "値"}}}, {"a]b", {{"k", "v"}}}},
      {{"s", {}}},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(i);
    const fs::path whole = dir / "whole.ini", keyed = dir / "keyed.ini";
    fs::remove(whole);
    fs::remove(keyed);
    std::ofstream(whole, std::ios::binary) << "[old]\r\nkept=no\r\n";
    ASSERT_TRUE(platform::ReplaceIniFile(whole.string(), cases[i]));
    for (const auto& s : cases[i])
      for (const auto& e : s.Entries) ASSERT_TRUE(platform::WriteProfileString(keyed.string(), s.Name, e.Key, e.Value));
    EXPECT_EQ(slurp(whole), cases[i].back().Entries.empty() && cases[i].size() == 1 ? "[old]\r\nkept=no\r\n"
                                                                                     : slurp(keyed));
  }
  fs::remove_all(dir);
}
