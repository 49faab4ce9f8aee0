// The slider geometry of the edit view and the plotting of hands and discs.
#include <gtest/gtest.h>

#include <cmath>

#include "handdesigner/plotting.h"

using designer::HandVertices;
using designer::PointFromSliders;
using designer::SlidersFromPoint;

TEST(SliderGeometry, SliderPositionsGiveQuantisedPoints) {
  struct Case {
    int x, y;
    double angle, length;
  };
  const Case cases[] = {
      {246, 64, 0, 1},            // the tip of a full-length hand
      {80, 0, 1.5708, 0.386},     // straight up
      {80, 127, 4.7124, 0.38},    // straight down
      {0, 64, 3.1416, 0.482},     // behind the centre
      {180, 14, 0.4636, 0.674},   // l = 100, v = 50
      {80, 64, 0, 0},             // the centre
      {0, 127, 3.8087, 0.613},  // lower left: arctan(63 / 80) = 0.6671, plus pi
  };
  for (const auto& c : cases) {
    const engine::HandPoint p = PointFromSliders(c.x, c.y);
    EXPECT_NEAR(p.Angle, c.angle, 1e-12) << c.x << "," << c.y;
    EXPECT_NEAR(p.Length, c.length, 1e-12) << c.x << "," << c.y;
  }
}

TEST(SliderGeometry, PointsGiveSliderPositions) {
  EXPECT_EQ(SlidersFromPoint({0, 1}).X, 246);
  EXPECT_EQ(SlidersFromPoint({0, 1}).Y, 64);
  // cos gives a tiny negative product that rounds to 0; -49.8 rounds to -50.
  EXPECT_EQ(SlidersFromPoint({1.5708, 0.3}).X, 80);
  EXPECT_EQ(SlidersFromPoint({1.5708, 0.3}).Y, 14);
  EXPECT_EQ(SlidersFromPoint({0, 1.2}).X, 279);  // beyond the slider; the slider holds it at 255
  // Exact halves round to even: 166 x 0.75 = 124.5 gives 124, 166 x 0.25 =
  // 41.5 gives 42.
  EXPECT_EQ(SlidersFromPoint({0, 0.75}).X, 80 + 124);
  EXPECT_EQ(SlidersFromPoint({0, 0.25}).X, 80 + 42);
  EXPECT_EQ(HandVertices({{0, 0.75}, {0, 0.25}}, false, 80, 64, 166, 166)[0].X, 80 + 124);
  EXPECT_EQ(HandVertices({{0, 0.75}, {0, 0.25}}, false, 80, 64, 166, 166)[1].X, 80 + 42);
}

TEST(HandPlotting, SymmetricalHandsAreMirroredWhenDrawn) {
  const engine::HandPolygon two = {{0, 1}, {0.5, 0.2}};
  const auto whole = HandVertices(two, true, 80, 64, 166, 166);
  ASSERT_EQ(whole.size(), 3u);
  EXPECT_EQ(whole[0].X, 246);
  EXPECT_EQ(whole[2].X, whole[1].X);
  EXPECT_EQ(whole[2].Y - 64, 64 - whole[1].Y);
  EXPECT_EQ(HandVertices({{0, 1}}, true, 80, 64, 166, 166).size(), 1u);
  EXPECT_EQ(HandVertices(two, false, 80, 64, 166, 166).size(), 2u);
}

TEST(HandPlotting, DrawsNothingWithFewerThanTwoVertices) {
  for (const engine::HandPolygon& hand : {engine::HandPolygon{}, engine::HandPolygon{{0, 1}}}) {
    imaging::Bitmap b(256, 128);
    imaging::Canvas& c = b.GetCanvas();
    c.brush.Color = imaging::RGB(255, 255, 255);
    c.FillRect({0, 0, 256, 128});
    designer::PlotHand(c, hand, true, 80, 64, 166, 166, designer::kHandFill, 0);
    for (int y = 0; y < 128; ++y)
      for (int x = 0; x < 256; ++x) ASSERT_EQ(b.PixelColour(x, y), imaging::RGB(255, 255, 255));
  }
}

TEST(HandPlotting, TwoPointsOfAnUnsymmetricalHandDrawALine) {
  imaging::Bitmap b(256, 128);
  imaging::Canvas& c = b.GetCanvas();
  c.brush.Color = imaging::RGB(255, 255, 255);
  c.FillRect({0, 0, 256, 128});
  // (0, 1) lies at (246, 64), (0, 0.5) at (163, 64).
  designer::PlotHand(c, {{0, 1}, {0, 0.5}}, false, 80, 64, 166, 166, designer::kHandFill, 0);
  for (int x = 163; x <= 246; ++x) ASSERT_EQ(b.PixelColour(x, 64), 0u) << x;
  EXPECT_EQ(b.PixelColour(162, 64), imaging::RGB(255, 255, 255));
  EXPECT_EQ(b.PixelColour(200, 63), imaging::RGB(255, 255, 255));
  EXPECT_EQ(b.PixelColour(200, 65), imaging::RGB(255, 255, 255));
}

TEST(HandPlotting, DiscRadiusFollowsTheViewRadius) {
  struct Case {
    int radius;
    double centerSize;
    int expected;
  };
  // 0.1 of 166 is 16.6 (17); of 83 it is 8.3 (8). A negative size gives the
  // disc's rectangle with its corners the other way round: the same disc.
  for (const Case c : {Case{166, 0.1, 17}, Case{83, 0.1, 8}, Case{166, -0.1, 17}, Case{83, -0.1, 8}}) {
    imaging::Bitmap b(256, 128);
    imaging::Canvas& canvas = b.GetCanvas();
    canvas.brush.Color = imaging::RGB(255, 255, 255);
    canvas.FillRect({0, 0, 256, 128});
    designer::PlotDisc(canvas, c.centerSize, 80, 64, c.radius, c.radius, 0);
    EXPECT_EQ(b.PixelColour(80, 64), designer::kSecondFill) << c.radius << " " << c.centerSize;
    EXPECT_EQ(b.PixelColour(80 - c.expected, 64), 0u) << c.radius << " " << c.centerSize;  // the outline on the left edge
    EXPECT_EQ(b.PixelColour(80 - c.expected - 1, 64), imaging::RGB(255, 255, 255)) << c.radius;
  }
}

// Every vertex of the outline is drawn, whichever way its lines run: a
// thin hand turned to each of 600 directions.
TEST(HandPlotting, EveryVertexIsDrawn) {
  int missed = 0;
  for (int step = 0; step < 600; ++step) {
    const double a = step * 2 * M_PI / 600;
    const engine::HandPolygon hand = {{a, 0.9}, {a + M_PI / 2, 0.03}, {a + M_PI, 0.1}, {a + 3 * M_PI / 2, 0.03}};
    imaging::Bitmap b(256, 128);
    imaging::Canvas& c = b.GetCanvas();
    c.brush.Color = imaging::RGB(255, 255, 255);
    c.FillRect({0, 0, 256, 128});
    designer::PlotHand(c, hand, false, 128, 64, 60, 60, designer::kHandFill, 0);
    for (const auto& v : HandVertices(hand, false, 128, 64, 60, 60)) missed += b.PixelColour(v.X, v.Y) != 0;
  }
  EXPECT_EQ(missed, 0);
}
