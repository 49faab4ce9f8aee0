#include <gtest/gtest.h>

#include <cstring>

#include "maker/clock_builder.h"

namespace {

using namespace maker;

std::string AsText(const Bytes& b) { return std::string(b.begin(), b.end()); }

TEST(ClockBuilder, FlagsAndOffsets) {
  EXPECT_EQ(ClockFlags(true, false, 3, false, true, true), 0x6D);
  EXPECT_EQ(ClockFlags(false, true, 0, true, false, false), 0x12);
  const DisplayOffset o = DisplayOffsetOf(0, 0, 129, 128, 40, 85);
  EXPECT_EQ(o.dx, 24);
  EXPECT_EQ(o.dy, -21);
  // Taken in 16-bit arithmetic.
  EXPECT_EQ(DisplayOffsetOf(40000, 0, 0, 0, 0, 0).dx, int16_t(40000 - 65536));
}

TEST(ClockBuilder, ShortTexts) {
  EXPECT_EQ(ShortTextOf(" \t(c) me \r\n"), "(c) me");
  EXPECT_EQ(ShortTextOf("   "), "");
  EXPECT_EQ(ShortTextOf(std::string(300, 'a')).size(), 255u);
  // A double-byte character that would straddle byte 255 is left out whole.
  const std::string sjis = std::string(254, 'a') + "\x93\xFA" + "b";
  EXPECT_EQ(ShortTextOf(sjis), std::string(254, 'a'));
  EXPECT_TRUE(IsWebAddress("hTtPs://example.org"));
  EXPECT_TRUE(IsWebAddress("HTTP://a"));
  EXPECT_FALSE(IsWebAddress("www.example.org"));
  EXPECT_FALSE(IsWebAddress("htt"));
}

TEST(ClockBuilder, SectionsInOrderAndOnlyWhenPresent) {
  ClockContent c;
  c.EngineImage = Bytes(100, 'E');
  c.HandColor = 0x000000FF;
  c.SecondHandColor = 0x00FF0000;
  c.EngineTag = "00000100Rundavel";
  c.Flags = 0x41;
  c.Copyright = "me";
  c.Url = "www.example.org";
  const std::string minimal = AsText(BuildClockProgram(c));
  EXPECT_EQ(minimal.find("--DELIMIT-BMP---"), std::string::npos);
  EXPECT_EQ(minimal.find("--DELIMIT-HR----"), std::string::npos);
  EXPECT_EQ(minimal.find("--DELIMIT-URL---"), std::string::npos);
  EXPECT_NE(minimal.find("--DELIMIT-CPY---"), std::string::npos);

  c.Dial = imaging::Bitmap(4, 4);
  c.Frame = imaging::Bitmap(2, 2);
  engine::HandSet h;
  h.Hour = {{0, 0.4}, {1, 0.2}};
  h.CenterSize = 0.05;
  c.Hands = h;
  c.Url = "http://example.org";
  const Bytes full = BuildClockProgram(c);
  const std::string t = AsText(full);
  size_t last = 0;
  for (const char* kind : {"BMP---", "FG----", "CL1---", "CL2---", "HR----", "MN----", "SC----", "CTR---", "OSD---",
                           "OST---", "PRTR--", "CPY---", "URL---"}) {
    const size_t at = t.find(std::string("--DELIMIT-") + kind);
    ASSERT_NE(at, std::string::npos) << kind;
    EXPECT_GT(at, last) << kind;
    last = at;
  }
  EXPECT_EQ(t.substr(t.size() - 17, 16), "00000100Rundavel");
  EXPECT_EQ(full.back(), 0x41);
  // Two hour points of 16 bytes, then the minute marker.
  const size_t hr = t.find("--DELIMIT-HR----") + 16;
  EXPECT_EQ(t.find("--DELIMIT-MN----"), hr + 32);
  double second = 0;
  std::memcpy(&second, full.data() + hr + 8, 8);
  EXPECT_DOUBLE_EQ(second, 0.4);
}

Bytes Clock(const std::string& digits, size_t sections = 40, uint8_t flags = 0x33) {
  const size_t engine = size_t(std::stoul(digits));
  Bytes b(engine, 'E');
  for (size_t i = 0; i < sections; ++i) b.push_back(uint8_t('s'));
  const std::string tag = digits + "Rundavel";
  b.insert(b.end(), tag.begin(), tag.end());
  b.push_back(flags);
  return b;
}

TEST(MovementUpdate, ReadsTheOldClockAndRebuildsItWithTheNewEngine) {
  const Bytes old = Clock("00000064");
  OldClock oc;
  ASSERT_EQ(ReadOldClock(old, oc), OldClockCheck::Ok);
  EXPECT_EQ(oc.EngineSize, 64);
  EXPECT_EQ(oc.SectionsLength, 40u);
  EXPECT_EQ(oc.Flags, 0x33);
  const Bytes rebuilt = RebuildWithEngine(Bytes(10, 'N'), old, oc, "00000010Rundavel");
  EXPECT_EQ(AsText(rebuilt), std::string(10, 'N') + std::string(40, 's') + "00000010Rundavel" + "\x33");
}

TEST(MovementUpdate, RefusesWhatIsNoClockAndRaisesForBadTags) {
  OldClock oc;
  Bytes notClock = Clock("00000064");
  notClock[notClock.size() - 9] = 'r';
  EXPECT_EQ(ReadOldClock(notClock, oc), OldClockCheck::NotAClock);
  EXPECT_EQ(ReadOldClock(Bytes(5, 'x'), oc), OldClockCheck::NotAClock);
  Bytes badDigits = Clock("00000064");
  badDigits[badDigits.size() - 13] = 'x';
  EXPECT_THROW(ReadOldClock(badDigits, oc), std::runtime_error);
  // An engine size that leaves no room for the sections.
  Bytes tooLong = Clock("00000064");
  std::memcpy(tooLong.data() + tooLong.size() - 17, "00099999", 8);
  EXPECT_THROW(ReadOldClock(tooLong, oc), std::runtime_error);
}

TEST(MovementUpdate, WarningsByEngineSize) {
  EXPECT_NE(OlderReleaseWarning(830464)->find("Tazlo Ver.0.71"), std::string::npos);
  EXPECT_NE(OlderReleaseWarning(812544)->find("Tazlo Ver.0.70"), std::string::npos);
  EXPECT_NE(OlderReleaseWarning(674304)->find("Quibbet Ver.0.51"), std::string::npos);
  EXPECT_NE(OlderReleaseWarning(831487)->find("Tazlo Ver.0.41"), std::string::npos);
  EXPECT_FALSE(OlderReleaseWarning(831488));
  EXPECT_FALSE(OlderReleaseWarning(841216));
}

}  // namespace
