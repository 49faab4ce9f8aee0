// Hand geometry: angles, minute positions, screen points, colours.
#include "engine/hand_model.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace engine;

TEST(HandModel, RoundsHalvesToEvenAndHoldsAbsurdValues) {
  EXPECT_EQ(RoundHalfEven(63.5L), 64);  // image width 127
  EXPECT_EQ(RoundHalfEven(62.5L), 62);  // image width 125
  EXPECT_EQ(RoundHalfEven(-2.5L), -2);
  EXPECT_EQ(RoundHalfEven(100.5L), 100);
  EXPECT_EQ(RoundHalfEven(1e300L), 16777216);
  EXPECT_EQ(RoundHalfEven(-1e300L), -16777216);
  EXPECT_EQ(RoundHalfEven(std::nanl("")), 0);
}

TEST(HandModel, AnglesAtThreeOClock) {
  EXPECT_NEAR(double(HourAngle(3.0)), double(2 * kPi), 1e-15);
  EXPECT_NEAR(double(MinuteAngle(0.0)), double(2.5L * kPi), 1e-15);
  EXPECT_NEAR(double(SecondAngle(0.0)), double(2.5L * kPi), 1e-15);
  EXPECT_NEAR(double(SecondAngle(15.0)), double(2 * kPi), 1e-15);
  // Hour 0 and hour 12 point the same way.
  EXPECT_NEAR(std::cos(double(HourAngle(0.0))), std::cos(double(HourAngle(12.0))), 1e-12);
  EXPECT_NEAR(std::sin(double(HourAngle(0.0))), std::sin(double(HourAngle(12.0))), 1e-12);
}

TEST(HandModel, MinutePositionMovesInTenths) {
  EXPECT_EQ(MinutePosition(37, 47), 37.0L + 7.0L / 10.0L);
  for (int s = 0; s < 60; ++s) EXPECT_EQ(MinutePosition(0, s), (long double)(s / 6) / 10.0L) << s;
  const struct {
    int in, out;
  } hours[] = {{0, 0}, {12, 12}, {13, 1}, {23, 11}};
  for (const auto& h : hours) EXPECT_EQ(Hour12(h.in), h.out);
}

TEST(HandModel, PolarToScreen) {
  const long double phi = SecondAngle(0);  // pointing to 12
  // The tip of a full-length hand on a 200 x 200 image.
  EXPECT_EQ(PolarToScreen({0, 1}, phi, 100, 100, 100, 100), (PixelPoint{100, 0}));
  // At 3 o'clock (phi = 2 pi) a point at angle pi/2 lies above the centre.
  EXPECT_EQ(PolarToScreen({double(kPi / 2), 0.5}, 2 * kPi, 100, 100, 100, 100), (PixelPoint{100, 50}));
  // Elliptical radii: the same point on 200 x 100 lies at half the height.
  EXPECT_EQ(PolarToScreen({0, 1}, phi, 100, 50, 100, 50), (PixelPoint{100, 0}));
  EXPECT_EQ(PolarToScreen({0, 1}, 2 * kPi, 100, 50, 100, 50), (PixelPoint{200, 50}));
  // The maker's length factor.
  EXPECT_EQ(PolarToScreen({0, 1}, 2 * kPi, 100, 100, 100, 100, 0.5L), (PixelPoint{150, 100}));
}

TEST(HandModel, ExpandSymmetricalMirrorsAboutTheAxis) {
  const HandPolygon half = {{0, 1}, {0.5, 0.5}, {3, 0.1}};
  const HandPolygon d = ExpandSymmetrical(half, MirrorForm::Negate);
  ASSERT_EQ(d.size(), 5u);
  EXPECT_EQ(d[3].Angle, -3);
  EXPECT_EQ(d[4].Angle, -0.5);
  EXPECT_EQ(d[4].Length, 0.5);
  const HandPolygon m = ExpandSymmetrical(half, MirrorForm::TwoPiMinus);
  EXPECT_NEAR(m[4].Angle, 2 * M_PI - 0.5, 1e-15);
  EXPECT_EQ(ExpandSymmetrical({{0, 1}}, MirrorForm::Negate).size(), 1u);
}

TEST(HandModel, OutlineAndBackgroundColours) {
  const uint32_t red = 0x0000FF, blue = 0xFF0000, black = 0, white = 0xFFFFFF, yellow = 0x00FFFF;
  const struct {
    uint32_t hand, second, outline, background;
  } cases[] = {
      {red, blue, black, white},
      {red, black, white, black},
      {white, black, yellow, black},
      {black, blue, white, black},
      {black, black, white, black},
      {white, white, black, white},
  };
  for (const auto& c : cases) {
    const HandColours h = DeriveHandColours(c.hand, c.second);
    EXPECT_EQ(h.Outline, c.outline) << std::hex << c.hand << " " << c.second;
    EXPECT_EQ(h.Background, c.background);
  }
}
