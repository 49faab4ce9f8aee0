// The photo-like test picture the benchmarks encode as a camera JPEG.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "imaging/bitmap.h"

namespace bench {

// A photo-like picture: smooth light, a few shapes and fine grain, so that
// the JPEG decoder does the work a camera picture gives it.
inline imaging::Bitmap Photo(int w, int h, unsigned seed) {
  imaging::Bitmap b(w, h, imaging::PixelFormat::pf24bit);
  uint32_t r = 0x9E3779B9u * (seed + 1);
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      r = r * 1664525u + 1013904223u;
      const int grain = int(r >> 28) - 8;
      const double u = double(x) / w, v = double(y) / h;
      const double wave = 40 * std::sin(u * 9 + seed) * std::cos(v * 7);
      p[0] = uint8_t(std::clamp(int(90 + 120 * v + wave) + grain, 0, 255));
      p[1] = uint8_t(std::clamp(int(60 + 150 * u * v - wave / 2) + grain, 0, 255));
      p[2] = uint8_t(std::clamp(int(200 - 140 * u + wave) + grain, 0, 255));
    }
  }
  return b;
}

}  // namespace bench
