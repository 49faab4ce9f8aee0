#include "maker/dial/key_colour.h"

#include <algorithm>
#include <cstring>

namespace maker {

using imaging::Bitmap;
using imaging::Colour;
using imaging::PixelFormat;

namespace {

void To24(Bitmap& b) {
  if (b.GetPixelFormat() != PixelFormat::pf24bit) b.SetPixelFormat(PixelFormat::pf24bit);
}

struct Bgr {
  uint8_t b, g, r;
  explicit Bgr(Colour c) : b(imaging::BlueOf(c)), g(imaging::GreenOf(c)), r(imaging::RedOf(c)) {}
  bool Is(const uint8_t* p) const { return p[0] == b && p[1] == g && p[2] == r; }
  void Put(uint8_t* p) const {
    p[0] = b;
    p[1] = g;
    p[2] = r;
  }
};

Colour ColourAt(const uint8_t* p) { return imaging::RGB(p[2], p[1], p[0]); }

// W x H at 24 bits, filled with the key colour of src, src copied unchanged
// with its top-left corner where the centring puts it.
Bitmap CentredOn(const Bitmap& src, Colour fill, int W, int H) {
  Bitmap out(W, H, PixelFormat::pf24bit);
  const Bgr f(fill);
  for (int y = 0; y < H; ++y) {
    uint8_t* row = out.ScanLine(y);
    for (int x = 0; x < W; ++x) f.Put(row + 3 * size_t(x));
  }
  const int left = (W - src.Width()) / 2, top = (H - src.Height()) / 2;
  for (int y = 0; y < src.Height(); ++y)
    std::memcpy(out.ScanLine(top + y) + 3 * size_t(left), src.ScanLine(y), 3 * size_t(src.Width()));
  return out;
}

}  // namespace

Colour KeyColourOf(Bitmap& P) {
  To24(P);
  if (P.Empty()) return 0;
  return ColourAt(P.ScanLine(0));
}

void NudgeKeyColour(Bitmap& P, Colour C) {
  To24(P);
  if (P.Empty()) return;
  const Bgr key(C);
  for (int y = 0; y < P.Height(); ++y) {
    uint8_t* p = P.ScanLine(y);
    for (int x = 0; x < P.Width(); ++x, p += 3)
      if (key.Is(p)) p[0] = p[0] < 128 ? uint8_t(p[0] + 1) : uint8_t(p[0] - 1);
  }
}

void ReplaceKeyColour(Bitmap& P, Colour C) {
  To24(P);
  if (P.Empty()) return;
  const Bgr key(ColourAt(P.ScanLine(0)));  // read once, before anything changes
  const Bgr to(C);
  for (int y = 0; y < P.Height(); ++y) {
    uint8_t* p = P.ScanLine(y);
    for (int x = 0; x < P.Width(); ++x, p += 3)
      if (key.Is(p)) to.Put(p);
  }
}

void MakeKeyMask(Bitmap& P, Colour C) {
  To24(P);
  const Bgr key(C);
  for (int y = 0; y < P.Height(); ++y) {
    uint8_t* p = P.ScanLine(y);
    for (int x = 0; x < P.Width(); ++x, p += 3) {
      const uint8_t v = key.Is(p) ? 255 : 0;
      p[0] = p[1] = p[2] = v;
    }
  }
}

void ApplyKeyMask(Bitmap& T, Bitmap& M, Colour C) {
  To24(T);
  To24(M);
  const Bgr to(C);
  const int w = std::min(T.Width(), M.Width()), h = std::min(T.Height(), M.Height());
  for (int y = 0; y < h; ++y) {
    uint8_t* t = T.ScanLine(y);
    const uint8_t* m = M.ScanLine(y);
    for (int x = 0; x < w; ++x, t += 3, m += 3)
      if (m[0] == 255 && m[1] == 255 && m[2] == 255) to.Put(t);
  }
}

void CompositeTransparent(Bitmap& A, Bitmap& B) {
  To24(A);
  To24(B);
  if (B.Empty()) return;
  const Colour KB = ColourAt(B.ScanLine(0));
  const Colour KA = A.Empty() ? KB : ColourAt(A.ScanLine(0));
  const int W = std::max(A.Width(), B.Width()), H = std::max(A.Height(), B.Height());
  Bitmap A2 = A.Empty() ? CentredOn(Bitmap(0, 0), KA, W, H) : CentredOn(A, KA, W, H);
  const Bitmap B2 = CentredOn(B, KB, W, H);
  const Bgr key(KB);
  for (int y = 0; y < H; ++y) {
    uint8_t* a = A2.ScanLine(y);
    const uint8_t* b = B2.ScanLine(y);
    for (int x = 0; x < W; ++x, a += 3, b += 3)
      if (!key.Is(b)) {
        a[0] = b[0];
        a[1] = b[1];
        a[2] = b[2];
      }
  }
  A = std::move(A2);
}

void Rekey(Bitmap& P, Colour C) {
  NudgeKeyColour(P, C);
  ReplaceKeyColour(P, C);
}

}  // namespace maker
