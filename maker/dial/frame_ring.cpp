#include "maker/dial/frame_ring.h"

#include <algorithm>
#include <cstring>

#include "imaging/bitmap_ops.h"
#include "maker/dial/key_colour.h"
#include "maker/dial/maker_math.h"

namespace maker {

using imaging::Bitmap;
using imaging::Colour;
using imaging::PixelFormat;
using imaging::ResampleBitmap;

namespace {

constexpr Colour kBlack = 0;

Bitmap Copy24(const Bitmap& src) {
  Bitmap b(src);
  if (b.GetPixelFormat() != PixelFormat::pf24bit) b.SetPixelFormat(PixelFormat::pf24bit);
  return b;
}

Colour Rgb(Colour c) { return c & 0x00FFFFFF; }

}  // namespace

Colour FrameEdgeColour(const Bitmap& frame, bool autoColour, Colour sampleColour, bool blackBackground) {
  if (!autoColour || frame.Empty()) return Rgb(sampleColour);
  const int mid = (frame.Height() - 1) / 2;
  // One pixel inside the left and the right edge; a frame picture narrower
  // than three pixels is sampled at its own edges.
  const int xa = std::min(1, frame.Width() - 1), xb = std::max(0, frame.Width() - 2);
  const auto a = int32_t(Rgb(frame.PixelColour(xa, mid)));
  const auto b = int32_t(Rgb(frame.PixelColour(xb, mid)));
  return Colour(blackBackground ? std::min(a, b) : std::max(a, b));
}

FrameRenderResult RenderFrame(const FrameRenderInput& in) {
  FrameRenderResult out;
  out.FrameIndex = in.SelectedRow;
  if (in.SelectedRow == 0) return out;
  if (!in.FramePicture || in.FramePicture->Empty() || in.ImageWidth <= 0 || in.ImageHeight <= 0) {
    out.FrameIndex = 0;  // no such slot: no frame
    return out;
  }

  Bitmap F = Copy24(*in.FramePicture);
  const Colour E = FrameEdgeColour(F, in.AutoColour, in.SampleColour, in.BlackBackground);

  // The mask of the frame's own transparent area, made before F changes.
  Colour K = KeyColourOf(F);
  Bitmap M = F;
  MakeKeyMask(M, K);

  if (in.Background && !in.Background->Empty()) {
    // Lay the frame over a copy of the picture, so that the smoothed edges of
    // its opening blend with the picture's own colours. The margin is turned
    // from preview pixels into frame-picture pixels, for both sides.
    const int32_t m =
        2 * RoundHalfAway(static_cast<long double>(in.FrameMargin) *
                          (static_cast<long double>(F.Width()) / static_cast<long double>(in.ImageWidth)));
    Bitmap P = Copy24(*in.Background);
    K = KeyColourOf(P);
    NudgeKeyColour(F, K);
    // A margin as large as the frame picture leaves a one-pixel picture copy.
    ResampleBitmap(P, std::max(1, F.Width() - m), std::max(1, F.Height() - m), imaging::rfNearest);
    CompositeTransparent(P, F);
    F = std::move(P);
  }

  if (Rgb(K) != E) Rekey(F, E);

  const imaging::ResampleFilter filter = in.Smooth ? imaging::rfBilinear : imaging::rfNearest;
  ResampleBitmap(F, in.ImageWidth, in.ImageHeight, filter);
  ResampleBitmap(M, in.ImageWidth, in.ImageHeight, filter);

  // Black marks exactly the pixels wholly inside the transparent area.
  NudgeKeyColour(F, kBlack);
  ApplyKeyMask(F, M, kBlack);
  out.Picture = std::move(F);
  return out;
}

RingRenderResult RenderNumeralRing(const RingRenderInput& in) {
  RingRenderResult out;
  out.NumeralRingIndex = in.SelectedRow;
  if (in.SelectedRow == 0) return out;
  if (!in.RingPicture || in.RingPicture->Empty() || in.ImageWidth <= 0 || in.ImageHeight <= 0) {
    out.NumeralRingIndex = 0;
    return out;
  }
  const int W = in.ImageWidth, H = in.ImageHeight;
  const bool loaded = in.WorkPicture && !in.WorkPicture->Empty();
  Bitmap R = Copy24(*in.RingPicture);

  if (in.Smooth) {
    Colour K = KeyColourOf(R);
    Bitmap M = R;
    MakeKeyMask(M, K);
    if (loaded && in.Background && !in.Background->Empty()) {
      // The part of the background under the ring image, unscaled; black
      // where it reaches beyond the background picture.
      Bitmap bg = Copy24(*in.Background);
      Bitmap U(W, H, PixelFormat::pf24bit);
      for (int y = 0; y < H; ++y) std::memset(U.ScanLine(y), 0, 3 * size_t(W));
      const int sx = in.ImageLeft - in.BackgroundLeft, sy = in.ImageTop - in.BackgroundTop;
      const int x0 = std::max(0, -sx), x1 = std::min(W, bg.Width() - sx);
      const int y0 = std::max(0, -sy), y1 = std::min(H, bg.Height() - sy);
      for (int y = y0; y < y1 && x1 > x0; ++y)
        std::memcpy(U.ScanLine(y) + 3 * size_t(x0), bg.ScanLine(y + sy) + 3 * size_t(x0 + sx), 3 * size_t(x1 - x0));
      ResampleBitmap(U, R.Width(), R.Height(), imaging::rfNearest);
      K = KeyColourOf(U);
      NudgeKeyColour(R, K);
      CompositeTransparent(U, R);
      R = std::move(U);
    }
    ResampleBitmap(R, W, H, imaging::rfBilinear);
    ResampleBitmap(M, W, H, imaging::rfBilinear);
    NudgeKeyColour(R, K);
    ApplyKeyMask(R, M, K);
  } else {
    ResampleBitmap(R, W, H, imaging::rfNearest);
    if (loaded) Rekey(R, Rgb(in.WorkPicture->PixelColour(0, 0)));
  }
  out.Picture = std::move(R);
  return out;
}

}  // namespace maker
