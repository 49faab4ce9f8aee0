#include "imaging/bitmap_ops.h"

#include <cmath>
#include <cstring>

namespace imaging {

namespace {
bool Is24(const Bitmap& b) { return b.GetPixelFormat() == PixelFormat::pf24bit; }
}  // namespace

TBmpData24::TBmpData24(Bitmap& bmp) {
  const int h = bmp.Height();
  Rows.resize(size_t(h > 0 ? h : 0));
  for (int y = 0; y < h; ++y) Rows[size_t(y)] = bmp.ScanLine(y);
  Width = bmp.Width();
  Height = h;
}

std::unique_ptr<Bitmap> CloneBitmap(const Bitmap& src) {
  auto b = std::make_unique<Bitmap>();
  *b = src;
  return b;
}

bool FlipBitmap(Bitmap& bmp, bool Horizontal) {
  if (!Is24(bmp)) return false;
  const int w = bmp.Width(), h = bmp.Height();
  const std::unique_ptr<Bitmap> copy = CloneBitmap(bmp);
  const TBmpData24 d(bmp), s(*copy);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      std::memcpy(Horizontal ? PixelAt(d, w - 1 - x, y) : PixelAt(d, x, h - 1 - y), PixelAt(s, x, y), 3);
  return true;
}

bool RotateBitmap90(Bitmap& bmp, bool Clockwise) {
  if (!Is24(bmp)) return false;
  const int w = bmp.Width(), h = bmp.Height();
  std::unique_ptr<Bitmap> turned = CloneBitmap(bmp);
  turned->SetWidth(h);
  turned->SetHeight(w);
  {
    const TBmpData24 s(bmp), d(*turned);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        std::memcpy(Clockwise ? PixelAt(d, h - 1 - y, x) : PixelAt(d, y, w - 1 - x), PixelAt(s, x, y), 3);
  }
  bmp = *turned;
  return true;
}

}  // namespace imaging
