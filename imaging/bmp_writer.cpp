#include <cstring>

#include "imaging/picture_io.h"

namespace imaging {

namespace {
void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
}  // namespace

std::vector<uint8_t> WriteBmp24(const Bitmap& src) {
  Bitmap converted;
  const Bitmap* b = &src;
  if (src.GetPixelFormat() != PixelFormat::pf24bit) {
    converted = src;
    converted.SetPixelFormat(PixelFormat::pf24bit);
    b = &converted;
  }
  const int w = b->Width(), h = b->Height();
  const size_t stride = RowStride(w, PixelFormat::pf24bit);
  const uint32_t image = uint32_t(stride * size_t(h));
  std::vector<uint8_t> v;
  v.reserve(54 + image);
  v.push_back('B');
  v.push_back('M');
  Put32(v, 54 + image);
  Put32(v, 0);
  Put32(v, 54);
  Put32(v, 40);
  Put32(v, uint32_t(w));
  Put32(v, uint32_t(h));  // bottom-up rows
  Put16(v, 1);
  Put16(v, 24);
  Put32(v, 0);
  Put32(v, image);
  Put32(v, 0);
  Put32(v, 0);
  Put32(v, 0);
  Put32(v, 0);
  for (int y = h - 1; y >= 0; --y) {
    const uint8_t* row = b->ScanLine(y);
    v.insert(v.end(), row, row + stride);
  }
  return v;
}

}  // namespace imaging
