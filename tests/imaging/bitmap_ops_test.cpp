// Row access, flips, quarter turns, resampling and free rotation.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <new>
#include <string>
#include <limits>
#include <vector>

#include "imaging/bitmap_ops.h"
#include "imaging/parallel_rows.h"

using namespace imaging;

namespace {

// A picture whose every pixel differs: red = x, green = y, blue = seed.
Bitmap Numbered(int w, int h, uint8_t seed = 7) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixelColour(x, y, RGB(uint8_t(x * 13 + 1), uint8_t(y * 29 + 2), uint8_t(seed + x * y)));
  return b;
}

// A grey picture from rows of values.
Bitmap Grey(const std::vector<std::vector<int>>& rows) {
  Bitmap b(int(rows[0].size()), int(rows.size()));
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const auto v = uint8_t(rows[size_t(y)][size_t(x)]);
      b.SetPixelColour(x, y, RGB(v, v, v));
    }
  return b;
}

std::vector<std::vector<int>> RedOfAll(const Bitmap& b) {
  std::vector<std::vector<int>> out(size_t(b.Height()), std::vector<int>(size_t(b.Width())));
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) out[size_t(y)][size_t(x)] = RedOf(b.PixelColour(x, y));
  return out;
}

bool SamePixels(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.GetPixelFormat() != b.GetPixelFormat()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.PixelColour(x, y) != b.PixelColour(x, y)) return false;
  return true;
}

}  // namespace

TEST(BitmapAccess, RowTableAndPixelAddress) {
  Bitmap b = Numbered(5, 3);
  const TBmpData24 d(b);
  ASSERT_EQ(d.Width, 5);
  ASSERT_EQ(d.Height, 3);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(d.Rows[size_t(y)], b.ScanLine(y));
  EXPECT_EQ(PixelAt(d, 4, 2), b.ScanLine(2) + 12);
  EXPECT_EQ(PixelAt(d, 4, 2)[2], RedOf(b.PixelColour(4, 2)));
}

TEST(BitmapAccess, CloneIsAnIndependentCopy) {
  Bitmap b(3, 2, PixelFormat::pf8bit);
  b.ScanLine(1)[2] = 9;
  auto c = CloneBitmap(b);
  EXPECT_TRUE(SamePixels(*c, b));
  EXPECT_EQ(c->Palette(), b.Palette());
  c->ScanLine(1)[2] = 3;
  EXPECT_EQ(b.ScanLine(1)[2], 9);
  const FloatPoint p = MakeFloatPoint(1.5f, -2.25f);
  EXPECT_EQ(p.X, 1.5f);
  EXPECT_EQ(p.Y, -2.25f);
}

TEST(BitmapAccess, ClampByte) {
  const long double nan = std::numeric_limits<long double>::quiet_NaN();
  const long double inf = std::numeric_limits<long double>::infinity();
  const struct {
    long double v;
    int want;
  } cases[] = {{-0.01L, 0}, {255.4L, 255}, {300, 255}, {127.5L, 128}, {128.5L, 128}, {0.5L, 0},  {1.5L, 2},
               {2.5L, 2},   {254.5L, 254}, {254.6L, 255}, {0.49L, 0}, {nan, 0},    {-inf, 0}, {inf, 255},
               // one unit of the last place from a half decides
               {std::nextafterl(127.5L, 0), 127}, {std::nextafterl(126.5L, 255), 127}, {std::nextafterl(0.5L, 1), 1}};
  for (const auto& c : cases) EXPECT_EQ(ClampByte(c.v), c.want) << double(c.v);
}

TEST(FlipAndTurn, RefusePaletteBitmaps) {
  Bitmap b(3, 2, PixelFormat::pf8bit);
  b.ScanLine(0)[0] = 5;
  const Bitmap before = b;
  EXPECT_FALSE(FlipBitmap(b, true));
  EXPECT_FALSE(FlipBitmap(b, false));
  EXPECT_FALSE(RotateBitmap90(b, true));
  EXPECT_FALSE(ResampleBitmap(b, 6, 4, rfLagrange));
  EXPECT_FALSE(RotateBitmapFree(b, 0, 30));
  EXPECT_TRUE(SamePixels(b, before));
}

TEST(FlipAndTurn, FlipsMoveThePixels) {
  const Bitmap src = Numbered(3, 2);
  Bitmap h = src, v = src;
  ASSERT_TRUE(FlipBitmap(h, true));
  ASSERT_TRUE(FlipBitmap(v, false));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(h.PixelColour(2 - x, y), src.PixelColour(x, y));
      EXPECT_EQ(v.PixelColour(x, 1 - y), src.PixelColour(x, y));
    }
}

TEST(FlipAndTurn, ThreeByTwoTurns) {
  const Bitmap src = Numbered(3, 2);
  Bitmap cw = src, ccw = src;
  ASSERT_TRUE(RotateBitmap90(cw, true));
  ASSERT_TRUE(RotateBitmap90(ccw, false));
  ASSERT_EQ(cw.Width(), 2);
  ASSERT_EQ(cw.Height(), 3);
  EXPECT_EQ(cw.PixelColour(1, 0), src.PixelColour(0, 0));  // top-left to top-right
  EXPECT_EQ(cw.PixelColour(0, 0), src.PixelColour(0, 1));  // bottom-left to top-left
  EXPECT_EQ(cw.PixelColour(0, 2), src.PixelColour(2, 1));
  ASSERT_EQ(ccw.Width(), 2);
  EXPECT_EQ(ccw.PixelColour(0, 2), src.PixelColour(0, 0));  // top-left to bottom-left
  EXPECT_EQ(ccw.PixelColour(1, 0), src.PixelColour(2, 1));
}

TEST(FlipAndTurn, SequencesThatGiveThePictureBack) {
  for (auto [w, h] : {std::pair{5, 3}, std::pair{1, 1}, std::pair{4, 7}}) {
    const Bitmap src = Numbered(w, h);
    Bitmap b = src;
    FlipBitmap(b, true);
    FlipBitmap(b, true);
    EXPECT_TRUE(SamePixels(b, src)) << "horizontal twice " << w << "x" << h;
    FlipBitmap(b, false);
    FlipBitmap(b, false);
    EXPECT_TRUE(SamePixels(b, src)) << "vertical twice";
    for (int i = 0; i < 4; ++i) RotateBitmap90(b, true);
    EXPECT_TRUE(SamePixels(b, src)) << "four turns";
    RotateBitmap90(b, true);
    RotateBitmap90(b, false);
    EXPECT_TRUE(SamePixels(b, src)) << "there and back";
  }
  Bitmap one = Numbered(1, 1), same = one;
  FlipBitmap(one, true);
  FlipBitmap(one, false);
  RotateBitmap90(one, true);
  EXPECT_TRUE(SamePixels(one, same));
}

TEST(Resample, SameSizeGivesThePictureBackForFiltersZeroToThree) {
  const Bitmap src = Numbered(7, 5, 90);
  for (ResampleFilter f : {rfNearest, rfBilinear, rfBicubic, rfLagrange}) {
    Bitmap b = src;
    ASSERT_TRUE(ResampleBitmap(b, 7, 5, f));
    EXPECT_TRUE(SamePixels(b, src)) << int(f);
  }
}

TEST(Resample, SameSizeBlursWithBSplineAndMitchell) {
  // One white dot at (2, 2) on black. Weights at fraction 0:
  // B-spline 1/6, 4/6, 1/6; Mitchell 1/18, 16/18, 1/18.
  const std::vector<std::vector<int>> dot = {
      {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 255, 0, 0}, {0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}};
  Bitmap b = Grey(dot);
  ASSERT_TRUE(ResampleBitmap(b, 5, 5, rfBSpline));
  // 255*16/36 = 113.3, 255*4/36 = 28.3, 255/36 = 7.1
  const std::vector<std::vector<int>> bspline = {
      {0, 0, 0, 0, 0}, {0, 7, 28, 7, 0}, {0, 28, 113, 28, 0}, {0, 7, 28, 7, 0}, {0, 0, 0, 0, 0}};
  EXPECT_EQ(RedOfAll(b), bspline);
  Bitmap m = Grey(dot);
  ASSERT_TRUE(ResampleBitmap(m, 5, 5, rfMitchell));
  // 255*256/324 = 201.5 (just below the half), 255*16/324 = 12.6, 255/324 = 0.79
  const std::vector<std::vector<int>> mitchell = {
      {0, 0, 0, 0, 0}, {0, 1, 13, 1, 0}, {0, 13, 201, 13, 0}, {0, 1, 13, 1, 0}, {0, 0, 0, 0, 0}};
  EXPECT_EQ(RedOfAll(m), mitchell);
}

TEST(Resample, DoublingTwoByTwo) {
  Bitmap n = Grey({{10, 200}, {60, 90}});
  ASSERT_TRUE(ResampleBitmap(n, 4, 4, rfNearest));
  // Columns and rows 0, 1, 2, 3 read 0, 0, 1, 1.
  EXPECT_EQ(RedOfAll(n), (std::vector<std::vector<int>>{
                             {10, 10, 200, 200}, {10, 10, 200, 200}, {60, 60, 90, 90}, {60, 60, 90, 90}}));
  Bitmap l = Grey({{0, 200}, {100, 100}});
  ASSERT_TRUE(ResampleBitmap(l, 4, 4, rfBilinear));
  // The last column and row repeat the source's last.
  EXPECT_EQ(RedOfAll(l), (std::vector<std::vector<int>>{
                             {0, 100, 200, 200}, {50, 100, 150, 150}, {100, 100, 100, 100}, {100, 100, 100, 100}}));
}

TEST(Resample, OutOfRangeTapReadsTheBaseColumn) {
  // 4 -> 3 with bicubic: target 2 sits at 8/3 (ix = 2); its tap at column 4
  // reads column 2 with weight -4/27, not column 3.
  Bitmap b = Grey({{0, 0, 100, 0}});
  ASSERT_TRUE(ResampleBitmap(b, 3, 1, rfBicubic));
  // x = 1: 100 * 11/27 = 40.7; x = 2: 100 * (11/27 - 4/27) = 25.9
  EXPECT_EQ(RedOfAll(b), (std::vector<std::vector<int>>{{0, 41, 26}}));
}

TEST(Resample, OvershootIsClamped) {
  // A step doubled: at fraction 0.5 bicubic weighs -1/8, 5/8, 5/8, -1/8 and
  // Lagrange -1/16, 9/16, 9/16, -1/16.
  for (ResampleFilter f : {rfBicubic, rfLagrange}) {
    Bitmap b = Grey({{0, 0, 0, 250, 250, 250}});
    ASSERT_TRUE(ResampleBitmap(b, 12, 1, f));
    const auto row = RedOfAll(b)[0];
    EXPECT_EQ(row[3], 0) << "below 0 at 1.5, filter " << int(f);
    EXPECT_EQ(row[5], 125) << "middle of the step";
    EXPECT_EQ(row[7], 255) << "above 255 at 3.5 (250 * 9/8 = 281)";
  }
}

TEST(Resample, ShrinkingSamplesEveryHundredthColumn) {
  std::vector<std::vector<int>> wide(1, std::vector<int>(1000));
  for (int i = 0; i < 1000; ++i) wide[0][size_t(i)] = (i * 7) % 251;
  for (ResampleFilter f : {rfNearest, rfBicubic, rfLagrange}) {
    Bitmap b = Grey(wide);
    ASSERT_TRUE(ResampleBitmap(b, 10, 1, f));
    for (int x = 0; x < 10; ++x) EXPECT_EQ(RedOf(b.PixelColour(x, 0)), (x * 100 * 7) % 251) << int(f) << " x " << x;
  }
}

TEST(Resample, OneByOneTargetComesFromTheTopLeft) {
  const Bitmap src = Grey({{200, 10, 10}, {10, 10, 10}, {10, 10, 10}});
  for (ResampleFilter f : {rfNearest, rfBilinear, rfBicubic, rfLagrange}) {
    Bitmap b = src;
    ASSERT_TRUE(ResampleBitmap(b, 1, 1, f));
    ASSERT_EQ(b.Width(), 1);
    EXPECT_EQ(RedOf(b.PixelColour(0, 0)), 200) << int(f);
  }
  // B-spline: column and row -1 fold onto 0, so (0,0) weighs 5/6 * 5/6.
  Bitmap s = src;
  ASSERT_TRUE(ResampleBitmap(s, 1, 1, rfBSpline));
  EXPECT_EQ(RedOf(s.PixelColour(0, 0)), 142);  // 200*25/36 + 10*11/36 = 141.9
}

TEST(Resample, ZeroSizeRaisesBeforeAnyChange) {
  Bitmap b = Numbered(4, 4);
  const Bitmap before = b;
  EXPECT_THROW(ResampleBitmap(b, 0, 4, rfBilinear), FloatDivideError);
  EXPECT_THROW(ResampleBitmap(b, 4, 0, rfNearest), FloatDivideError);
  EXPECT_TRUE(SamePixels(b, before));
}

TEST(Resample, LargePicturesSplitOverThreadsStayExact) {
  const Bitmap src = Numbered(640, 480, 3);
  Bitmap b = src;
  ASSERT_TRUE(ResampleBitmap(b, 640, 480, rfLagrange));
  EXPECT_TRUE(SamePixels(b, src));
  Bitmap n = src;
  ASSERT_TRUE(ResampleBitmap(n, 1280, 960, rfNearest));
  for (int y = 0; y < 960; y += 37)
    for (int x = 0; x < 1280; x += 41) {
      const int sx = std::min(639, int(std::nearbyint(x * 0.5))), sy = std::min(479, int(std::nearbyint(y * 0.5)));
      ASSERT_EQ(n.PixelColour(x, y), src.PixelColour(sx, sy)) << x << "," << y;
    }
}

TEST(RotateFree, AnAngleThatIsNoNumberIsAnInvalidOperation) {
  const Bitmap src = Numbered(3, 2);
  for (const float angle : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()}) {
    Bitmap b = src;
    EXPECT_THROW(RotateBitmapFree(b, RGB(1, 2, 3), angle), FloatInvalidOperation) << angle;
    ASSERT_EQ(b.Width(), 3);
    ASSERT_EQ(b.Height(), 2);
    EXPECT_EQ(b.PixelColour(2, 1), src.PixelColour(2, 1));
  }
}

TEST(RowBands, AnExceptionInAnyBandReachesTheCallerAfterEveryBandEnded) {
  // Enough work for every core; the failing band is each band in turn (the
  // first runs on the calling thread, the others on workers).
  const int rows = 64;
  std::mutex m;
  std::vector<std::pair<int, int>> bands;
  ForEachRowBand(rows, 1u << 30, [&](int y0, int y1) {
    std::lock_guard<std::mutex> lock(m);
    bands.emplace_back(y0, y1);
  });
  for (const auto& [failing, failingEnd] : bands) {
    std::atomic<int> done{0};
    EXPECT_THROW(ForEachRowBand(rows, 1u << 30,
                                [&](int y0, int y1) {
                                  if (y0 == failing) throw std::bad_alloc();
                                  done += y1 - y0;
                                }),
                 std::bad_alloc)
        << failing;
    EXPECT_EQ(done, rows - (failingEnd - failing)) << failing;
  }
}

TEST(RotateFree, ZeroDegreesAddsOneColumnAndRowOfFill) {
  const Bitmap src = Numbered(3, 2);
  Bitmap b = src;
  const Colour fill = RGB(1, 2, 3);
  ASSERT_TRUE(RotateBitmapFree(b, fill, 0));
  ASSERT_EQ(b.Width(), 4);
  ASSERT_EQ(b.Height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(b.PixelColour(x, y), x < 3 && y < 2 ? src.PixelColour(x, y) : fill) << x << "," << y;
}

TEST(RotateFree, NinetyDegreesClockwise) {
  const Bitmap src = Numbered(3, 2);
  Bitmap b = src;
  const Colour fill = RGB(0, 0, 0);
  ASSERT_TRUE(RotateBitmapFree(b, fill, 90));
  ASSERT_EQ(b.Width(), 3);   // H + 1
  ASSERT_EQ(b.Height(), 4);  // W + 1
  // Output (x, y) shows picture (y, 2 - x): top-left ends at the top-right.
  EXPECT_EQ(b.PixelColour(2, 0), src.PixelColour(0, 0));
  EXPECT_EQ(b.PixelColour(1, 0), src.PixelColour(0, 1));
  EXPECT_EQ(b.PixelColour(2, 2), src.PixelColour(2, 0));
  EXPECT_EQ(b.PixelColour(0, 1), fill);
  EXPECT_EQ(b.PixelColour(2, 3), fill);
}

TEST(RotateFree, FortyFiveAndThirtyDegrees) {
  Bitmap b(100, 100);
  b.GetCanvas().brush.Color = RGB(255, 0, 0);
  b.GetCanvas().FillRect(Rect{0, 0, 100, 100});
  const Colour fill = RGB(0, 0, 255);
  Bitmap r45 = b;
  ASSERT_TRUE(RotateBitmapFree(r45, fill, 45));
  EXPECT_EQ(r45.Width(), 142);  // 141.42 + 1
  EXPECT_EQ(r45.Height(), 142);
  for (auto [x, y] : {std::pair{0, 0}, std::pair{141, 0}, std::pair{0, 141}, std::pair{141, 141}})
    EXPECT_EQ(r45.PixelColour(x, y), fill) << x << "," << y;
  EXPECT_EQ(r45.PixelColour(71, 71), RGB(255, 0, 0));
  // Along the turned edges picture and fill mix.
  int mixed = 0;
  for (int x = 0; x < 142; ++x) {
    const Colour c = r45.PixelColour(x, 30);
    if (RedOf(c) > 0 && BlueOf(c) > 0) ++mixed;
  }
  EXPECT_GE(mixed, 2);

  Bitmap t = b;
  ASSERT_TRUE(RotateBitmapFree(t, fill, 30));
  EXPECT_EQ(t.Width(), 138);  // 100 * (cos 30 + sin 30) + 1 = 137.6
  ASSERT_TRUE(RotateBitmapFree(t, fill, -30));
  EXPECT_EQ(t.Width(), 190);  // 138 * 1.366 + 1 = 189.5: the size grows again
  EXPECT_EQ(t.Height(), 190);
}

// Free turns of a patterned picture, pixel for pixel: digests of the turns at
// a range of angles, as the turn gave them when it was written. A faster
// turn must keep every pixel.
TEST(RotateFree, PixelsStayAsTheyWere) {
  Bitmap src(37, 23);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) src.SetPixelColour(x, y, RGB(uint8_t(x * 7 + y), uint8_t(y * 11), uint8_t(x * y)));
  std::string got;
  for (const float angle : {0.0f, 7.5f, 30.0f, -45.0f, 90.0f, 123.4f, 180.0f, 330.0f, -359.9f}) {
    Bitmap b = src;
    ASSERT_TRUE(RotateBitmapFree(b, RGB(9, 200, 31), angle));
    uint64_t h = 0xCBF29CE484222325ull;
    auto mix = [&h](uint32_t v) {
      for (int i = 0; i < 4; ++i) h = (h ^ ((v >> (8 * i)) & 0xFF)) * 0x100000001B3ull;
    };
    mix(uint32_t(b.Width()));
    mix(uint32_t(b.Height()));
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) mix(b.PixelColour(x, y));
    char line[64];
    std::snprintf(line, sizeof line, "%g: %016llx\n", double(angle), (unsigned long long)h);
    got += line;
  }
  EXPECT_EQ(got,
            "0: 5fdad5789d8bb075\n7.5: bb8f5bfeaeed36f6\n30: 2562933c340cc91c\n-45: b9e91f108e2cef55\n"
            "90: b4cdbce9cd6909dd\n123.4: 55b156de3b8d6e3e\n180: 086d9193db924231\n330: 670bbf9a46cdf684\n"
            "-359.9: 4023eeb79a9a2b2b\n");
}

namespace {

// Bilinear and the 4 x 4 filters evaluated one pixel at a time in their
// defining order and precision: the yardstick for the faster evaluation in
// the library.
long double Kernel(int f, long double d) {
  switch (f) {
    case rfBicubic: return d < 1 ? (d * d - d - 1) * (d - 1) : -(d - 1) * (d - 2) * (d - 2);
    case rfLagrange: return d < 1 ? (d - 2) * 0.5L * (d + 1) * (d - 1) : -(d - 3) * (d - 2) * (d - 1) / 6;
    default:
      return d < 1 ? 7 * d * d * d / 6 - 2 * d * d + 8.0L / 9.0L
                   : -7 * d * d * d / 18 + 2 * d * d - 10 * d / 3 + 16.0L / 9.0L;
  }
}

Bitmap ReferenceResample(const Bitmap& src, int nw, int nh, int f) {
  const int W = src.Width(), H = src.Height();
  const long double sx = (long double)W / nw, sy = (long double)H / nh;
  Bitmap out(nw, nh);
  for (int y = 0; y < nh; ++y)
    for (int x = 0; x < nw; ++x) {
      const long double fx = x * sx, fy = y * sy;
      uint8_t* o = out.ScanLine(y) + 3 * x;
      if (f == rfBilinear) {
        const int x0 = std::clamp(int(fx), 0, W - 1), y0 = std::clamp(int(fy), 0, H - 1);
        const int x1 = x0 + 1 > W - 1 ? x0 : x0 + 1, y1 = y0 + 1 > H - 1 ? y0 : y0 + 1;
        const long double tx = fx - x0, ty = fy - y0;
        for (int c = 0; c < 3; ++c) {
          const long double top = src.ScanLine(y0)[3 * x0 + c] * (1 - tx) + src.ScanLine(y0)[3 * x1 + c] * tx;
          const long double bottom = src.ScanLine(y1)[3 * x0 + c] * (1 - tx) + src.ScanLine(y1)[3 * x1 + c] * tx;
          o[c] = ClampByte(top * (1 - ty) + bottom * ty);
        }
        continue;
      }
      const int ix = int(fx), iy = int(fy);
      long double wxs[4], wys[4];
      if (f == rfBSpline) {
        const long double tx = fx - ix, ty = fy - iy;
        long double a[5], b[4];
        for (int k = 1; k <= 4; ++k) a[k] = (k - tx) * (k - tx) * (k - tx) / 6;
        for (int k = 0; k <= 3; ++k) b[k] = (ty + k) * (ty + k) * (ty + k) / 6;
        wxs[0] = a[1];
        wxs[1] = a[2] - 4 * a[1];
        wxs[2] = a[3] - 4 * a[2] + 6 * a[1];
        wxs[3] = a[4] - 4 * a[3] + 6 * a[2] - 4 * a[1];
        wys[0] = b[3] - 4 * b[2] + 6 * b[1] - 4 * b[0];
        wys[1] = b[2] - 4 * b[1] + 6 * b[0];
        wys[2] = b[1] - 4 * b[0];
        wys[3] = b[0];
      } else {
        for (int k = 0; k < 4; ++k) {
          wxs[k] = Kernel(f, std::fabs(fx - (ix - 1 + k)));
          wys[k] = Kernel(f, std::fabs(fy - (iy - 1 + k)));
        }
      }
      long double sum[3] = {0, 0, 0};
      for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) {
          const int ci = ix - 1 + i, rj = iy - 1 + j;
          const uint8_t* p = src.ScanLine(rj >= 0 && rj < H ? rj : iy) + 3 * (ci >= 0 && ci < W ? ci : ix);
          for (int c = 2; c >= 0; --c) sum[c] += p[c] * wxs[i] * wys[j];
        }
      for (int c = 0; c < 3; ++c) o[c] = ClampByte(sum[c]);
    }
  return out;
}

}  // namespace

TEST(Resample, FourByFourFiltersAndBilinearMatchTheirDefiningArithmetic) {
  // Doubling and tripling put many sums exactly on a half, where only the
  // defining arithmetic decides the rounding, and so do sixths (weights that
  // are no short binary fractions); odd ratios and shrinking put them
  // anywhere. Checkerboards, steps and noise.
  uint32_t seed = 1;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0xFF; };
  const struct {
    int w, h, nw, nh;
  } sizes[] = {{9, 7, 18, 14}, {8, 8, 24, 8}, {13, 5, 7, 11}, {40, 30, 9, 13}, {5, 9, 5, 9}, {3, 3, 1, 1}, {4, 3, 24, 18}};
  for (int kind = 0; kind < 3; ++kind)
    for (const auto& s : sizes) {
      Bitmap src(s.w, s.h);
      for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < 3 * s.w; ++x)
          src.ScanLine(y)[x] = uint8_t(kind == 0 ? next() : kind == 1 ? (((x / 3) + y) & 1) * 255 : (next() & 7) * 32);
      for (int f : {rfBilinear, rfBicubic, rfLagrange, rfBSpline, rfMitchell}) {
        Bitmap b = src;
        ASSERT_TRUE(ResampleBitmap(b, s.nw, s.nh, ResampleFilter(f)));
        EXPECT_TRUE(SamePixels(b, ReferenceResample(src, s.nw, s.nh, f)))
            << "filter " << f << " " << s.w << "x" << s.h << " -> " << s.nw << "x" << s.nh << " kind " << kind;
      }
    }
}

namespace {

// Free rotation evaluated plainly, pixel by pixel with the library's floor,
// ceiling and rounding: the yardstick for the faster loop in the library.
Bitmap ReferenceRotate(const Bitmap& src, Colour fill, float angle) {
  using Real = long double;
  const Real pi = 3.141592653589793238462643383279502884L;
  const int W = src.Width(), H = src.Height();
  auto at = [&](int x, int y) -> Colour { return x >= 0 && x < W && y >= 0 && y < H ? src.PixelColour(x, y) : fill; };
  float s = float(std::sin(Real(-angle) * pi / 180)), c = float(std::cos(Real(-angle) * pi / 180));
  float minX = 100000, maxX = -100000, minY = 100000, maxY = -100000;
  for (auto [X, Y] : {std::pair{0.0f, 0.0f}, std::pair{float(W), 0.0f}, std::pair{float(W), float(H)},
                      std::pair{0.0f, float(H)}}) {
    const float tx = float(Real(X) * c + Real(Y) * s), ty = float(-Real(X) * s + Real(Y) * c);
    minX = std::min(minX, tx), maxX = std::max(maxX, tx), minY = std::min(minY, ty), maxY = std::max(maxY, ty);
  }
  Bitmap out(int(std::nearbyintl(Real(maxX) - Real(minX) + 1)), int(std::nearbyintl(Real(maxY) - Real(minY) + 1)));
  s = float(std::sin(Real(angle) * pi / 180)), c = float(std::cos(Real(angle) * pi / 180));
  for (int y = 0; y < out.Height(); ++y)
    for (int x = 0; x < out.Width(); ++x) {
      const Real X = Real(x) + Real(minX), Y = Real(y) + Real(minY);
      const float sx = float(X * c + Y * s), sy = float(-X * s + Y * c);
      auto in = [&](float a, float b) { return a >= 0 && a < W && b >= 0 && b < H; };
      if (!in(std::ceil(sx), std::ceil(sy)) && !in(std::floor(sx), std::floor(sy))) {
        out.SetPixelColour(x, y, fill);
        continue;
      }
      const int x0 = int(std::floor(sx)), y0 = int(std::floor(sy));
      const float tx = float(Real(sx) - x0), ty = float(Real(sy) - y0);
      const Colour p[4] = {at(x0, y0), at(x0 + 1, y0), at(x0, y0 + 1), at(x0 + 1, y0 + 1)};
      int v[3];
      for (int ch = 0; ch < 3; ++ch) {
        auto part = [&](Colour k) { return Real((k >> (8 * ch)) & 0xFF); };
        const float top = float(part(p[0]) * (1 - Real(tx)) + part(p[1]) * Real(tx));
        const float bottom = float(part(p[2]) * (1 - Real(tx)) + part(p[3]) * Real(tx));
        const Real t = top * (1 - Real(ty)) + bottom * Real(ty);
        v[ch] = std::isnan(t) || t < 0 ? 0 : t > 255 ? 255 : int(std::nearbyintl(t));
      }
      out.SetPixelColour(x, y, RGB(uint8_t(v[0]), uint8_t(v[1]), uint8_t(v[2])));
    }
  return out;
}

}  // namespace

TEST(RotateFree, MatchesThePlainEvaluation) {
  uint32_t seed = 7;
  Bitmap src(37, 23);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 3 * 37; ++x) src.ScanLine(y)[x] = uint8_t((seed = seed * 1103515245u + 12345u) >> 24);
  for (float angle : {0.0f, 30.0f, -30.0f, 45.0f, 90.0f, 135.0f, -170.5f, 0.01f, 359.9f}) {
    Bitmap b = src;
    ASSERT_TRUE(RotateBitmapFree(b, RGB(10, 200, 30), angle));
    EXPECT_TRUE(SamePixels(b, ReferenceRotate(src, RGB(10, 200, 30), angle))) << angle;
  }
}
