// Resampling with six filters. All positions, weights and sums are defined
// in long double (80-bit extended on x86-64). Output rows are independent,
// so large pictures are split into bands of rows over the available cores;
// every pixel is computed by the same expressions either way, so the result
// does not depend on the number of threads. The weights of each target
// column are worked out once before the rows and reused: they are the same
// values the per-pixel evaluation would give. Rounding uses lrintl, which
// rounds halves to even like nearbyintl but much faster.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/bitmap_ops.h"
#include "imaging/parallel_rows.h"

namespace imaging {

namespace {

using Real = long double;

constexpr Real kEightNinths = 8.0L / 9.0L;
constexpr Real kSixteenNinths = 16.0L / 9.0L;

inline Real Bicubic(Real d) {
  if (d < 1) return (d * d - d - 1) * (d - 1);
  return -(d - 1) * (d - 2) * (d - 2);
}

inline Real Lagrange(Real d) {
  if (d < 1) return (d - 2) * 0.5L * (d + 1) * (d - 1);
  return -(d - 3) * (d - 2) * (d - 1) / 6;
}

inline Real Mitchell(Real d) {
  if (d < 1) return 7 * d * d * d / 6 - 2 * d * d + kEightNinths;
  return -7 * d * d * d / 18 + 2 * d * d - 10 * d / 3 + kSixteenNinths;
}

inline Real Cube6(Real v) { return v * v * v / 6; }

// Weights of columns ix - 1 .. ix + 2 for the B-spline, from truncated cubes.
inline void BSplineAcross(Real tx, Real w[4]) {
  const Real a1 = Cube6(1 - tx), a2 = Cube6(2 - tx), a3 = Cube6(3 - tx), a4 = Cube6(4 - tx);
  w[0] = a1;
  w[1] = a2 - 4 * a1;
  w[2] = a3 - 4 * a2 + 6 * a1;
  w[3] = a4 - 4 * a3 + 6 * a2 - 4 * a1;
}

// Weights of rows iy - 1 .. iy + 2 for the B-spline.
inline void BSplineDown(Real ty, Real w[4]) {
  const Real b0 = Cube6(ty + 0), b1 = Cube6(ty + 1), b2 = Cube6(ty + 2), b3 = Cube6(ty + 3);
  w[0] = b3 - 4 * b2 + 6 * b1 - 4 * b0;
  w[1] = b2 - 4 * b1 + 6 * b0;
  w[2] = b1 - 4 * b0;
  w[3] = b0;
}

// The four weights of a 4-tap filter at position f with base index i0 = trunc(f).
inline void Weights(ResampleFilter filter, Real f, int i0, bool across, Real w[4]) {
  if (filter == rfBSpline) {
    if (across)
      BSplineAcross(f - i0, w);
    else
      BSplineDown(f - i0, w);
    return;
  }
  for (int k = 0; k < 4; ++k) {
    const Real d = std::fabs(f - Real(i0 - 1 + k));
    w[k] = filter == rfBicubic ? Bicubic(d) : filter == rfLagrange ? Lagrange(d) : Mitchell(d);
  }
}

struct Job {
  const TBmpData24* s;
  const TBmpData24* d;
  int W, H, NW, NH;
  Real scaleX, scaleY;
  ResampleFilter filter;
  // Per target column: the source columns read (1, 2 or 4 of them) and their
  // weights (bilinear: 1 - tx and tx).
  const int* tapX;
  const Real* wX;
  // The same weights as doubles, and per column whether they are short
  // binary fractions (see ShortBinary).
  const double* wXd;
  const uint8_t* exactX;
  bool allExactX;
};

void RowsNearest(const Job& j, int y0, int y1) {
  for (int y = y0; y < y1; ++y) {
    const Real fy = y * j.scaleY;
    int sy = int(std::lrintl(fy));
    if (sy > j.H - 1) sy = j.H - 1;
    for (int x = 0; x < j.NW; ++x) std::memcpy(PixelAt(*j.d, x, y), PixelAt(*j.s, j.tapX[x], sy), 3);
  }
}

// The source rows read by target row y and their weights, by the same
// expressions as the columns.
template <int N>
void RowTaps(const Job& j, int y, int rows[N], Real wy[N]) {
  const Real fy = y * j.scaleY;
  if constexpr (N == 2) {
    const int y0 = std::clamp(int(fy), 0, j.H - 1);
    rows[0] = y0;
    rows[1] = y0 + 1 > j.H - 1 ? y0 : y0 + 1;
    const Real ty = fy - y0;
    wy[0] = 1 - ty;
    wy[1] = ty;
  } else {
    const int iy = int(fy);
    Weights(j.filter, fy, iy, false, wy);
    for (int k = 0; k < 4; ++k) {
      const int r = iy - 1 + k;
      rows[k] = r >= 0 && r <= j.H - 1 ? r : iy;
    }
  }
}

// One channel of one target pixel, evaluated exactly as the filter is
// defined, in extended precision. Bilinear: the top and the bottom blend,
// then the blend of the two. 4 x 4 filters: rows outer, columns inner, each
// tap adding value * wx * wy to one sum.
template <int N>
uint8_t ExactChannel(const Job& j, const uint8_t* const rows[N], const Real wy[N], int x, int c) {
  const int* tx = j.tapX + N * size_t(x);
  const Real* wx = j.wX + N * size_t(x);
  if constexpr (N == 2) {
    const Real top = rows[0][3 * ptrdiff_t(tx[0]) + c] * wx[0] + rows[0][3 * ptrdiff_t(tx[1]) + c] * wx[1];
    const Real bottom = rows[1][3 * ptrdiff_t(tx[0]) + c] * wx[0] + rows[1][3 * ptrdiff_t(tx[1]) + c] * wx[1];
    return ClampByte(top * wy[0] + bottom * wy[1]);
  } else {
    Real sum = 0;
    for (int r = 0; r < 4; ++r)
      for (int k = 0; k < 4; ++k) sum += rows[r][3 * ptrdiff_t(tx[k]) + c] * wx[k] * wy[r];
    return ClampByte(sum);
  }
}

// The loops over whole rows are also built for the wider vectors of newer
// processors, chosen when the program starts. The results do not depend on
// it: only the check near halves decides the bytes there, and it has room
// for any order of the double arithmetic.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define WIDE_VECTORS __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define WIDE_VECTORS
#endif

// A sum computed in doubles, in another order, differs from the exact sum by
// far less than this (a few units of 1e-12 for byte values and these
// kernels); rounding gives the same byte for both unless the sum lies
// within it of a half.
constexpr double kHalfGuard = 1e-7;

// Nearest integer, halves to even (the default rounding mode), for
// |v| < 2^51: adding and taking off 1.5 * 2^52 drops the fraction. Plain
// additions, where floor or nearbyint would be library calls.
inline double RoundEven(double v) {
  constexpr double kShift = 6755399441055744.0;
  return (v + kShift) - kShift;
}

// One source row filtered across: for every target column and channel the
// sum of its N taps times their weights.
template <int N>
WIDE_VECTORS void FilterAcross(const uint8_t* __restrict src, const int* __restrict tapX, const double* __restrict w,
                               int NW, double* __restrict h) {
  for (int x = 0; x < NW; ++x, tapX += N, w += N, h += 3) {
    const uint8_t* p0 = src + 3 * ptrdiff_t(tapX[0]);
    const uint8_t* p1 = src + 3 * ptrdiff_t(tapX[1]);
    if constexpr (N == 2) {
      for (int c = 0; c < 3; ++c) h[c] = p0[c] * w[0] + p1[c] * w[1];
    } else {
      const uint8_t* p2 = src + 3 * ptrdiff_t(tapX[2]);
      const uint8_t* p3 = src + 3 * ptrdiff_t(tapX[3]);
      for (int c = 0; c < 3; ++c) h[c] = p0[c] * w[0] + p1[c] * w[1] + p2[c] * w[2] + p3[c] * w[3];
    }
  }
}

// One target row from the N source rows filtered across: each sum of rows
// times weights, rounded to a byte. With Flags, near[i] is set where the sum
// lies so close to a half that only the exact evaluation can tell.
template <int N, bool Flags>
WIDE_VECTORS void CombineRows(const double* const h[N], const double w[N], size_t n, uint8_t* __restrict out,
                              uint8_t* __restrict near) {
  const double* __restrict h0 = h[0];
  const double* __restrict h1 = h[1];
  const double* __restrict h2 = h[N - 2];
  const double* __restrict h3 = h[N - 1];
  const double w0 = w[0], w1 = w[1], w2 = w[N - 2], w3 = w[N - 1];
  for (size_t i = 0; i < n; ++i) {
    double v = h0[i] * w0 + h1[i] * w1;
    if constexpr (N == 4) v += h2[i] * w2 + h3[i] * w3;
    const double r = RoundEven(v);
    out[i] = uint8_t(int(std::min(std::max(r, 0.0), 255.0)));
    if constexpr (Flags) near[i] = std::fabs(v - r) > 0.5 - kHalfGuard;
  }
}

// True when the weights are short binary fractions (a multiple of 2^-20
// below 2 in size). With such weights on both axes every product and sum is
// exact in doubles as well as in extended precision, so the two evaluations
// agree even on a half.
template <int N>
bool ShortBinary(const Real w[N]) {
  for (int k = 0; k < N; ++k) {
    if (!(std::fabs(w[k]) < 2)) return false;
    const Real scaled = w[k] * 1048576.0L;
    if (scaled != Real(int32_t(scaled))) return false;
  }
  return true;
}

// Bilinear (N = 2) and the 4 x 4 filters (N = 4). The sums are first formed
// in doubles and separably: each source row is filtered across once into a
// small cache that the following target rows share, then the N rows are
// weighed down. Where such a sum lies so close to a half that the order of
// the arithmetic could decide the rounding, the channel is evaluated again
// exactly; everywhere else both give the same byte, so the result equals the
// exact evaluation.
template <int N>
void RowsSeparable(const Job& j, int ya, int yb) {
  const int NW = j.NW;
  const size_t rowLength = 3 * size_t(NW);
  constexpr int kSlots = 2 * N;  // the N rows of a target row never share a slot
  std::vector<double> cache(size_t(kSlots) * rowLength);
  int cached[kSlots];
  std::fill(cached, cached + kSlots, -1);
  std::vector<uint8_t> near(rowLength + 8);  // flags past the end stay 0

  auto across = [&](int row) -> const double* {
    double* h = cache.data() + size_t(row % kSlots) * rowLength;
    if (cached[row % kSlots] == row) return h;
    FilterAcross<N>(j.s->Rows[size_t(row)], j.tapX, j.wXd, NW, h);
    cached[row % kSlots] = row;
    return h;
  };

  for (int y = ya; y < yb; ++y) {
    int rowIndex[N];
    Real wy[N];
    RowTaps<N>(j, y, rowIndex, wy);
    const uint8_t* rows[N];
    const double* h[N];
    double wyd[N];
    for (int k = 0; k < N; ++k) {
      rows[k] = j.s->Rows[size_t(rowIndex[k])];
      h[k] = across(rowIndex[k]);
      wyd[k] = double(wy[k]);
    }
    uint8_t* out = PixelAt(*j.d, 0, y);
    const bool exactY = ShortBinary<N>(wy);
    if (exactY && j.allExactX) {
      CombineRows<N, false>(h, wyd, rowLength, out, nullptr);
      continue;
    }
    CombineRows<N, true>(h, wyd, rowLength, out, near.data());
    // Mostly zero: skip eight flags at a time.
    for (size_t i = 0; i < rowLength; i += 8) {
      uint64_t eight;
      std::memcpy(&eight, near.data() + i, 8);
      if (eight == 0) continue;
      for (size_t k = i; k < i + 8 && k < rowLength; ++k) {
        const int x = int(k / 3);
        if (near[k] && !(exactY && j.exactX[size_t(x)])) out[k] = ExactChannel<N>(j, rows, wy, x, int(k % 3));
      }
    }
  }
}

void RunRows(const Job& j, int y0, int y1) {
  switch (j.filter) {
    case rfNearest: RowsNearest(j, y0, y1); break;
    case rfBilinear: RowsSeparable<2>(j, y0, y1); break;
    case rfBicubic:
    case rfLagrange:
    case rfBSpline:
    case rfMitchell: RowsSeparable<4>(j, y0, y1); break;
    default: break;  // unknown filter: pixels stay as the size change left them
  }
}

}  // namespace

bool ResampleBitmap(Bitmap& bmp, int32_t NewWidth, int32_t NewHeight, ResampleFilter Filter) {
  if (bmp.GetPixelFormat() != PixelFormat::pf24bit) return false;
  const int W = bmp.Width(), H = bmp.Height();
  if (NewWidth == 0 || NewHeight == 0) throw FloatDivideError();
  if (NewWidth < 0 || NewHeight < 0) throw std::invalid_argument("ResampleBitmap: negative size");
  const Real scaleX = Real(W) / Real(NewWidth);
  const Real scaleY = Real(H) / Real(NewHeight);

  // The target is the source brought to the new size: its top-left part
  // keeps the source's pixels and the rest is white (what a copy of the
  // source given the new width and then the new height would hold). The six
  // filters overwrite every pixel, so for them the target is left unfilled;
  // otherwise only the part that stays is copied, not the whole source.
  const bool known = Filter <= rfMitchell && W > 0 && H > 0;
  Bitmap target = known ? Bitmap::Unfilled(NewWidth, NewHeight, PixelFormat::pf24bit)
                        : Bitmap(NewWidth, NewHeight, PixelFormat::pf24bit);
  if (!known) {
    const int cw = std::min(W, NewWidth), ch = std::min(H, NewHeight);
    for (int y = 0; y < ch; ++y) std::memcpy(target.ScanLine(y), bmp.ScanLine(y), 3 * size_t(cw));
  }
  if (W > 0 && H > 0) {
    const TBmpData24 s(bmp), d(target);
    // Column positions and weights depend on x alone; they are worked out
    // once here by the same expressions the pixel loop would use.
    std::vector<int> tapX;
    std::vector<Real> wX;
    const bool fourTaps = Filter >= rfBicubic && Filter <= rfMitchell;
    if (Filter == rfNearest) {
      tapX.resize(size_t(NewWidth));
      for (int x = 0; x < NewWidth; ++x) {
        const Real fx = x * scaleX;
        const int sx = int(std::lrintl(fx));  // halves to even, as nearbyintl
        tapX[size_t(x)] = sx > W - 1 ? W - 1 : sx;
      }
    } else if (Filter == rfBilinear) {
      tapX.resize(2 * size_t(NewWidth));
      wX.resize(2 * size_t(NewWidth));
      for (int x = 0; x < NewWidth; ++x) {
        const Real fx = x * scaleX;
        const int x0 = std::clamp(int(fx), 0, W - 1);
        tapX[2 * size_t(x)] = x0;
        tapX[2 * size_t(x) + 1] = x0 + 1 > W - 1 ? x0 : x0 + 1;
        const Real tx = fx - x0;
        wX[2 * size_t(x)] = 1 - tx;
        wX[2 * size_t(x) + 1] = tx;
      }
    } else if (fourTaps) {
      tapX.resize(4 * size_t(NewWidth));
      wX.resize(4 * size_t(NewWidth));
      for (int x = 0; x < NewWidth; ++x) {
        const Real fx = x * scaleX;
        const int ix = int(fx);
        Weights(Filter, fx, ix, true, &wX[4 * size_t(x)]);
        for (int k = 0; k < 4; ++k) {
          const int i = ix - 1 + k;
          tapX[4 * size_t(x) + size_t(k)] = i >= 0 && i <= W - 1 ? i : ix;
        }
      }
    }
    std::vector<double> wXd(wX.begin(), wX.end());
    std::vector<uint8_t> exactX;
    bool allExactX = true;
    if (Filter == rfBilinear || fourTaps) {
      const int n = fourTaps ? 4 : 2;
      exactX.resize(size_t(NewWidth));
      for (int x = 0; x < NewWidth; ++x) {
        const Real* w = &wX[size_t(n) * size_t(x)];
        exactX[size_t(x)] = fourTaps ? ShortBinary<4>(w) : ShortBinary<2>(w);
        allExactX = allExactX && exactX[size_t(x)];
      }
    }
    const Job job{&s,     &d,          W,         H,          NewWidth,      NewHeight, scaleX,
                  scaleY, Filter,      tapX.data(), wX.data(), wXd.data(), exactX.data(), allExactX};

    const uint64_t work = uint64_t(NewWidth) * uint64_t(NewHeight) * (fourTaps ? 16 : Filter == rfBilinear ? 4 : 1);
    ForEachRowBand(NewHeight, work, [&job](int y0, int y1) { RunRows(job, y0, y1); });
  }
  bmp = std::move(target);  // the caller's object stays, with the new pixels
  return true;
}

}  // namespace imaging
