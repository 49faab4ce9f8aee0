// Free rotation with bilinear edges against a fill colour. Sines, cosines,
// corners, source positions, fractions and the two row blends are 32-bit
// floats; each is computed in long double and then stored as a float.
#include <cmath>

#include "imaging/bitmap_ops.h"
#include "imaging/parallel_rows.h"

namespace imaging {

namespace {

using Real = long double;
constexpr Real kPi = 3.141592653589793238462643383279502884L;

void Fill(Bitmap& b, Colour c) {
  const uint8_t px[3] = {BlueOf(c), GreenOf(c), RedOf(c)};
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x, row += 3) {
      row[0] = px[0];
      row[1] = px[1];
      row[2] = px[2];
    }
  }
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
    Bitmap padded(W + 2, H + 2, PixelFormat::pf24bit);
    Fill(padded, FillColor);
    padded.GetCanvas().Draw(1, 1, bmp);
    bmp = padded;
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

  Bitmap output(NW, NH, PixelFormat::pf24bit);
  Fill(output, FillColor);

  s = float(std::sin(Real(Angle) * kPi / 180));
  c = float(std::cos(Real(Angle) * kPi / 180));
  {
    const TBmpData24 S(bmp), D(output);
    // Output rows are independent; bands of them run on all cores.
    ForEachRowBand(NH, uint64_t(NW) * uint64_t(NH) * 12, [&](int ya, int yb) {
      for (int y = ya; y < yb; ++y) {
        const Real Y = Real(y) + Real(minY);
        for (int x = 0; x < NW; ++x) {
          const Real X = Real(x) + Real(minX);
          const float sx = float(X * c + Y * s);
          const float sy = float(-X * s + Y * c);
          const float cx = std::ceil(sx), cy = std::ceil(sy);
          const float fx = std::floor(sx), fy = std::floor(sy);
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
  bmp = output;
  return true;
}

}  // namespace imaging
