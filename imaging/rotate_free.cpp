// Free rotation with bilinear edges against a fill colour. Sines, cosines,
// corners, source positions, fractions and the two row blends are 32-bit
// floats; each is computed in long double and then stored as a float.
#include <cmath>
#include <cstring>
#include <utility>

#include "imaging/bitmap_ops.h"
#include "imaging/parallel_rows.h"

namespace imaging {

namespace {

using Real = long double;
constexpr Real kPi = 3.141592653589793238462643383279502884L;

// Fills the pixels x0 .. x1 - 1 of the rows y0 .. y1 - 1 with the colour.
void Fill(Bitmap& b, Colour c, int x0, int x1, int y0, int y1) {
  if (x1 <= x0 || y1 <= y0) return;
  const uint8_t px[3] = {BlueOf(c), GreenOf(c), RedOf(c)};
  uint8_t* first = b.ScanLine(y0) + 3 * size_t(x0);
  for (int x = 0; x < x1 - x0; ++x) std::memcpy(first + 3 * size_t(x), px, 3);
  for (int y = y0 + 1; y < y1; ++y) std::memcpy(b.ScanLine(y) + 3 * size_t(x0), first, 3 * size_t(x1 - x0));
}

// std::floor and std::ceil of a float, without the library call: a float of
// 2^23 or more (or not a number) has no fraction.
inline float Floor(float v) {
  if (!(std::fabs(v) < 8388608.0f)) return v;
  const float t = float(int(v));
  return t > v ? t - 1 : t;
}

inline float Ceil(float v) {
  if (!(std::fabs(v) < 8388608.0f)) return v;
  const float t = float(int(v));
  return t < v ? t + 1 : t;
}

}  // namespace

bool RotateBitmapFree(Bitmap& bmp, Colour FillColor, float Angle) {
  if (bmp.GetPixelFormat() != PixelFormat::pf24bit) return false;
  // The sine of an infinite angle is not a number, and nothing can be drawn
  // at a position that is not one.
  if (!std::isfinite(Angle)) throw FloatInvalidOperation();
  const int W = bmp.Width(), H = bmp.Height();

  // One pixel of fill colour round the picture, so that every neighbour read
  // below lies inside and the edges blend into the fill.
  {
    Bitmap padded = Bitmap::Unfilled(W + 2, H + 2, PixelFormat::pf24bit);
    Fill(padded, FillColor, 0, W + 2, 0, 1);
    Fill(padded, FillColor, 0, W + 2, H + 1, H + 2);
    Fill(padded, FillColor, 0, 1, 1, H + 1);
    Fill(padded, FillColor, W + 1, W + 2, 1, H + 1);
    padded.GetCanvas().Draw(1, 1, bmp);
    bmp = std::move(padded);  // the caller's object stays, with the padded picture
  }

  // Turned extent of the picture's outer corners, turned by -Angle.
  const float phi = -Angle;
  float s = float(std::sin(Real(phi) * kPi / 180));
  float c = float(std::cos(Real(phi) * kPi / 180));
  const FloatPoint corner[4] = {MakeFloatPoint(0, 0), MakeFloatPoint(float(W), 0), MakeFloatPoint(float(W), float(H)),
                                MakeFloatPoint(0, float(H))};
  float minX = 100000, maxX = -100000, minY = 100000, maxY = -100000;
  for (const FloatPoint& p : corner) {
    const FloatPoint t = MakeFloatPoint(float(Real(p.X) * c + Real(p.Y) * s), float(-Real(p.X) * s + Real(p.Y) * c));
    if (t.X < minX) minX = t.X;
    if (t.X > maxX) maxX = t.X;
    if (t.Y < minY) minY = t.Y;
    if (t.Y > maxY) maxY = t.Y;
  }
  const int NW = int(std::nearbyintl(Real(maxX) - Real(minX) + 1));
  const int NH = int(std::nearbyintl(Real(maxY) - Real(minY) + 1));

  // Filled with FillColor band by band below, each band before its pixels.
  Bitmap output = Bitmap::Unfilled(NW, NH, PixelFormat::pf24bit);

  s = float(std::sin(Real(Angle) * kPi / 180));
  c = float(std::cos(Real(Angle) * kPi / 180));
  {
    const TBmpData24 S(bmp), D(output);
    // Output rows are independent; bands of them run on all cores.
    ForEachRowBand(NH, uint64_t(NW) * uint64_t(NH) * 12, [&](int ya, int yb) {
      Fill(output, FillColor, 0, NW, ya, yb);
      for (int y = ya; y < yb; ++y) {
        const Real Y = Real(y) + Real(minY);
        const Real Ys = Y * s, Yc = Y * c;
        for (int x = 0; x < NW; ++x) {
          const Real X = Real(x) + Real(minX);
          const float sx = float(X * c + Ys);
          const float sy = float(-X * s + Yc);
          const float cx = Ceil(sx), cy = Ceil(sy);
          const float fx = Floor(sx), fy = Floor(sy);
          const bool ceilIn = cx >= 0 && cx < W && cy >= 0 && cy < H;
          const bool floorIn = fx >= 0 && fx < W && fy >= 0 && fy < H;
          if (!ceilIn && !floorIn) continue;
          const int x0 = int(fx), y0 = int(fy);
          const float tx = float(Real(sx) - x0), ty = float(Real(sy) - y0);
          const uint8_t* p00 = PixelAt(S, x0 + 1, y0 + 1);
          const uint8_t* p10 = PixelAt(S, x0 + 2, y0 + 1);
          const uint8_t* p01 = PixelAt(S, x0 + 1, y0 + 2);
          const uint8_t* p11 = PixelAt(S, x0 + 2, y0 + 2);
          uint8_t* out = PixelAt(D, x, y);
          for (int ch = 2; ch >= 0; --ch) {  // red, green, blue
            const float top = float(p00[ch] * (1 - Real(tx)) + p10[ch] * Real(tx));
            const float bottom = float(p01[ch] * (1 - Real(tx)) + p11[ch] * Real(tx));
            out[ch] = ClampByte(top * (1 - Real(ty)) + bottom * Real(ty));
          }
        }
      }
    });
  }
  bmp = std::move(output);
  return true;
}

}  // namespace imaging
