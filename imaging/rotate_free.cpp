// Free rotation with bilinear edges against a fill colour; the arithmetic is
// FreeTurn's (free_turn.h).
#include <cmath>

#include "imaging/bitmap_ops.h"
#include "imaging/free_turn.h"
#include "imaging/parallel_rows.h"

namespace imaging {

bool RotateBitmapFree(Bitmap& bmp, Colour FillColor, float Angle) {
  if (bmp.GetPixelFormat() != PixelFormat::pf24bit) return false;
  // The sine of an infinite angle is not a number, and nothing can be drawn
  // at a position that is not one.
  if (!std::isfinite(Angle)) throw FloatInvalidOperation();
  const FreeTurn turn(bmp.Width(), bmp.Height(), Angle);
  // One pixel of fill colour round the picture, so that every neighbour read
  // lies inside and the edges blend into the fill.
  const Bitmap padded = PadForTurn(bmp, FillColor);
  const int NW = turn.ResultWidth(), NH = turn.ResultHeight();
  Bitmap output(NW, NH, PixelFormat::pf24bit);
  const uint8_t px[3] = {BlueOf(FillColor), GreenOf(FillColor), RedOf(FillColor)};
  // Output rows are independent; bands of them run on all cores.
  ForEachRowBand(NH, uint64_t(NW) * uint64_t(NH) * 12, [&](int ya, int yb) {
    for (int y = ya; y < yb; ++y) {
      uint8_t* out = output.ScanLine(y);
      for (int x = 0; x < NW; ++x, out += 3) {
        out[0] = px[0], out[1] = px[1], out[2] = px[2];
        turn.Pixel(padded, x, y, out);
      }
    }
  });
  bmp = std::move(output);
  return true;
}

}  // namespace imaging
