#include "maker/dial/key_colour.h"

#include <gtest/gtest.h>

#include "maker/dial/maker_math.h"

using imaging::Bitmap;
using imaging::Colour;
using imaging::PixelFormat;
using namespace maker;

namespace {

Bitmap Filled(int w, int h, Colour c) {
  Bitmap b(w, h, PixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixelColour(x, y, c);
  return b;
}

constexpr Colour kRed = 0x000000FF, kGreen = 0x0000FF00, kBlue = 0x00FF0000;

}  // namespace

TEST(RoundHalfAway, HalvesGoAwayFromZero) {
  struct Case {
    long double x;
    int32_t want;
  } cases[] = {{2.5L, 3}, {-2.5L, -3}, {-0.5L, -1}, {0.5L, 1}, {1.49L, 1}, {-1.49L, -1},
               {0.49999999999999994L, 0}, {10.24L, 10}, {27.027L, 27}, {0, 0}};
  for (const auto& c : cases) EXPECT_EQ(RoundHalfAway(c.x), c.want) << double(c.x);
  // 0.49999999999999994 as a double plus 0.5 is 1 in double arithmetic, 0 in long double.
  EXPECT_EQ(RoundHalfAway(0.49999999999999994), 0);
}

TEST(NudgeKeyColour, MovesOnlyExactMatchesOneBlueStep) {
  struct Case {
    Colour c, want;
  } cases[] = {{0x00000000, 0x00010000}, {0x00FFFFFF, 0x00FEFFFF}, {0x007F1020, 0x00801020},
               {0x00801020, 0x007F1020}, {0xAB000000, 0x00010000}};  // top byte plays no part
  for (const auto& c : cases) {
    Bitmap b = Filled(3, 2, c.c & 0xFFFFFF);
    b.SetPixelColour(1, 1, (c.c & 0xFFFF00) | 0x42);  // same blue and green, other red
    NudgeKeyColour(b, c.c);
    EXPECT_EQ(b.PixelColour(0, 0), c.want);
    EXPECT_EQ(b.PixelColour(2, 1), c.want);
    EXPECT_EQ(b.PixelColour(1, 1), (c.c & 0xFFFF00) | 0x42) << "not equal to C: untouched";
  }
}

TEST(NudgeKeyColour, SetsAPaletteOrThirtyTwoBitPictureTo24Bits) {
  Bitmap b(2, 2, PixelFormat::pf32bit);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) b.SetPixelColour(x, y, kRed);
  NudgeKeyColour(b, kRed);
  EXPECT_EQ(b.GetPixelFormat(), PixelFormat::pf24bit);
  EXPECT_EQ(b.PixelColour(1, 1), 0x000100FFu);
}

TEST(ReplaceKeyColour, RepaintsEveryPixelOfTheTopLeftColour) {
  Bitmap b = Filled(4, 3, kGreen);
  b.SetPixelColour(1, 1, kRed);
  b.SetPixelColour(3, 2, kBlue);
  ReplaceKeyColour(b, kBlue);
  EXPECT_EQ(b.PixelColour(0, 0), kBlue);
  EXPECT_EQ(b.PixelColour(2, 2), kBlue);
  EXPECT_EQ(b.PixelColour(1, 1), kRed);
  EXPECT_EQ(b.PixelColour(3, 2), kBlue);

  // Already that colour: nothing changes.
  Bitmap same = Filled(2, 2, kRed);
  same.SetPixelColour(1, 0, kGreen);
  ReplaceKeyColour(same, kRed);
  EXPECT_EQ(same.PixelColour(0, 0), kRed);
  EXPECT_EQ(same.PixelColour(1, 0), kGreen);
}

TEST(Rekey, PixelsOfTheNewColourAreExactlyTheFormerTransparentOnes) {
  // Key green at (0, 0) and (2, 0); a visible pixel that already is the new
  // colour must move off it first.
  Bitmap b = Filled(3, 1, kGreen);
  b.SetPixelColour(1, 0, 0x00000000);
  Rekey(b, 0x00000000);
  EXPECT_EQ(b.PixelColour(0, 0), 0u);
  EXPECT_EQ(b.PixelColour(1, 0), 0x00010000u);
  EXPECT_EQ(b.PixelColour(2, 0), 0u);
}

TEST(MakeKeyMask, WhiteExactlyWhereTheColourWas) {
  Bitmap b = Filled(3, 1, kRed);
  b.SetPixelColour(1, 0, 0x000001FF);  // one off in green
  b.SetPixelColour(2, 0, 0x00FFFFFF);
  MakeKeyMask(b, kRed);
  EXPECT_EQ(b.PixelColour(0, 0), 0x00FFFFFFu);
  EXPECT_EQ(b.PixelColour(1, 0), 0u);
  EXPECT_EQ(b.PixelColour(2, 0), 0u) << "white itself is not the key";
}

TEST(ApplyKeyMask, PaintsOnlyUnderPureWhite) {
  Bitmap t = Filled(4, 1, kGreen);
  Bitmap m = Filled(4, 1, 0x00FFFFFF);
  m.SetPixelColour(1, 0, 0x00FEFFFF);  // blue 254
  m.SetPixelColour(2, 0, 0x00FFFFFE);  // red 254
  m.SetPixelColour(3, 0, 0);
  ApplyKeyMask(t, m, kBlue);
  EXPECT_EQ(t.PixelColour(0, 0), kBlue);
  EXPECT_EQ(t.PixelColour(1, 0), kGreen);
  EXPECT_EQ(t.PixelColour(2, 0), kGreen);
  EXPECT_EQ(t.PixelColour(3, 0), kGreen);
}

TEST(ApplyKeyMask, ASmallerMaskTouchesOnlyTheCoveredPart) {
  Bitmap t = Filled(4, 3, kGreen);
  Bitmap m = Filled(2, 2, 0x00FFFFFF);
  ApplyKeyMask(t, m, kRed);
  EXPECT_EQ(t.PixelColour(1, 1), kRed);
  EXPECT_EQ(t.PixelColour(2, 1), kGreen);
  EXPECT_EQ(t.PixelColour(1, 2), kGreen);
}

TEST(CompositeTransparent, CentresBothAndLeavesOutTheOverlaysKey) {
  // Base 100 x 100 keyed blue with one red pixel at (0, 50); overlay 120 x 80
  // keyed green with a white opaque bar across row 40 and one black pixel.
  Bitmap a = Filled(100, 100, kBlue);
  a.SetPixelColour(0, 50, kRed);
  Bitmap b = Filled(120, 80, kGreen);
  for (int x = 20; x < 100; ++x) b.SetPixelColour(x, 40, 0x00FFFFFF);
  b.SetPixelColour(119, 79, 0);
  CompositeTransparent(a, b);
  ASSERT_EQ(a.Width(), 120);
  ASSERT_EQ(a.Height(), 100);
  EXPECT_EQ(a.GetPixelFormat(), PixelFormat::pf24bit);
  EXPECT_EQ(a.PixelColour(0, 0), kBlue) << "border of the base shows its key colour";
  EXPECT_EQ(a.PixelColour(9, 50), kBlue);
  EXPECT_EQ(a.PixelColour(10, 50), kRed) << "base sits at (10, 0)";
  EXPECT_EQ(a.PixelColour(119, 50), kBlue);
  EXPECT_EQ(a.PixelColour(20, 50), 0x00FFFFFFu) << "overlay row 40 sits at row 50";
  EXPECT_EQ(a.PixelColour(19, 50), kBlue);
  EXPECT_EQ(a.PixelColour(119, 89), 0u) << "overlay sits at (0, 10)";
  EXPECT_EQ(a.PixelColour(50, 5), kBlue) << "overlay border never reaches the result";
  EXPECT_EQ(b.Width(), 120) << "the overlay keeps its pixels";
  EXPECT_EQ(b.PixelColour(119, 79), 0u);
}

TEST(CompositeTransparent, OddDifferencePutsTheExtraPixelRightAndBottom) {
  // Trunc(3 / 2) = 1: a 2 x 2 picture inside 5 x 5 starts at (1, 1).
  Bitmap a = Filled(2, 2, kRed);
  a.SetPixelColour(1, 1, kBlue);
  Bitmap b = Filled(5, 5, kGreen);
  CompositeTransparent(a, b);
  ASSERT_EQ(a.Width(), 5);
  ASSERT_EQ(a.Height(), 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(a.PixelColour(x, y), x == 2 && y == 2 ? kBlue : kRed) << x << "," << y;

  Bitmap base = Filled(5, 5, kRed);
  Bitmap small = Filled(2, 2, kGreen);
  small.SetPixelColour(1, 1, 0);
  CompositeTransparent(base, small);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(base.PixelColour(x, y), x == 2 && y == 2 ? 0u : kRed) << x << "," << y;
}

TEST(CompositeTransparent, SameSizeAndChaining) {
  Bitmap a = Filled(3, 3, kRed);
  a.SetPixelColour(1, 1, kGreen);
  Bitmap b = Filled(3, 3, kBlue);
  b.SetPixelColour(2, 2, 0x00123456);
  b.SetPixelColour(1, 0, 0x00FF0001);  // one off the key in red
  CompositeTransparent(a, b);
  EXPECT_EQ(a.PixelColour(0, 0), kRed);
  EXPECT_EQ(a.PixelColour(1, 1), kGreen);
  EXPECT_EQ(a.PixelColour(2, 2), 0x00123456u);
  EXPECT_EQ(a.PixelColour(1, 0), 0x00FF0001u);
  // The result serves as the base of a further composite.
  Bitmap c = Filled(1, 1, kGreen);
  CompositeTransparent(a, c);
  EXPECT_EQ(a.PixelColour(1, 1), kGreen);
  EXPECT_EQ(a.PixelColour(0, 0), kRed);
}

TEST(CompositeTransparent, EmptyPictures) {
  Bitmap a = Filled(2, 2, kRed);
  Bitmap empty;
  CompositeTransparent(a, empty);
  EXPECT_EQ(a.Width(), 2);
  EXPECT_EQ(a.PixelColour(1, 1), kRed);
  Bitmap base;
  Bitmap b = Filled(2, 2, kGreen);
  b.SetPixelColour(1, 1, kBlue);
  CompositeTransparent(base, b);
  ASSERT_EQ(base.Width(), 2);
  EXPECT_EQ(base.PixelColour(0, 0), kGreen);
  EXPECT_EQ(base.PixelColour(1, 1), kBlue);
}
