// The hands file as the designer reads and writes it, and the whole-section
// INI calls it reads through.
#include <gtest/gtest.h>

#include <QDir>

#include <filesystem>

#include "designer_fixture.h"
#include "handdesigner/hands_file.h"
#include "platform/ini.h"
#include "platform/ini_sections.h"
#include "platform/replace_file.h"

using designer::FormatHandNumber;
using designer::ParseHandNumber;
using designer::ReadHandsFile;
using designer::WriteHandsFile;
using designer_test::DesignerFixture;
using engine::HandPoint;
using engine::HandPolygon;

namespace {

void ExpectPoints(const HandPolygon& actual, const std::vector<std::pair<double, double>>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_DOUBLE_EQ(actual[i].Angle, expected[i].first) << "point " << i;
    EXPECT_DOUBLE_EQ(actual[i].Length, expected[i].second) << "point " << i;
  }
}

}  // namespace

TEST(HandNumberText, FormatsLikeTheGeneralRealConversion) {
  const std::pair<double, const char*> cases[] = {
      {0.0, "0"},        {-0.0, "0"},         {1.0, "1"},
      {0.05, "0.05"},    {1.5708, "1.5708"},  {-0.5, "-0.5"},
      {0.0001, "0.0001"}, {0.00001, "1E-5"},  {-1.5e-7, "-1.5E-7"},
      {1e15, "1E15"},    {123456789012345.0, "123456789012345"},
      {1.0 / 3.0, "0.333333333333333"},      {0.1 + 0.2, "0.3"},
      {2.5e20, "2.5E20"}, {100.0, "100"},     {4.7124, "4.7124"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(FormatHandNumber(value), text) << value;
}

TEST(HandNumberText, ParsesDecimalTextAndRefusesEverythingElse) {
  const std::pair<const char*, double> good[] = {
      {"1", 1}, {"-1.5", -1.5}, {"+2", 2}, {".5", 0.5}, {"5.", 5}, {"1E5", 1e5}, {"1e-5", 1e-5},
      {"2.5E+3", 2500}, {" 0.25 ", 0.25}, {"0", 0},
      // Too small for a double: the nearest one, not a bad number.
      {"1e-330", 0}, {"-1E-330", 0}, {"1e-5000", 0}, {"2.5e-320", 2.5e-320},
  };
  for (const auto& [text, value] : good) {
    double v = -99;
    EXPECT_TRUE(ParseHandNumber(text, v)) << text;
    EXPECT_DOUBLE_EQ(v, value) << text;
  }
  for (const char* bad : {"", " ", "abc", "1,2", "0x10", "1E", "--1", "inf", "nan", "1E999", "1.2.3", "-", "."}) {
    double v = 7;
    EXPECT_FALSE(ParseHandNumber(bad, v)) << bad;
    EXPECT_EQ(v, 7) << bad;
  }
}

TEST(HandsFileReading, FollowsTheLenientReadingRules) {
  DesignerFixture f;
  f.WriteHands({
      "[Hand0]", "CP=0.05", "H0=0,1", "H1=0.1,0.5", "H2=3.1416,0.2",  // symmetrical, stored half only
      "[hand5x]", "CP=0", "H7=1,0.7", "H2=2,0.2", "h0=9,9", "Cp=0.9", "Hour=0.5,1", "M0=0.5", "S0=,0.5", "S1=0.5,",
      "[Anything]",
      "[Hand3]", "CP=0.1", "M0=0,1", "M1=1,2,3", "M2=0,1",  // bad Length ends the section
      "[Hand4]", "CP=", "H0=0,1",                          // bad CP: nothing read
      "[Hand6]", "CP=0.2", "H0=x,1",                        // bad Angle: the point stays (0, 0)
      "[Hand7]", "CP=0.2", "H0=0.25,y",                     // bad Length: the Angle stays
  });
  const auto sets = ReadHandsFile(f.HandsFile());
  ASSERT_EQ(sets.size(), 7u);

  EXPECT_TRUE(sets[0].Symmetrical);
  EXPECT_DOUBLE_EQ(sets[0].CenterSize, 0.05);
  ExpectPoints(sets[0].Hour, {{0, 1}, {0.1, 0.5}, {3.1416, 0.2}});  // never expanded in the data

  EXPECT_FALSE(sets[1].Symmetrical);  // lower-case x counts
  EXPECT_DOUBLE_EQ(sets[1].CenterSize, 0);  // "Cp" is not "CP"
  ExpectPoints(sets[1].Hour, {{1, 0.7}, {2, 0.2}, {0.5, 1}});  // file order, h0 ignored, Hour counts
  ExpectPoints(sets[1].Minute, {{0, 0.5}});
  ExpectPoints(sets[1].Second, {{0, 0.5}, {0.5, 0}});

  EXPECT_TRUE(sets[2].Symmetrical);
  EXPECT_TRUE(sets[2].Hour.empty() && sets[2].Minute.empty() && sets[2].Second.empty());

  EXPECT_FALSE(sets[3].Symmetrical);  // the flag is set only after a clean section
  EXPECT_DOUBLE_EQ(sets[3].CenterSize, 0.1);
  ExpectPoints(sets[3].Minute, {{0, 1}, {1, 0}});

  EXPECT_TRUE(sets[4].Hour.empty());
  EXPECT_FALSE(sets[4].Symmetrical);
  ExpectPoints(sets[5].Hour, {{0, 0}});
  ExpectPoints(sets[6].Hour, {{0.25, 0}});
}

TEST(HandsFileReading, MissingEmptyOrUnreadableFileGivesNoSet) {
  DesignerFixture f;
  EXPECT_TRUE(ReadHandsFile(f.HandsFile()).empty());
  std::filesystem::create_directory(f.HandsFile());
  EXPECT_TRUE(ReadHandsFile(f.HandsFile()).empty());
  EXPECT_TRUE(platform::ReadSectionNames(f.HandsFile()).empty());
  std::filesystem::remove(f.HandsFile());
  f.WriteHands({"; nothing but a comment", ""});
  EXPECT_TRUE(ReadHandsFile(f.HandsFile()).empty());
}

TEST(HandsFileWriting, WritesSectionsAndKeysInOrderAndReadsBack) {
  DesignerFixture f;
  designer::HandSetList sets(2);
  sets[0].CenterSize = 0.05;
  sets[0].Symmetrical = true;
  sets[0].Hour = {{0, 1}, {0.1, 0.5}};
  sets[0].Second = {{0, 1}};
  sets[1].CenterSize = 0.1;
  sets[1].Symmetrical = false;
  sets[1].Hour = {{0, 1}, {1.5708, 0.05}, {3.1416, 0.2}};
  sets[1].Minute = {{-0.25, 0.75}};
  WriteHandsFile(f.HandsFile(), f.BackupFile(), sets);

  const std::string text = DesignerFixture::ReadFile(f.HandsFile());
  EXPECT_NE(text.find("[Hand0]\r\nCP=0.05\r\nH0=0,1\r\nH1=0.1,0.5\r\nS0=0,1\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[Hand1X]\r\nCP=0.1\r\nH0=0,1\r\nH1=1.5708,0.05\r\nH2=3.1416,0.2\r\nM0=-0.25,0.75\r\n"),
            std::string::npos)
      << text;
  EXPECT_LT(text.find("[Hand0]"), text.find("[Hand1X]"));

  const auto back = ReadHandsFile(f.HandsFile());
  ASSERT_EQ(back.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(back[i].Symmetrical, sets[i].Symmetrical);
    EXPECT_DOUBLE_EQ(back[i].CenterSize, sets[i].CenterSize);
    for (auto hand : {&engine::HandSet::Hour, &engine::HandSet::Minute, &engine::HandSet::Second}) {
      ASSERT_EQ((back[i].*hand).size(), (sets[i].*hand).size());
      for (size_t p = 0; p < (sets[i].*hand).size(); ++p) {
        EXPECT_DOUBLE_EQ((back[i].*hand)[p].Angle, (sets[i].*hand)[p].Angle);
        EXPECT_DOUBLE_EQ((back[i].*hand)[p].Length, (sets[i].*hand)[p].Length);
      }
    }
  }
}

TEST(HandsFileWriting, RenumbersSectionsInListOrder) {
  DesignerFixture f;
  f.WriteHands({"[Hand5]", "CP=0.1", "[Hand2X]", "CP=0.2"});
  auto sets = ReadHandsFile(f.HandsFile());
  ASSERT_EQ(sets.size(), 2u);
  WriteHandsFile(f.HandsFile(), f.BackupFile(), sets);
  EXPECT_EQ(platform::ReadSectionNames(f.HandsFile()), (std::vector<std::string>{"Hand0", "Hand1X"}));
}

TEST(HandsFileWriting, KeepsOneBackupAndSavingNoSetLeavesNoFile) {
  DesignerFixture f;
  f.WriteHands({"[Hand0]", "CP=0.5"});
  const std::string original = DesignerFixture::ReadFile(f.HandsFile());
  designer::HandSetList one(1);
  one[0].CenterSize = 0.25;
  WriteHandsFile(f.HandsFile(), f.BackupFile(), one);
  EXPECT_EQ(DesignerFixture::ReadFile(f.BackupFile()), original);
  const std::string first = DesignerFixture::ReadFile(f.HandsFile());
  EXPECT_NE(first.find("CP=0.25"), std::string::npos);

  WriteHandsFile(f.HandsFile(), f.BackupFile(), {});
  EXPECT_FALSE(std::filesystem::exists(f.HandsFile()));
  EXPECT_EQ(DesignerFixture::ReadFile(f.BackupFile()), first);
}

TEST(HandsFileWriting, EmptiesTheOldFileWhenItCannotBeMovedAside) {
  DesignerFixture f;
  f.WriteHands({"[Hand0]", "CP=0.5", "H0=0,1", "[Hand1X]", "CP=0.7"});
  // A backup that is a folder with something in it can be neither deleted
  // nor replaced.
  QDir().mkpath(QString::fromStdString(f.BackupFile() + "/keep"));
  designer::HandSetList one(1);
  one[0].CenterSize = 0.25;
  one[0].Symmetrical = true;
  WriteHandsFile(f.HandsFile(), f.BackupFile(), one);
  const auto back = ReadHandsFile(f.HandsFile());
  ASSERT_EQ(back.size(), 1u);
  EXPECT_DOUBLE_EQ(back[0].CenterSize, 0.25);
  EXPECT_TRUE(back[0].Hour.empty());
  // Saving no set then leaves a file without sections, not the old sets.
  WriteHandsFile(f.HandsFile(), f.BackupFile(), {});
  EXPECT_TRUE(ReadHandsFile(f.HandsFile()).empty());
}

TEST(HandsFileWriting, AFailureOrACrashAtEveryStepLeavesTheOldFileOrTheNewOne) {
  struct Crash {};
  designer::HandSetList sets(2);
  sets[0].CenterSize = 0.25;
  sets[1].Hour = {{0.5, 1}};
  std::string expected;
  {
    DesignerFixture clean;
    WriteHandsFile(clean.HandsFile(), clean.BackupFile(), sets);
    expected = DesignerFixture::ReadFile(clean.HandsFile());
  }
  for (const bool crash : {false, true}) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(testing::Message() << (crash ? "crash" : "failure") << " at step " << n);
      DesignerFixture f;
      f.WriteHands({"[Hand0]", "CP=0.5", "H0=0,1"});
      const std::string original = DesignerFixture::ReadFile(f.HandsFile());
      int seen = 0;
      platform::SetFileStepHook([&](platform::FileStep) {
        if (++seen != n) return true;
        if (crash) throw Crash{};
        return false;
      });
      try {
        WriteHandsFile(f.HandsFile(), f.BackupFile(), sets);
      } catch (const platform::IniFileError&) {
        EXPECT_FALSE(crash);
      } catch (const Crash&) {
      }
      platform::SetFileStepHook(nullptr);
      const std::string now = DesignerFixture::ReadFile(f.HandsFile());
      EXPECT_TRUE(now == original || now == expected) << now;
      if (std::filesystem::exists(f.BackupFile())) {
        EXPECT_EQ(DesignerFixture::ReadFile(f.BackupFile()), original);
      }
      if (!crash) {
        for (const auto& e : std::filesystem::directory_iterator(f.Folder())) {
          EXPECT_TRUE(e.path().filename() == "Hands.dat" || e.path().filename() == "Hands.da-") << e.path();
        }
      }
      if (seen < n) {
        EXPECT_EQ(now, expected);
        EXPECT_EQ(DesignerFixture::ReadFile(f.BackupFile()), original);
        break;
      }
    }
  }
}

TEST(HandsFileWriting, ARefusedWriteRaisesTheIniError) {
  DesignerFixture f;
  const std::string path = f.Folder() + "missing/Hands.dat";
  designer::HandSetList one(1);
  try {
    WriteHandsFile(path, f.Folder() + "missing/Hands.da-", one);
    FAIL() << "no error";
  } catch (const platform::IniFileError& e) {
    EXPECT_EQ(std::string(e.what()), path + " に書き込めません");
  }
}

TEST(IniSections, ListsSectionsAndKeysWithinTheBufferLimits) {
  DesignerFixture f;
  f.WriteHands({"[Hand0]", "CP=1", "H0 = ' 0,1 '", "; comment=1", "[Hand1]", "CP=2", "[Hand2]", "CP=3"});
  // Each name takes its length plus one byte; one byte ends the list.
  EXPECT_EQ(platform::ReadSectionNames(f.HandsFile(), 13), (std::vector<std::string>{"Hand0", "Hand1"}));
  EXPECT_EQ(platform::ReadSectionNames(f.HandsFile(), 12), (std::vector<std::string>{"Hand0"}));

  const auto sections = platform::ReadIniSections(f.HandsFile(), 16384, 7);
  ASSERT_EQ(sections.size(), 3u);
  ASSERT_EQ(sections[0].Entries.size(), 2u);
  EXPECT_EQ(sections[0].Entries[1].Key, "H0");
  EXPECT_EQ(sections[0].Entries[1].Value, " 0,1 ");
  const auto limited = platform::ReadIniSections(f.HandsFile(), 16384, 4);
  EXPECT_EQ(limited[0].Entries.size(), 1u);  // "CP" fits, "H0" no longer does
}

TEST(IniSections, ErasesEveryBlockOfASectionWithoutRegardToCase) {
  DesignerFixture f;
  f.WriteHands({"[A]", "k=1", "[Hand1]", "k=2", "[B]", "k=3", "[hand1]", "k=4"});
  EXPECT_TRUE(platform::EraseProfileSection(f.HandsFile(), "HAND1"));
  EXPECT_EQ(DesignerFixture::ReadFile(f.HandsFile()), "[A]\r\nk=1\r\n[B]\r\nk=3\r\n");
  EXPECT_TRUE(platform::EraseProfileSection(f.Folder() + "none.ini", "A"));
  EXPECT_FALSE(std::filesystem::exists(f.Folder() + "none.ini"));
}

namespace {

// The file that writing the sections key by key leaves, starting from start
// (no file when start is null).
std::string WrittenKeyByKey(const std::string& path, const char* start,
                            const std::vector<platform::IniSection>& sections) {
  std::filesystem::remove(path);
  if (start) std::ofstream(path, std::ios::binary) << start;
  for (const auto& s : sections)
    for (const auto& e : s.Entries) EXPECT_TRUE(platform::WriteProfileString(path, s.Name, e.Key, e.Value));
  return DesignerFixture::ReadFile(path);
}

std::string WrittenInOneGo(const std::string& path, const char* start,
                           const std::vector<platform::IniSection>& sections) {
  std::filesystem::remove(path);
  if (start) std::ofstream(path, std::ios::binary) << start;
  EXPECT_TRUE(platform::WriteIniSections(path, sections));
  return DesignerFixture::ReadFile(path);
}

}  // namespace

TEST(IniSections, WritingInOneGoGivesTheBytesOfKeyByKeyWrites) {
  DesignerFixture f;
  const std::vector<platform::IniSection> sections = {
      {"Hand0", {{"CP", "0.05"}, {"H0", "0,1"}, {"H1", "0.1,0.5"}}},
      {"Old", {{"b", "new"}, {"NEW", "2"}, {"A", "replaced"}}},  // keys found without regard to case
      {"Empty", {}},
      {"時計", {{"色", "赤"}}},
      {"hand0", {{"h1", "again"}, {"S0", "0,1"}}},  // the same section a second time
      {"x\xF0\x9F\x98\x80", {{"a", "1"}, {"b", "2"}}},  // a name Shift-JIS cannot hold
  };
  const char* starts[] = {
      nullptr,
      "",
      "; a comment before any section",
      "; comment\r\n[old]\r\na=1\r\n; inside\r\nB=2\r\n\r\n\r\n[Other]\r\nx=1\r\n[OLD]\r\nb=3\r\n",
      "[Hand0]\nCP=9\n[時計]\r\n色=青\r\n\r\n",  // LF lines become CR LF
  };
  for (const char* start : starts) {
    const std::string expected = WrittenKeyByKey(f.Folder() + "a.ini", start, sections);
    EXPECT_EQ(WrittenInOneGo(f.Folder() + "b.ini", start, sections), expected) << (start ? start : "(no file)");
  }
  // Nothing to write creates no file.
  EXPECT_TRUE(platform::WriteIniSections(f.Folder() + "none.ini", {{"Empty", {}}}));
  EXPECT_FALSE(std::filesystem::exists(f.Folder() + "none.ini"));
  // A file that cannot be written is reported and left alone.
  EXPECT_FALSE(platform::WriteIniSections(f.Folder() + "missing/c.ini", sections));
}

TEST(HandsFileWriting, OneWriteGivesTheBytesOfKeyByKeyWrites) {
  DesignerFixture f;
  designer::HandSetList sets(3);
  sets[0] = {{{0, 1}, {0.1, 0.5}}, {{0, 0.9}}, {}, 0.05, true};
  sets[1] = {{{0, 1}, {1.5708, 0.05}, {3.1416, 0.2}}, {{-0.25, 0.75}}, {{0.00001, 1e20}}, 0.1, false};
  sets[2] = {{}, {}, {}, 0, true};
  // The sections and keys a save writes, in the order it writes them.
  std::vector<platform::IniSection> keys = {
      {"Hand0", {{"CP", "0.05"}, {"H0", "0,1"}, {"H1", "0.1,0.5"}, {"M0", "0,0.9"}}},
      {"Hand1X",
       {{"CP", "0.1"}, {"H0", "0,1"}, {"H1", "1.5708,0.05"}, {"H2", "3.1416,0.2"}, {"M0", "-0.25,0.75"},
        {"S0", "1E-5,1E20"}}},
      {"Hand2", {{"CP", "0"}}},
  };
  WriteHandsFile(f.HandsFile(), f.BackupFile(), sets);
  EXPECT_EQ(DesignerFixture::ReadFile(f.HandsFile()), WrittenKeyByKey(f.Folder() + "ref.dat", nullptr, keys));
  EXPECT_EQ(DesignerFixture::ReadFile(f.HandsFile()),
            "[Hand0]\r\nCP=0.05\r\nH0=0,1\r\nH1=0.1,0.5\r\nM0=0,0.9\r\n\r\n"
            "[Hand1X]\r\nCP=0.1\r\nH0=0,1\r\nH1=1.5708,0.05\r\nH2=3.1416,0.2\r\nM0=-0.25,0.75\r\nS0=1E-5,1E20\r\n\r\n"
            "[Hand2]\r\nCP=0\r\n");

  // When the old file cannot be moved aside, what is left of it after its
  // sections are erased stays in front of the new sets.
  f.WriteHands({"; kept", "[Hand0]", "CP=0.5", "", "[Hand1X]", "CP=0.7"});
  QDir().mkpath(QString::fromStdString(f.BackupFile() + "/keep"));
  WriteHandsFile(f.HandsFile(), f.BackupFile(), sets);
  const std::string expected = WrittenKeyByKey(f.Folder() + "ref.dat", "; kept\r\n", keys);
  EXPECT_EQ(DesignerFixture::ReadFile(f.HandsFile()), expected);
  EXPECT_EQ(expected.substr(0, 19), "; kept\r\n\r\n[Hand0]\r\n");
}

TEST(HandsFileWriting, EverySetAndPointTheDesignerSavesComesBack) {
  // More sets and longer hands than a 16384-byte list of names holds: a
  // save followed by a load, and the next save, must lose none of them.
  DesignerFixture f;
  designer::HandSetList sets(2500);
  for (size_t n = 0; n < sets.size(); ++n) sets[n].CenterSize = double(n) / 10000;
  for (int i = 0; i < 4000; ++i) sets.back().Hour.push_back({0.5, double(i) / 1000});
  WriteHandsFile(f.HandsFile(), f.BackupFile(), sets);
  for (int round = 0; round < 2; ++round) {
    const auto back = ReadHandsFile(f.HandsFile());
    ASSERT_EQ(back.size(), sets.size()) << "round " << round;
    EXPECT_DOUBLE_EQ(back.back().CenterSize, 0.2499);
    ASSERT_EQ(back.back().Hour.size(), 4000u);
    EXPECT_DOUBLE_EQ(back.back().Hour.back().Length, 3.999);
    WriteHandsFile(f.HandsFile(), f.BackupFile(), back);
  }
}

TEST(HandsFileWriting, AnOldFileThatCannotBeMovedAsideIsEmptiedWhole) {
  DesignerFixture f;
  designer::HandSetList many(2500);
  WriteHandsFile(f.HandsFile(), f.BackupFile(), many);
  std::filesystem::remove(f.BackupFile());
  QDir().mkpath(QString::fromStdString(f.BackupFile() + "/keep"));
  WriteHandsFile(f.HandsFile(), f.BackupFile(), designer::HandSetList(3));
  EXPECT_EQ(ReadHandsFile(f.HandsFile()).size(), 3u);
}
