#include "imaging/free_turn.h"

#include <algorithm>
#include <cstring>

namespace imaging {

namespace {

using Real = long double;
constexpr Real kPi = 3.141592653589793238462643383279502884L;

}  // namespace

Bitmap PadForTurn(const Bitmap& src, Colour fill) {
  Bitmap out(src.Width() + 2, src.Height() + 2, PixelFormat::pf24bit);
  const uint8_t px[3] = {BlueOf(fill), GreenOf(fill), RedOf(fill)};
  for (int y = 0; y < out.Height(); ++y) {
    uint8_t* row = out.ScanLine(y);
    for (int x = 0; x < out.Width(); ++x) std::memcpy(row + 3 * size_t(x), px, 3);
  }
  for (int y = 0; y < src.Height(); ++y)
    std::memcpy(out.ScanLine(y + 1) + 3, src.ScanLine(y), 3 * size_t(src.Width()));
  return out;
}

FreeTurn::FreeTurn(int width, int height, float angle) : w_(width), h_(height) {
  // The turned extent of the picture's outer corners, turned by -angle.
  const float phi = -angle;
  const float s = float(std::sin(Real(phi) * kPi / 180));
  const float c = float(std::cos(Real(phi) * kPi / 180));
  const float corner[4][2] = {{0, 0}, {float(width), 0}, {float(width), float(height)}, {0, float(height)}};
  float minX = 100000, maxX = -100000, minY = 100000, maxY = -100000;
  for (const auto& p : corner) {
    const float tx = float(Real(p[0]) * c + Real(p[1]) * s), ty = float(-Real(p[0]) * s + Real(p[1]) * c);
    if (tx < minX) minX = tx;
    if (tx > maxX) maxX = tx;
    if (ty < minY) minY = ty;
    if (ty > maxY) maxY = ty;
  }
  nw_ = int(std::nearbyintl(Real(maxX) - Real(minX) + 1));
  nh_ = int(std::nearbyintl(Real(maxY) - Real(minY) + 1));
  minX_ = minX;
  minY_ = minY;
  s_ = float(std::sin(Real(angle) * kPi / 180));
  c_ = float(std::cos(Real(angle) * kPi / 180));
}

Rect FreeTurn::ResultRectOf(float left, float top, float right, float bottom) const {
  // Source positions come from (X, Y) = (x + MinX, y + MinY) turned by the
  // angle; turning the rectangle's corners the other way gives the result
  // pixels. The margin covers the rounding of the floats many times over.
  const Real c = c_, s = s_;
  Real x0 = 1e30L, y0 = 1e30L, x1 = -1e30L, y1 = -1e30L;
  for (const Real sx : {Real(left), Real(right)})
    for (const Real sy : {Real(top), Real(bottom)}) {
      const Real X = sx * c - sy * s - minX_, Y = sx * s + sy * c - minY_;
      x0 = std::min(x0, X), x1 = std::max(x1, X);
      y0 = std::min(y0, Y), y1 = std::max(y1, Y);
    }
  constexpr Real kMargin = 3;
  Rect r;
  r.Left = int(std::max<Real>(0, std::floor(x0 - kMargin)));
  r.Top = int(std::max<Real>(0, std::floor(y0 - kMargin)));
  r.Right = int(std::min<Real>(nw_, std::ceil(x1 + kMargin) + 1));
  r.Bottom = int(std::min<Real>(nh_, std::ceil(y1 + kMargin) + 1));
  if (r.Right < r.Left) r.Right = r.Left;
  if (r.Bottom < r.Top) r.Bottom = r.Top;
  return r;
}

}  // namespace imaging
