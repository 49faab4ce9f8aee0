// The arithmetic of the free turn (RotateBitmapFree): the turned picture's
// size, where each of its pixels samples the picture, and the bilinear blend
// against the fill colour. RotateBitmapFree computes every pixel with it; a
// caller that needs only some pixels of a turn (the radial numerals) computes
// just those and gets exactly the whole turn's pixels there.
#pragma once

#include <cmath>
#include <cstdint>

#include "imaging/bitmap.h"
#include "imaging/bitmap_ops.h"

namespace imaging {

// The picture with a one-pixel border of `fill` round it, as the turn reads it.
Bitmap PadForTurn(const Bitmap& src, Colour fill);

class FreeTurn {
 public:
  // The turn of a width x height picture by angle degrees, clockwise on the
  // screen for a positive angle.
  FreeTurn(int width, int height, float angle);

  int ResultWidth() const { return nw_; }
  int ResultHeight() const { return nh_; }

  // Where result pixel (x, y) samples the picture, in picture coordinates.
  // False when the turn leaves that pixel at the fill colour.
  bool Source(int x, int y, float& sx, float& sy) const {
    const Real X = Real(x) + Real(minX_), Y = Real(y) + Real(minY_);
    sx = float(X * c_ + Y * s_);
    sy = float(-X * s_ + Y * c_);
    const float cx = Ceil(sx), cy = Ceil(sy);
    const float fx = Floor(sx), fy = Floor(sy);
    const bool ceilIn = cx >= 0 && cx < w_ && cy >= 0 && cy < h_;
    const bool floorIn = fx >= 0 && fx < w_ && fy >= 0 && fy < h_;
    return ceilIn || floorIn;
  }

  // The result pixels whose source position lies in the picture rectangle
  // (left, top)-(right, bottom), as a result rectangle (Right and Bottom
  // exclusive) with a margin of a few pixels, clipped to the result. Every
  // such pixel lies inside; the rectangle holds others too.
  Rect ResultRectOf(float left, float top, float right, float bottom) const;

  // The blend of the four picture pixels round source position (sx, sy), as
  // Source gave it for a pixel that the turn computes, read from the padded
  // picture (PadForTurn). `part` may hold only a block of the padded picture:
  // its pixel (0, 0) is padded pixel (left, top), and the block must hold the
  // four pixels read.
  void Sample(const Bitmap& part, float sx, float sy, uint8_t* out, int left = 0, int top = 0) const {
    const int x0 = int(Floor(sx)), y0 = int(Floor(sy));
    const float tx = float(Real(sx) - x0), ty = float(Real(sy) - y0);
    const uint8_t* p00 = part.ScanLine(y0 + 1 - top) + 3 * ptrdiff_t(x0 + 1 - left);
    const uint8_t* p10 = p00 + 3;
    const uint8_t* p01 = part.ScanLine(y0 + 2 - top) + 3 * ptrdiff_t(x0 + 1 - left);
    const uint8_t* p11 = p01 + 3;
    for (int ch = 2; ch >= 0; --ch) {  // red, green, blue
      const float upper = float(p00[ch] * (1 - Real(tx)) + p10[ch] * Real(tx));
      const float lower = float(p01[ch] * (1 - Real(tx)) + p11[ch] * Real(tx));
      out[ch] = ClampByte(upper * (1 - Real(ty)) + lower * Real(ty));
    }
  }

  // The three bytes (blue, green, red) of result pixel (x, y) from the
  // padded picture; pixels that the turn leaves alone are not written.
  void Pixel(const Bitmap& padded, int x, int y, uint8_t* out) const {
    float sx, sy;
    if (Source(x, y, sx, sy)) Sample(padded, sx, sy, out);
  }

 private:
  // Sines, cosines, corners, source positions, fractions and the two row
  // blends are 32-bit floats, each computed in long double and then stored.
  using Real = long double;
  // std::floor and std::ceil of a float, without the library call: a float
  // of 2^23 or more (or not a number) has no fraction.
  static float Floor(float v) {
    if (!(std::fabs(v) < 8388608.0f)) return v;
    const float t = float(int(v));
    return t > v ? t - 1 : t;
  }
  static float Ceil(float v) {
    if (!(std::fabs(v) < 8388608.0f)) return v;
    const float t = float(int(v));
    return t < v ? t + 1 : t;
  }
  int w_, h_, nw_, nh_;
  float minX_, minY_, s_, c_;
};

}  // namespace imaging
