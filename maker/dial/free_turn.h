// Chosen pixels of a free turn (imaging::RotateBitmapFree) without turning
// the whole picture.
//
// A radial numeral needs only the few pixels of its turned pictures that lie
// near its label. FreeTurn computes single pixels of the turned picture with
// the same arithmetic as the whole turn: the same result size, the same
// source position of every result pixel, the same bilinear blend against the
// fill colour. So every pixel it gives equals the whole turn's pixel there.
#pragma once

#include <cstdint>

#include "imaging/bitmap.h"

namespace maker {

// The picture with a one-pixel border of `fill` round it, as the turn reads it.
imaging::Bitmap PadForTurn(const imaging::Bitmap& src, imaging::Colour fill);

class FreeTurn {
 public:
  // The turn of a width x height picture by angle degrees, clockwise on the
  // screen for a positive angle.
  FreeTurn(int width, int height, float angle);

  int ResultWidth() const { return nw_; }
  int ResultHeight() const { return nh_; }

  // Where result pixel (x, y) samples the picture, in picture coordinates.
  // False when the turn leaves that pixel at the fill colour.
  bool Source(int x, int y, float& sx, float& sy) const;

  // The result pixels whose source position lies in the picture rectangle
  // (left, top)-(right, bottom), as a result rectangle (Right and Bottom
  // exclusive) with a margin of a few pixels, clipped to the result. Every
  // such pixel lies inside; the rectangle holds others too.
  imaging::Rect ResultRectOf(float left, float top, float right, float bottom) const;

  // The three bytes (blue, green, red) of result pixel (x, y) from the
  // padded picture (PadForTurn of a width x height picture); pixels that the
  // turn leaves alone are not written.
  void Pixel(const imaging::Bitmap& padded, int x, int y, uint8_t* out) const;

  // The blend of the four picture pixels round source position (sx, sy), as
  // Source gave it for a pixel that the turn computes.
  void Sample(const imaging::Bitmap& padded, float sx, float sy, uint8_t* out) const;

 private:
  int w_, h_, nw_, nh_;
  float minX_, minY_, s_, c_;
};

}  // namespace maker
