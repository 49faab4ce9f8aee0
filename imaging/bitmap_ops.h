// Pixel access and the small whole-picture operations on 24-bit bitmaps:
// the row accessor, copying, clamping to a byte, flips and quarter turns,
// resampling with six filters and free rotation.
//
// Every operation that takes a bitmap first looks at its pixel format: when it
// is not 24 bits per pixel the operation returns false and changes nothing.
// None converts a bitmap itself; callers set 24 bits first.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <vector>

#include "imaging/bitmap.h"

namespace imaging {

// Row table of a 24-bit bitmap. It does not own the bitmap and is valid only
// until the bitmap's size or pixel format changes.
class TBmpData24 {
 public:
  explicit TBmpData24(Bitmap& bmp);
  virtual ~TBmpData24() = default;
  TBmpData24(const TBmpData24&) = delete;
  TBmpData24& operator=(const TBmpData24&) = delete;

  std::vector<uint8_t*> Rows;  // address of row y, rows from the top
  int32_t Width = 0;
  int32_t Height = 0;
};

// Address of the blue byte of pixel (x, y); no bounds check.
inline uint8_t* PixelAt(const TBmpData24& d, int32_t x, int32_t y) { return d.Rows[size_t(y)] + 3 * ptrdiff_t(x); }

// A new bitmap with the source's size, pixel format and pixels.
std::unique_ptr<Bitmap> CloneBitmap(const Bitmap& src);

// Below 0 (or not a number) gives 0, above 255 gives 255, otherwise the value
// rounded to the nearest integer with halves to even. The pixel loops call it
// for every channel, so it is inline and rounds by adding and taking off
// 1.5 * 2^(mantissa bits - 1), which leaves no fraction (in the current mode:
// to nearest, halves to even), where lrintl would be a library call.
inline uint8_t ClampByte(long double v) {
  if (!(v >= 0)) return 0;
  if (v > 255) return 255;
  constexpr long double kShift = [] {
    long double s = 1.5L;
    for (int i = 1; i < std::numeric_limits<long double>::digits; ++i) s *= 2;
    return s;
  }();
  return uint8_t(int(double((v + kShift) - kShift)));
}

struct FloatPoint {
  float X = 0;
  float Y = 0;
};
inline FloatPoint MakeFloatPoint(float x, float y) { return FloatPoint{x, y}; }

// Mirror in place: Horizontal = false turns the picture upside down,
// Horizontal = true exchanges left and right.
bool FlipBitmap(Bitmap& bmp, bool Horizontal);

// Quarter turn; the bitmap becomes Height wide and Width high.
bool RotateBitmap90(Bitmap& bmp, bool Clockwise);

// Filter index, in the order of the resize dialog's buttons.
using ResampleFilter = uint8_t;
enum : ResampleFilter {
  rfNearest = 0,
  rfBilinear = 1,
  rfBicubic = 2,
  rfLagrange = 3,
  rfBSpline = 4,
  rfMitchell = 5,
};

// The floating-point division error: a size of 0 given to ResampleBitmap.
class FloatDivideError : public std::domain_error {
 public:
  FloatDivideError() : std::domain_error("Floating-point division by zero") {}
};

// The floating-point invalid-operation error: an angle that is not a finite
// number given to RotateBitmapFree.
class FloatInvalidOperation : public std::domain_error {
 public:
  FloatInvalidOperation() : std::domain_error("Invalid floating point operation") {}
};

// Brings the picture to NewWidth x NewHeight. Target pixel (x, y) samples the
// source at (x * W / NewWidth, y * H / NewHeight), with no half-pixel shift,
// through the filter's fixed 1, 2 x 2 or 4 x 4 neighbourhood at any scale.
// A size of 0 raises FloatDivideError and a negative size
// std::invalid_argument, both before anything is changed.
bool ResampleBitmap(Bitmap& bmp, int32_t NewWidth, int32_t NewHeight, ResampleFilter Filter);
// The same into `out`, the source left as it is (`out` untouched on failure).
bool ResampleBitmapTo(const Bitmap& source, Bitmap& out, int32_t NewWidth, int32_t NewHeight,
                      ResampleFilter Filter);

// Turns the picture by Angle degrees, clockwise on the screen for a positive
// angle. The result holds the whole turned picture plus one pixel each way;
// the rest is FillColor (0x00BBGGRR), and the edges blend into it. An angle
// that is not a finite number raises FloatInvalidOperation before anything
// is changed.
bool RotateBitmapFree(Bitmap& bmp, Colour FillColor, float Angle);

}  // namespace imaging
