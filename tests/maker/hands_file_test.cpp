#include <gtest/gtest.h>

#include <cmath>

#include "maker/hands_file.h"

namespace {

using maker::HandSetLists;
using maker::ImportHandSetsFromText;

constexpr long double kTwoPi = 6.283185307179586476925286766559L;

TEST(HandsFile, SymmetricalSetIsCompletedWithMirroredPoints) {
  HandSetLists lists;
  const auto r = ImportHandSetsFromText("[Hand0]\r\nCP=0.05\r\nH0=0,0.5\r\nH1=0.3,0.2\r\nH2=3.1,0.1\r\n", lists);
  EXPECT_EQ(r.Sections, 1);
  ASSERT_EQ(lists.LastIndex(), 1);
  const auto& h = lists.Hour[1];
  ASSERT_EQ(h.size(), 5u);
  EXPECT_DOUBLE_EQ(h[3].Angle, double(kTwoPi - 3.1L));
  EXPECT_DOUBLE_EQ(h[3].Length, 0.1);
  EXPECT_DOUBLE_EQ(h[4].Angle, double(kTwoPi - 0.3L));
  EXPECT_DOUBLE_EQ(h[4].Length, 0.2);
  EXPECT_DOUBLE_EQ(lists.CenterSize[1], 0.05);
  EXPECT_TRUE(lists.Minute[1].empty());
}

TEST(HandsFile, SetsFollowFileOrderAndKeyLineOrder) {
  HandSetLists lists;
  ImportHandSetsFromText(
      "[hand5x]\r\nCP=1\r\nH7=1,0.7\r\nH2=2,0.2\r\n"
      "[Hand1]\r\nCP=0\r\nS0=0,1\r\n",
      lists);
  ASSERT_EQ(lists.LastIndex(), 2);
  // Lower-case x: not symmetrical, so nothing is mirrored; lines keep their order.
  ASSERT_EQ(lists.Hour[1].size(), 2u);
  EXPECT_DOUBLE_EQ(lists.Hour[1][0].Length, 0.7);
  EXPECT_DOUBLE_EQ(lists.Hour[1][1].Length, 0.2);
  // A one-point symmetrical polygon stays one point.
  EXPECT_EQ(lists.Second[2].size(), 1u);
}

TEST(HandsFile, AByteOrderMarkDoesNotHideTheFirstSet) {
  HandSetLists lists;
  const auto r = ImportHandSetsFromText("\xEF\xBB\xBF[Hand0X]\r\nCP=0.05\r\nH0=0,0.5\r\n", lists);
  EXPECT_EQ(r.Sections, 1);
  ASSERT_EQ(lists.LastIndex(), 1);
  EXPECT_EQ(lists.Hour[1].size(), 1u);
}

TEST(HandsFile, PointValueForms) {
  struct Case {
    const char* value;
    double angle, length;
  } cases[] = {{"0.75", 0, 0.75}, {",0.5", 0, 0.5}, {"1.5,", 1.5, 0}, {"-1E-5,2", -1e-5, 2}, {" 0.1 , 0.2", 0.1, 0.2}};
  for (const auto& c : cases) {
    HandSetLists lists;
    ImportHandSetsFromText(std::string("[Hand0X]\r\nCP=0\r\nM0=") + c.value + "\r\n", lists);
    ASSERT_EQ(lists.LastIndex(), 1) << c.value;
    ASSERT_EQ(lists.Minute[1].size(), 1u) << c.value;
    EXPECT_DOUBLE_EQ(lists.Minute[1][0].Angle, c.angle) << c.value;
    EXPECT_DOUBLE_EQ(lists.Minute[1][0].Length, c.length) << c.value;
  }
}

TEST(HandsFile, BadSectionsAreDroppedAndTheOthersKept) {
  struct Case {
    const char* name;
    const char* section;
  } cases[] = {
      {"angle not a number", "[Hand1]\r\nCP=0.1\r\nH0=abc,0.5\r\n"},
      {"empty CP", "[Hand1]\r\nCP=\r\nH0=0,0.5\r\n"},
      {"CP prefix without CP", "[Hand1]\r\nCPX=0.1\r\nH0=0,0.5\r\n"},
      {"length with trailing text", "[Hand1]\r\nCP=0.1\r\nS0=0,0.5x\r\n"},
  };
  for (const auto& c : cases) {
    HandSetLists lists;
    const auto r = ImportHandSetsFromText(std::string("[Hand0]\r\nCP=0.2\r\n") + c.section + "[Hand2]\r\nCP=0.3\r\n", lists);
    EXPECT_EQ(r.Sections, 3) << c.name;
    EXPECT_EQ(r.Dropped, 1) << c.name;
    ASSERT_EQ(lists.LastIndex(), 2) << c.name;
    EXPECT_DOUBLE_EQ(lists.CenterSize[1], 0.2) << c.name;
    EXPECT_DOUBLE_EQ(lists.CenterSize[2], 0.3) << c.name;
  }
}

TEST(HandsFile, LowerCaseKeysAddNoPointsAndAnEmptySectionIsKept) {
  HandSetLists lists;
  ImportHandSetsFromText("[Hand0]\r\nCP=0.1\r\nh0=0,1\r\nm0=0,1\r\ns0=0,1\r\n[Hand1]\r\n", lists);
  ASSERT_EQ(lists.LastIndex(), 2);
  EXPECT_TRUE(lists.Hour[1].empty() && lists.Minute[1].empty() && lists.Second[1].empty());
  EXPECT_TRUE(lists.Hour[2].empty());
  EXPECT_DOUBLE_EQ(lists.CenterSize[2], 0);
}

TEST(HandsFile, ImportAppendsAfterWhatIsHeld) {
  HandSetLists lists;
  ImportHandSetsFromText("[Hand0]\r\nCP=0.1\r\n", lists);
  ImportHandSetsFromText("[Hand0]\r\nCP=0.2\r\n", lists);
  EXPECT_EQ(lists.LastIndex(), 2);
  lists.ResetToWorking();
  EXPECT_EQ(lists.LastIndex(), 0);
  EXPECT_EQ(lists.Hour.size(), 1u);
}

TEST(HandsFile, NumberText) {
  EXPECT_EQ(maker::ParseHandNumber("1.5708"), 1.5708);
  EXPECT_EQ(maker::ParseHandNumber("-0.05"), -0.05);
  EXPECT_EQ(maker::ParseHandNumber("1E-5"), 1e-5);
  EXPECT_EQ(maker::ParseHandNumber("+2"), 2.0);
  for (const char* bad : {"", " ", "1,5", "1.2.3", "E5", "1e", "nan", "inf", "0x10", ".", "1e400", "-1e5000"})
    EXPECT_FALSE(maker::ParseHandNumber(bad).has_value()) << bad;
}

TEST(HandsFile, NumbersTooSmallForADoubleReadAsTheNearestOne) {
  // Below the smallest double a number is 0 (or the nearest subnormal), not
  // a bad number that drops its set.
  struct Case {
    const char* text;
    double value;
  } cases[] = {{"1e-330", 0.0},           {"-1e-330", -0.0},     {"1e-5000", 0.0},
               {"0.0000001e-320", 0.0},   {"5e-324", 5e-324},    {"2.5e-320", 2.5e-320},
               {"1e-310", 1e-310}};
  for (const auto& c : cases) {
    const auto v = maker::ParseHandNumber(c.text);
    ASSERT_TRUE(v.has_value()) << c.text;
    EXPECT_EQ(*v, c.value) << c.text;
    EXPECT_EQ(std::signbit(*v), std::signbit(c.value)) << c.text;
  }
  HandSetLists lists;
  const auto r = ImportHandSetsFromText("[Hand0X]\r\nCP=1e-330\r\nH0=1e-330,0.5\r\n", lists);
  EXPECT_EQ(r.Dropped, 0);
  ASSERT_EQ(lists.LastIndex(), 1);
  ASSERT_EQ(lists.Hour[1].size(), 1u);
  EXPECT_EQ(lists.Hour[1][0].Angle, 0.0);
  EXPECT_EQ(lists.CenterSize[1], 0.0);
}

}  // namespace
