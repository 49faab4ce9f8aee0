// The multi-core baseline JPEG decoder (see jpeg_fast.h).
//
// The entropy-coded data of a scan is one long bit stream whose blocks can
// only be found by decoding everything before them. Without restart markers
// the stream is cut into two chunks per core and every chunk is decoded from
// a guessed start (its first whole byte, the first block of an MCU, DC
// predictions zero). Huffman codes fall back into step quickly, so the
// decode that really arrives from the previous chunk soon stands at the same
// bit, at the same block of the MCU, as the guess did: from there on the two
// are the same decode, and only the DC predictions differ by a constant,
// which is added. Where no such meeting is found, the true decode simply
// goes on by itself, so the result never depends on the guess, only the
// speed does. This first pass keeps true states (bit position, DC
// predictions) every few blocks; the second pass decodes bands of MCU rows
// from those states, with the inverse DCT, upsampling and colour conversion,
// straight into the picture's rows. With restart markers the intervals are
// the starting points and the first pass is not needed. The bands fault in
// the picture's fresh memory as they write it.
//
// The arithmetic is libjpeg's: its accurate integer IDCT, its smooth
// ("fancy") upsampling with the edge rows and columns repeated, its YCbCr
// tables. Blocks whose values are so extreme that libjpeg's vector and plain
// code paths would themselves disagree make the whole file go to libjpeg.
#include "imaging/jpeg_fast.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "imaging/parallel_rows.h"
#include "imaging/pending_rows.h"
#include "imaging/picture_io.h"

namespace imaging::jpeg_fast {

namespace {

// Zigzag position -> position in the 8x8 block (row-major).
constexpr uint8_t kNatural[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                  35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                  58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

constexpr int kFastBits = 10;
constexpr int32_t kFastEnd = 1 << 12;
// A true state is kept every this many blocks of the first pass: few enough
// that the states stay small (their fresh memory costs more than the decode
// between them), close enough that a band seeks its start quickly.
constexpr uint64_t kStateSpacing = 256;

struct Huffman {
  bool defined = false;
  uint8_t counts[16] = {};
  uint8_t symbols[256] = {};
  // Built for decoding: (length << 8) | symbol for the codes of up to
  // kFastBits bits, indexed by the next kFastBits bits; 0 for longer codes.
  uint16_t fast[1 << kFastBits] = {};
  // For AC tables, a whole coefficient whose code and value bits together
  // fit in kFastBits: (value << 16) | (run << 8) | bits; kFastEnd | bits
  // for the end of the block; 0 for the rest.
  int32_t fastAc[1 << kFastBits] = {};
  // For skipping AC coefficients: (run << 8) | code and value bits, for
  // every code of up to kFastBits bits; kFastEnd | bits for the end of block.
  uint16_t skipAc[1 << kFastBits] = {};
  // The same for as many whole coefficients as the kFastBits bits hold:
  // bits | (positions advanced << 8) | (1 << 16) where the last is the end
  // of the block.
  uint32_t skipMany[1 << kFastBits] = {};
  int32_t maxcode[17] = {};  // largest code of each length, -1 for none
  int32_t offset[17] = {};   // code + offset[length] = index into symbols
};

inline int32_t Extend(uint32_t v, int s) { return v < (1u << (s - 1)) ? int32_t(v) - (int32_t(1) << s) + 1 : int32_t(v); }

// Builds the decoding tables; false where libjpeg refuses the table (codes
// overflowing their length, a DC size over 15).
bool BuildHuffman(Huffman& h, bool dc) {
  int total = 0;
  for (int n : h.counts) total += n;
  if (total > 256) return false;
  if (dc)
    for (int i = 0; i < total; ++i)
      if (h.symbols[i] > 15) return false;
  std::memset(h.fast, 0, sizeof h.fast);
  int32_t code = 0;
  int k = 0;
  for (int len = 1; len <= 16; ++len) {
    const int n = h.counts[len - 1];
    h.offset[len] = k - code;
    h.maxcode[len] = n ? code + n - 1 : -1;
    // libjpeg refuses a table whose next code would not fit the length.
    if (code + n >= (int32_t(1) << len)) return false;
    for (int i = 0; i < n; ++i, ++code, ++k)
      if (len <= kFastBits) {
        const int first = code << (kFastBits - len), span = 1 << (kFastBits - len);
        for (int j = 0; j < span; ++j) h.fast[first + j] = uint16_t((len << 8) | h.symbols[k]);
      }
    code <<= 1;
  }
  std::memset(h.fastAc, 0, sizeof h.fastAc);
  std::memset(h.skipAc, 0, sizeof h.skipAc);
  if (!dc)
    for (int i = 0; i < (1 << kFastBits); ++i) {
      const int e = h.fast[i];
      const int len = e >> 8, run = (e >> 4) & 15, size = e & 15;
      // libjpeg ends the block at any symbol of size 0 but sixteen zeros,
      // which skip as a zero of run 15: the same bounds hold.
      const bool endOfBlock = size == 0 && run != 15;
      if (e != 0 && endOfBlock) h.fastAc[i] = kFastEnd | len;
      if (e != 0) h.skipAc[i] = uint16_t(endOfBlock ? kFastEnd | len : (run << 8) | (len + size));
      if (e == 0 || size == 0 || len + size > kFastBits) continue;
      const uint32_t bits = uint32_t(i >> (kFastBits - len - size)) & ((1u << size) - 1);
      h.fastAc[i] = int32_t(uint32_t(Extend(bits, size)) << 16) | (run << 8) | (len + size);
    }
  std::memset(h.skipMany, 0, sizeof h.skipMany);
  if (!dc)
    for (int i = 0; i < (1 << kFastBits); ++i) {
      int used = 0, advance = 0;
      bool end = false;
      while (!end) {
        const int e = h.fast[(i << used) & ((1 << kFastBits) - 1)];
        const int len = e >> 8, run = (e >> 4) & 15, size = e & 15;
        if (e == 0 || used + len + size > kFastBits) break;
        used += len + size;
        end = size == 0 && run != 15;
        if (!end) advance += run + 1;
      }
      if (used) h.skipMany[i] = uint32_t(used) | uint32_t(advance) << 8 | uint32_t(end) << 16;
    }
  return true;
}

// The bits of one entropy-coded segment, FF 00 pairs read as FF. Past the
// segment's end it reads zero bytes and counts them, so that a decode which
// used them is known to have run out of data.
struct Reader {
  const uint8_t* p = nullptr;    // next byte to load
  const uint8_t* end = nullptr;  // the marker ending the segment
  uint64_t buf = 0;              // n bits, first at the top
  int n = 0;
  uint64_t loaded = 0;  // data bytes loaded, counted from the scan's start
  uint32_t virtualBytes = 0;

  void Fill() {
    if (end - p >= 8) {
      uint64_t w;
      std::memcpy(&w, p, 8);
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
      w = __builtin_bswap64(w);
#endif
      // No FF among the eight bytes: take as many whole bytes as fit.
      const uint64_t x = ~w;
      if (((x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull) == 0) {
        const int take = (64 - n) >> 3;
        if (take > 0) {
          buf |= (w >> (64 - 8 * take)) << (64 - n - 8 * take);
          n += 8 * take;
          p += take;
          loaded += uint64_t(take);
        }
        return;
      }
    }
    while (n <= 56) {
      uint64_t c = 0;
      if (p < end) {
        c = *p++;
        if (c == 0xFF) ++p;  // the stuffed 00 (every FF before `end` has one)
      } else {
        ++virtualBytes;
      }
      buf |= c << (56 - n);
      n += 8;
      ++loaded;
    }
  }
  uint64_t Position() const { return loaded * 8 - uint64_t(n); }
  // Whether the decode so far used bits past the segment's end.
  bool Overrun() const { return int64_t(virtualBytes) * 8 > n; }
  uint32_t Take(int k) {  // 1 <= k <= 16, n >= k
    const uint32_t v = uint32_t(buf >> (64 - k));
    buf <<= k;
    n -= k;
    return v;
  }
};

[[gnu::always_inline]] inline int DecodeSymbol(Reader& r, const Huffman& h) {
  if (r.n < 32) r.Fill();
  const uint32_t top = uint32_t(r.buf >> 48);
  if (const uint16_t e = h.fast[top >> (16 - kFastBits)]) {
    r.buf <<= (e >> 8);
    r.n -= (e >> 8);
    return e & 0xFF;
  }
  for (int len = kFastBits + 1; len <= 16; ++len) {
    const int32_t code = int32_t(top >> (16 - len));
    if (code <= h.maxcode[len]) {
      r.buf <<= len;
      r.n -= len;
      return h.symbols[code + h.offset[len]];
    }
  }
  return -1;  // not a code of this table
}


template <bool kStore>
bool DecodeBlockIn(Reader& r, const Huffman& dc, const Huffman& ac, int32_t& pred, int16_t* coef, int& last) {
  int s = DecodeSymbol(r, dc);
  if (s < 0) return false;
  uint32_t diff = 0;
  if (s) diff = uint32_t(Extend(r.Take(s), s));  // r.n >= 16 after the symbol
  pred = int32_t(uint32_t(pred) + diff);
  if constexpr (kStore) coef[0] = int16_t(pred);
  int lastCoded = 0;
  for (int k = 1; k < 64;) {
    if (r.n < 32) r.Fill();
    const uint64_t peek = r.buf >> (64 - kFastBits);
    if constexpr (kStore) {
      if (const int32_t e = ac.fastAc[peek]) {
        r.buf <<= (e & 255);
        r.n -= e & 255;
        if (e & kFastEnd) break;
        k += (e >> 8) & 15;
        if (k > 63) return false;
        coef[kNatural[k]] = int16_t(e >> 16);
        lastCoded = k;
        ++k;
        continue;
      }
    } else {
      // Several coefficients at once, unless the block could end among them.
      if (const uint32_t m = ac.skipMany[peek]) {
        const int to = k + int((m >> 8) & 255);
        if (to < 64 || (to == 64 && !(m >> 16))) {
          r.buf <<= (m & 255);
          r.n -= int(m & 255);
          if (m >> 16) break;
          k = to;
          continue;
        }
      }
      if (const int e = ac.skipAc[peek]) {
        r.buf <<= (e & 255);
        r.n -= e & 255;
        if (e & kFastEnd) break;
        k += ((e >> 8) & 15) + 1;
        if (k > 64) return false;
        continue;
      }
    }
    const int rs = DecodeSymbol(r, ac);
    if (rs < 0) return false;
    const int run = rs >> 4;
    s = rs & 15;
    if (s == 0) {
      if (run != 15) break;  // end of block
      k += 16;
      if (k > 64) return false;
      continue;
    }
    k += run;
    if (k > 63) return false;
    const uint32_t bits = r.Take(s);
    if constexpr (kStore) {
      coef[kNatural[k]] = int16_t(Extend(bits, s));
      lastCoded = k;
    }
    ++k;
  }
  last = lastCoded;
  return true;
}

// Decodes one block; with kStore its coefficients (quantised, row-major)
// go into coef, which the caller has zeroed, and `last` is the zigzag
// position of the last one coded. False for a bad code or a coefficient
// past the 64th; the DC prediction wraps as libjpeg's does.
template <bool kStore>
[[gnu::always_inline]] inline bool DecodeBlock(Reader& r, const Huffman& dc, const Huffman& ac, int32_t& pred,
                                               int16_t* coef, int& last) {
  // On local copies, which nothing the loop writes can alias.
  Reader local = r;
  int32_t p = pred;
  const bool ok = DecodeBlockIn<kStore>(local, dc, ac, p, coef, last);
  r = local;
  pred = p;
  return ok;
}

// ---- The file's structure --------------------------------------------------

struct Component {
  int id = 0, h = 1, v = 1, tq = 0, td = 0, ta = 0;
};

struct Frame {
  int width = 0, height = 0;
  int ncomp = 0;
  Component comp[3];
  uint16_t quant[4][64] = {};  // row-major
  bool quantDefined[4] = {};
  Huffman dc[4], ac[4];
  int restartMcus = 0;
  bool jfif = false, adobe = false;
  int adobeTransform = -1;
  size_t scanStart = 0;  // first byte of entropy-coded data
};

inline int Be16(const uint8_t* p) { return (p[0] << 8) | p[1]; }

// Reads the markers up to the scan. False for anything this decoder does
// not take, or not exactly as it should be.
bool ParseHeaders(const uint8_t* d, size_t size, Frame& f) {
  if (size < 4 || d[0] != 0xFF || d[1] != 0xD8) return false;
  size_t i = 2;
  bool sawFrame = false;
  for (;;) {
    if (i + 4 > size || d[i] != 0xFF) return false;
    const int m = d[i + 1];
    const size_t len = size_t(Be16(d + i + 2));
    if (len < 2 || i + 2 + len > size) return false;
    const uint8_t* s = d + i + 4;
    const size_t n = len - 2;
    switch (m) {
      case 0xC0:
      case 0xC1: {
        if (sawFrame || n < 6) return false;
        sawFrame = true;
        if (s[0] != 8) return false;
        f.height = Be16(s + 1);
        f.width = Be16(s + 3);
        f.ncomp = s[5];
        if (f.ncomp != 1 && f.ncomp != 3) return false;
        if (n != size_t(6 + 3 * f.ncomp)) return false;
        for (int c = 0; c < f.ncomp; ++c) {
          Component& k = f.comp[c];
          k.id = s[6 + 3 * c];
          k.h = s[7 + 3 * c] >> 4;
          k.v = s[7 + 3 * c] & 15;
          k.tq = s[8 + 3 * c];
          if (k.tq > 3) return false;
          for (int e = 0; e < c; ++e)
            if (f.comp[e].id == k.id) return false;
        }
        break;
      }
      case 0xC4: {
        size_t at = 0;
        while (at < n) {
          if (n - at < 17) return false;
          const int tc = s[at] >> 4, th = s[at] & 15;
          if (tc > 1 || th > 3) return false;
          Huffman& h = tc ? f.ac[th] : f.dc[th];
          int total = 0;
          for (int k = 0; k < 16; ++k) total += (h.counts[k] = s[at + 1 + k]);
          if (total > 256 || n - at - 17 < size_t(total)) return false;
          std::memcpy(h.symbols, s + at + 17, size_t(total));
          if (!BuildHuffman(h, tc == 0)) return false;
          h.defined = true;
          at += 17 + size_t(total);
        }
        break;
      }
      case 0xDB: {
        size_t at = 0;
        while (at < n) {
          const int pq = s[at] >> 4, tq = s[at] & 15;
          if (pq > 1 || tq > 3) return false;
          const size_t need = 1 + 64 * size_t(pq + 1);
          if (n - at < need) return false;
          for (int k = 0; k < 64; ++k) {
            const int q = pq ? Be16(s + at + 1 + 2 * k) : s[at + 1 + k];
            if (q > 255) return false;  // libjpeg's vector code keeps these in 16 bits
            f.quant[tq][kNatural[k]] = uint16_t(q);
          }
          f.quantDefined[tq] = true;
          at += need;
        }
        break;
      }
      case 0xDD:
        if (n != 2) return false;
        f.restartMcus = Be16(s);
        break;
      case 0xE0:
        if (n >= 14 && std::memcmp(s, "JFIF", 5) == 0) f.jfif = true;
        break;
      case 0xEE:
        if (n >= 12 && std::memcmp(s, "Adobe", 5) == 0) {
          f.adobe = true;
          f.adobeTransform = s[11];
        }
        break;
      case 0xDA: {
        if (!sawFrame || n < 1 || s[0] != f.ncomp || n != size_t(4 + 2 * f.ncomp)) return false;
        for (int c = 0; c < f.ncomp; ++c) {
          if (s[1 + 2 * c] != f.comp[c].id) return false;
          f.comp[c].td = s[2 + 2 * c] >> 4;
          f.comp[c].ta = s[2 + 2 * c] & 15;
          if (f.comp[c].td > 3 || f.comp[c].ta > 3) return false;
        }
        const uint8_t* t = s + 1 + 2 * f.ncomp;
        if (t[0] != 0 || t[1] != 63 || t[2] != 0) return false;  // sequential, whole blocks
        f.scanStart = i + 2 + len;
        return true;
      }
      default:
        if (m >= 0xE1 && m <= 0xEF) break;  // other application data
        if (m == 0xFE) break;               // comment
        return false;
    }
    i += 2 + len;
  }
}

// ---- The scan's layout -------------------------------------------------------

struct Slot {
  int comp;    // 0 luma (or grey), 1 Cb, 2 Cr
  int bx, by;  // block within the component's part of the MCU
  const Huffman* dc;
  const Huffman* ac;
  const uint16_t* quant;
};

// One state of the sequential decode, at a block boundary.
struct State {
  Reader r;
  uint64_t block = 0;  // blocks decoded so far (in a guessed run: since its start)
  int slot = 0;        // block % blocks per MCU
  int32_t pred[3] = {};
  uint32_t interval = 0;
  int intervalMcus = 0;  // MCUs decoded in this restart interval
};

struct Interval {
  const uint8_t* begin;
  const uint8_t* end;  // its marker
};

struct Scan {
  int width = 0, height = 0, ncomp = 0;
  int hmax = 1, vmax = 1;
  int mcusX = 0, mcusY = 0, bpm = 0;  // blocks per MCU
  uint64_t totalBlocks = 0;
  int restartMcus = 0;
  std::vector<Slot> slots;
  std::vector<Interval> intervals;
  int chromaW = 0, chromaH = 0;
};

// Decodes the scan's next block from st; coef may be null to skip it. At
// the end of a restart interval it checks the interval ended cleanly and
// moves on to the next.
template <bool kStore>
[[gnu::always_inline]] inline bool NextBlock(const Scan& sc, State& st, int16_t* coef, int* last = nullptr) {
  const Slot& sl = sc.slots[size_t(st.slot)];
  int lastCoded = 0;
  if (!DecodeBlock<kStore>(st.r, *sl.dc, *sl.ac, st.pred[sl.comp], coef, lastCoded)) return false;
  if (last) *last = lastCoded;
  if (st.r.Overrun()) return false;
  ++st.block;
  if (++st.slot < sc.bpm) return true;
  st.slot = 0;
  const bool scanEnd = st.block == sc.totalBlocks;
  const bool intervalEnd = sc.restartMcus && ++st.intervalMcus == sc.restartMcus;
  if (!scanEnd && !intervalEnd) return true;
  // All the segment's bytes read and fewer than 8 bits of padding left.
  Reader& r = st.r;
  if (r.p != r.end || r.n - int(r.virtualBytes) * 8 >= 8) return false;
  if (scanEnd) return true;
  st.interval += 1;
  if (st.interval >= sc.intervals.size()) return false;
  r = Reader{};
  r.p = sc.intervals[st.interval].begin;
  r.end = sc.intervals[st.interval].end;
  for (int32_t& p : st.pred) p = 0;
  st.intervalMcus = 0;
  return true;
}

// ---- Inverse DCT -----------------------------------------------------------

// The vectorised loops below are built twice, for AVX2 and for the baseline,
// and the one the processor can run is chosen when the program loads.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define VECTOR_CLONES
#endif

// libjpeg's accurate integer IDCT (13-bit constants, 2 extra bits between
// the passes). Returns false where a value leaves the range in which
// libjpeg's vector code (16-bit lanes, saturating) and its plain code (wide
// integers, a wrapping range table) agree, which no real picture reaches.
constexpr int32_t F0298 = 2446, F0390 = 3196, F0541 = 4433, F0765 = 6270, F0899 = 7373, F1175 = 9633,
                  F1501 = 12299, F1847 = 15137, F1961 = 16069, F2053 = 16819, F2562 = 20995, F3072 = 25172;

// One 1-D pass over eight lanes at once: lane l takes x[k * 8 + l] for
// k = 0 .. 7 and gives o[n * 8 + l]. Written lane-wise for the compiler to
// vectorise.
inline void IdctPass(const int32_t* __restrict x, int32_t* __restrict o, int shift) {
  const int32_t round = int32_t(1) << (shift - 1);
  for (int l = 0; l < 8; ++l) {
    const int32_t x0 = x[l], x1 = x[8 + l], x2 = x[16 + l], x3 = x[24 + l];
    const int32_t x4 = x[32 + l], x5 = x[40 + l], x6 = x[48 + l], x7 = x[56 + l];
    const int32_t e1 = (x2 + x6) * F0541;
    const int32_t t2 = e1 - x6 * F1847;
    const int32_t t3 = e1 + x2 * F0765;
    const int32_t t0 = (x0 + x4) * 8192;
    const int32_t t1 = (x0 - x4) * 8192;
    const int32_t t10 = t0 + t3 + round, t13 = t0 - t3 + round, t11 = t1 + t2 + round, t12 = t1 - t2 + round;
    const int32_t z5 = (x7 + x3 + x5 + x1) * F1175;
    const int32_t z1 = (x7 + x1) * -F0899;
    const int32_t z2 = (x5 + x3) * -F2562;
    const int32_t z3 = (x7 + x3) * -F1961 + z5;
    const int32_t z4 = (x5 + x1) * -F0390 + z5;
    const int32_t a0 = x7 * F0298 + z1 + z3;
    const int32_t a1 = x5 * F2053 + z2 + z4;
    const int32_t a2 = x3 * F3072 + z2 + z3;
    const int32_t a3 = x1 * F1501 + z1 + z4;
    o[l] = (t10 + a3) >> shift;
    o[56 + l] = (t10 - a3) >> shift;
    o[8 + l] = (t11 + a2) >> shift;
    o[48 + l] = (t11 - a2) >> shift;
    o[16 + l] = (t12 + a1) >> shift;
    o[40 + l] = (t12 - a1) >> shift;
    o[24 + l] = (t13 + a0) >> shift;
    o[32 + l] = (t13 - a0) >> shift;
  }
}

// Values up to this size keep every sum of the vector code within 16 bits
// and every product sum here within 32.
constexpr int32_t kIdctLimit = 16383;

// Whether any of the 64 values is beyond +-limit.
inline bool AnyBeyond(const int32_t* v, int32_t limit) {
  uint32_t bad = 0;
  for (int i = 0; i < 64; ++i) bad |= uint32_t(uint32_t(v[i] + limit) > uint32_t(2 * limit));
  return bad != 0;
}

// `last` is the zigzag position of the block's last coded coefficient.
VECTOR_CLONES bool InverseDct(const int16_t* coef, const uint16_t* quant, int last, uint8_t* dst, ptrdiff_t stride) {
  if (last == 0) {
    // DC alone: both passes reduce to one rounding of DC << 2.
    const int32_t dc = int32_t(coef[0]) * int32_t(quant[0]);
    if (dc > kIdctLimit / 4 || dc < -kIdctLimit / 4) return false;
    const int32_t v = (dc * 4 + 16) >> 5;
    if (v > 511 || v < -511) return false;
    const uint8_t px = uint8_t(std::clamp(v + 128, 0, 255));
    for (int r = 0; r < 8; ++r, dst += stride) std::memset(dst, px, 8);
    return true;
  }
  alignas(32) int32_t x[64], ws[64], wt[64], out[64];
  for (int i = 0; i < 64; ++i) x[i] = int32_t(coef[i]) * int32_t(quant[i]);
  if (AnyBeyond(x, kIdctLimit)) return false;
  // Columns (a column of DC alone gives DC << 2 throughout, as the full
  // computation does).
  IdctPass(x, ws, 11);
  if (AnyBeyond(ws, kIdctLimit)) return false;
  for (int r = 0; r < 8; ++r)
    for (int c = 0; c < 8; ++c) wt[c * 8 + r] = ws[r * 8 + c];
  IdctPass(wt, out, 18);
  // libjpeg's vector code saturates and its plain code wraps past +-512.
  if (AnyBeyond(out, 511)) return false;
  for (int r = 0; r < 8; ++r, dst += stride)
    for (int c = 0; c < 8; ++c) dst[c] = uint8_t(std::clamp(out[c * 8 + r] + 128, 0, 255));
  return true;
}

// ---- Colour ----------------------------------------------------------------

// libjpeg's YCbCr tables, as the sums they hold: 16 fraction bits, rounded.
VECTOR_CLONES void ConvertRow(const uint8_t* __restrict y, const uint8_t* __restrict cb, const uint8_t* __restrict cr, int w,
                uint8_t* __restrict planes, uint8_t* __restrict out) {
  uint8_t* bp = planes;
  uint8_t* gp = planes + w;
  uint8_t* rp = planes + 2 * w;
  for (int x = 0; x < w; ++x) {
    const int32_t yy = y[x], b = int32_t(cb[x]) - 128, r = int32_t(cr[x]) - 128;
    bp[x] = uint8_t(std::clamp(yy + ((116130 * b + 32768) >> 16), 0, 255));
    gp[x] = uint8_t(std::clamp(yy + ((-22554 * b - 46802 * r + 32768) >> 16), 0, 255));
    rp[x] = uint8_t(std::clamp(yy + ((91881 * r + 32768) >> 16), 0, 255));
  }
  for (int x = 0; x < w; ++x) {
    out[3 * x] = bp[x];
    out[3 * x + 1] = gp[x];
    out[3 * x + 2] = rp[x];
  }
}

// Chroma doubled across: (3 * nearer + farther) / 4, the edge samples
// repeated. cw >= 2.
VECTOR_CLONES void UpsampleAcross(const uint8_t* __restrict in, int cw, uint8_t* __restrict out) {
  out[0] = in[0];
  for (int i = 1; i < cw; ++i) out[2 * i] = uint8_t((3 * in[i] + in[i - 1] + 1) >> 2);
  for (int i = 0; i + 1 < cw; ++i) out[2 * i + 1] = uint8_t((3 * in[i] + in[i + 1] + 2) >> 2);
  out[2 * cw - 1] = in[cw - 1];
}

// Chroma doubled both ways for one output row: `nearRow` is the chroma row
// the output row lies in, `farRow` the one above or below it. cw >= 2.
VECTOR_CLONES void UpsampleBoth(const uint8_t* __restrict nearRow, const uint8_t* __restrict farRow, int cw,
                  int32_t* __restrict sums, uint8_t* __restrict out) {
  for (int i = 0; i < cw; ++i) sums[i] = 3 * nearRow[i] + farRow[i];
  out[0] = uint8_t((4 * sums[0] + 8) >> 4);
  for (int i = 1; i < cw; ++i) out[2 * i] = uint8_t((3 * sums[i] + sums[i - 1] + 8) >> 4);
  for (int i = 0; i + 1 < cw; ++i) out[2 * i + 1] = uint8_t((3 * sums[i] + sums[i + 1] + 7) >> 4);
  out[2 * cw - 1] = uint8_t((4 * sums[cw - 1] + 7) >> 4);
}

// ---- The second pass: bands of MCU rows ----------------------------------

struct BandBuffers {
  int lumaStride = 0, chromaStride = 0;
  std::vector<uint8_t> luma[2];                // two MCU rows of luma
  std::vector<uint8_t> chroma[3][2];           // three MCU rows of Cb, Cr
  std::vector<uint8_t> cbRow, crRow;           // one output row of each, upsampled
  std::vector<uint8_t> planes;                 // one output row of blue, green, red
  std::vector<int32_t> sums;
};

class BandDecoder {
 public:
  BandDecoder(const Scan& sc, uint8_t* pixels, size_t stride) : sc_(sc), pixels_(pixels), stride_(stride) {
    b_.lumaStride = sc.mcusX * sc.hmax * 8;
    b_.chromaStride = sc.mcusX * 8;
    for (auto& l : b_.luma) l.resize(size_t(b_.lumaStride) * size_t(sc.vmax * 8));
    if (sc.ncomp == 3)
      for (auto& row : b_.chroma)
        for (auto& c : row) c.resize(size_t(b_.chromaStride) * 8);
    b_.cbRow.resize(size_t(2 * sc.chromaW + 16));
    b_.crRow.resize(size_t(2 * sc.chromaW + 16));
    b_.sums.resize(size_t(sc.chromaW + 8));
    b_.planes.resize(size_t(sc.width) * 3);
  }

  // Decodes MCU rows r0 .. r1 - 1 into the picture, starting from st (at or
  // before the first block needed).
  bool Run(State st, int r0, int r1, const std::atomic<bool>& failed) {
    const bool vertical = sc_.ncomp == 3 && sc_.vmax == 2;
    const int first = vertical ? std::max(0, r0 - 1) : r0;
    const int last = vertical ? std::min(sc_.mcusY, r1 + 1) : r1;  // exclusive
    const uint64_t target = uint64_t(first) * uint64_t(sc_.mcusX) * uint64_t(sc_.bpm);
    while (st.block < target)
      if (!NextBlock<false>(sc_, st, nullptr)) return false;
    for (int m = first; m < last; ++m) {
      if (failed.load(std::memory_order_relaxed)) return false;
      if (!DecodeRow(st, m, m >= r0 && m < r1)) return false;
      // With vertical context, row m - 1 can be put out once row m is in.
      const int ready = vertical ? m - 1 : m;
      if (ready >= r0 && ready < r1 && (!vertical || ready >= first)) Emit(ready);
    }
    if (vertical && r1 == sc_.mcusY && r1 - 1 >= r0) Emit(r1 - 1);
    return true;
  }

 private:
  bool DecodeRow(State& st, int m, bool lumaWanted) {
    alignas(32) int16_t coef[64];
    const int lumaBlocksX = (sc_.width + 7) / 8;
    const int lumaBlocksY = (sc_.height + 7) / 8;
    uint8_t* luma = b_.luma[m & 1].data();
    for (int mx = 0; mx < sc_.mcusX; ++mx)
      for (const Slot& sl : sc_.slots) {
        const int bx = mx * (sl.comp ? 1 : sc_.hmax) + sl.bx;
        const int by = m * (sl.comp ? 1 : sc_.vmax) + sl.by;
        const bool wanted = sl.comp ? true : (lumaWanted && bx < lumaBlocksX && by < lumaBlocksY);
        if (!wanted) {
          if (!NextBlock<false>(sc_, st, nullptr)) return false;
          continue;
        }
        std::memset(coef, 0, sizeof coef);
        int last = 0;
        if (!NextBlock<true>(sc_, st, coef, &last)) return false;
        uint8_t* dst;
        ptrdiff_t stride;
        if (sl.comp == 0) {
          stride = b_.lumaStride;
          dst = luma + size_t(sl.by * 8) * size_t(stride) + size_t(bx * 8);
        } else {
          stride = b_.chromaStride;
          dst = b_.chroma[m % 3][sl.comp - 1].data() + size_t(bx * 8);
        }
        if (!InverseDct(coef, sl.quant, last, dst, stride)) return false;
      }
    return true;
  }

  const uint8_t* ChromaRow(int comp, int row) const {
    return b_.chroma[(row / 8) % 3][comp].data() + size_t(row % 8) * size_t(b_.chromaStride);
  }

  void Emit(int m) {
    const int mcuH = sc_.vmax * 8;
    const int y0 = m * mcuH, y1 = std::min(sc_.height, y0 + mcuH);
    const uint8_t* luma = b_.luma[m & 1].data();
    for (int y = y0; y < y1; ++y) {
      const uint8_t* yr = luma + size_t(y - y0) * size_t(b_.lumaStride);
      uint8_t* o = pixels_ + size_t(y) * stride_;
      if (sc_.ncomp == 1) {
        for (int x = 0; x < sc_.width; ++x, o += 3) o[0] = o[1] = o[2] = yr[x];
        continue;
      }
      const uint8_t *cb, *cr;
      if (sc_.hmax == 1) {
        cb = ChromaRow(0, y);
        cr = ChromaRow(1, y);
      } else if (sc_.vmax == 1) {
        UpsampleAcross(ChromaRow(0, y), sc_.chromaW, b_.cbRow.data());
        UpsampleAcross(ChromaRow(1, y), sc_.chromaW, b_.crRow.data());
        cb = b_.cbRow.data();
        cr = b_.crRow.data();
      } else {
        const int c = y >> 1;
        const int far = (y & 1) ? std::min(c + 1, sc_.chromaH - 1) : std::max(c - 1, 0);
        UpsampleBoth(ChromaRow(0, c), ChromaRow(0, far), sc_.chromaW, b_.sums.data(), b_.cbRow.data());
        UpsampleBoth(ChromaRow(1, c), ChromaRow(1, far), sc_.chromaW, b_.sums.data(), b_.crRow.data());
        cb = b_.cbRow.data();
        cr = b_.crRow.data();
      }
      ConvertRow(yr, cb, cr, sc_.width, b_.planes.data(), o);
    }
  }

  const Scan& sc_;
  uint8_t* pixels_;  // the picture's first row
  size_t stride_;
  BandBuffers b_;
};

// ---- The first pass: true states through the scan -----------------------

struct Point {
  State st;
  bool end = false;    // the chunk's last state
  bool error = false;  // the block from here does not decode
  uint32_t run = 0;    // which guessed run it belongs to
};

// Decodes chunk [from, to) of the one segment from a guessed start, keeping
// a state every kStateSpacing blocks. A decode that fails starts a new
// guessed run at the next unread byte.
std::vector<Point> GuessChunk(const Scan& sc, const uint8_t* from, uint64_t fromIndex, uint64_t toIndex) {
  std::vector<Point> pts;
  State st;
  st.r.p = from;
  st.r.end = sc.intervals[0].end;
  st.r.loaded = fromIndex;
  const uint64_t limit = toIndex * 8;
  uint32_t run = 0;
  for (;;) {
    if (st.block % kStateSpacing == 0) pts.push_back(Point{st, false, false, run});
    if (st.r.Position() >= limit) {
      if (pts.back().st.block == st.block && pts.back().run == run)
        pts.back().end = true;
      else
        pts.push_back(Point{st, true, false, run});
      return pts;
    }
    State before = st;
    if (NextBlock<false>(sc, st, nullptr)) continue;
    if (pts.back().st.block == before.block && pts.back().run == run)
      pts.back().error = true;
    else
      pts.push_back(Point{before, false, true, run});
    if (st.r.virtualBytes) return pts;  // ran out of data
    // Start over at the next byte not yet taken into the bit buffer.
    const uint64_t at = st.r.loaded;
    const uint8_t* p = st.r.p;
    st = State{};
    st.r.p = p;
    st.r.end = sc.intervals[0].end;
    st.r.loaded = at;
    ++run;
  }
}

// Joins the chunks' guesses into true states (sorted by block), decoding in
// sequence wherever a guess cannot be shown to be the truth. False where the
// true decode fails before the scan's last block.
bool TrueStates(const Scan& sc, const std::vector<std::vector<Point>>& chunks, std::vector<State>& truth) {
  size_t c = 0, i = 0;  // chunk 0 starts where the scan does: its first run is true
  int64_t blockShift = 0;
  int32_t predShift[3] = {};
  for (;;) {
    // Follow run chunks[c][i].run with the shifts.
    const std::vector<Point>& pts = chunks[c];
    const uint32_t run = pts[i].run;
    State cur;
    bool atEnd = false;
    for (; i < pts.size() && pts[i].run == run; ++i) {
      State s = pts[i].st;
      s.block = uint64_t(int64_t(s.block) + blockShift);
      for (int k = 0; k < 3; ++k) s.pred[k] = int32_t(uint32_t(s.pred[k]) + uint32_t(predShift[k]));
      if (s.block >= sc.totalBlocks) return true;
      if (pts[i].error) return false;
      truth.push_back(s);
      if (pts[i].end) {
        cur = s;
        atEnd = true;
        break;
      }
    }
    if (!atEnd) return false;  // a run ends at the chunk's end or in an error
    // Decode on in sequence until a later guess is met.
    size_t nc = c + 1, ni = 0;
    bool met = false;
    while (!met) {
      if (cur.block == sc.totalBlocks) return true;
      if (cur.block % kStateSpacing == 0 && truth.back().block != cur.block) truth.push_back(cur);
      const uint64_t pos = cur.r.Position();
      while (nc < chunks.size()) {
        while (ni < chunks[nc].size() && chunks[nc][ni].st.r.Position() < pos) ++ni;
        if (ni < chunks[nc].size()) break;
        ++nc;
        ni = 0;
      }
      if (nc < chunks.size()) {
        const Point& q = chunks[nc][ni];
        if (q.st.r.Position() == pos && q.st.slot == cur.slot) {
          blockShift = int64_t(cur.block) - int64_t(q.st.block);
          for (int k = 0; k < 3; ++k) predShift[k] = int32_t(uint32_t(cur.pred[k]) - uint32_t(q.st.pred[k]));
          c = nc;
          i = ni;
          met = true;
          break;
        }
      }
      if (!NextBlock<false>(sc, cur, nullptr)) return false;
    }
  }
}

// Where the segment's markers are: every FF not followed by 00, and how many
// FF 00 pairs come before the first of them.
struct MarkerScan {
  std::vector<size_t> markers;
  uint64_t stuffedBeforeFirst = 0;
};

// Stops after `limit` markers and after the first that is not a restart
// marker: what follows it is not part of the scan.
MarkerScan FindMarkers(const uint8_t* d, size_t from, size_t to, size_t size, uint64_t limit) {
  MarkerScan m;
  size_t i = from;
  while (i < to) {
    const void* hit = std::memchr(d + i, 0xFF, to - i);
    if (!hit) break;
    i = size_t(static_cast<const uint8_t*>(hit) - d);
    if (i + 1 < size && d[i + 1] == 0x00) {
      if (m.markers.empty()) ++m.stuffedBeforeFirst;
      i += 2;
      continue;
    }
    m.markers.push_back(i);
    if (m.markers.size() >= limit || i + 1 >= size || (d[i + 1] & 0xF8) != 0xD0) break;
    i += 1;
  }
  return m;
}

// What the first pass leaves for the bands. It stays where it was made: the
// scan points into the frame.
struct Job {
  Frame f;
  Scan sc;
  std::vector<State> truth;
  unsigned threads = 1;
};

// The headers, the markers and the first pass: everything the bands start
// from. False for a file left to libjpeg.
bool Prepare(const uint8_t* data, size_t size, Job& job) {
  if (!data) return false;
  Frame& f = job.f;
  if (!ParseHeaders(data, size, f)) return false;
  // libjpeg's own size limit, then ours.
  if (f.width > 65500 || f.height > 65500 || !FitsPictureCap(f.width, f.height)) return false;
  if (uint64_t(f.width) * uint64_t(f.height) < minPixels.load()) return false;
  const unsigned threads = job.threads = RowBandThreads();
  if (threads < minThreads.load()) return false;

  Scan& sc = job.sc;
  sc.width = f.width;
  sc.height = f.height;
  sc.ncomp = f.ncomp;
  sc.restartMcus = f.restartMcus;
  if (f.ncomp == 1) {
    if (f.comp[0].h != 1 || f.comp[0].v != 1) return false;
  } else {
    // libjpeg's choice of colour space for three components: YCbCr only.
    if (f.adobe ? f.adobeTransform != 1 : !(f.jfif || (f.comp[0].id == 1 && f.comp[1].id == 2 && f.comp[2].id == 3)))
      return false;
    const Component& y = f.comp[0];
    if (f.comp[1].h != 1 || f.comp[1].v != 1 || f.comp[2].h != 1 || f.comp[2].v != 1) return false;
    if (!((y.h == 1 && y.v == 1) || (y.h == 2 && y.v == 1) || (y.h == 2 && y.v == 2))) return false;
    sc.hmax = y.h;
    sc.vmax = y.v;
  }
  for (int c = 0; c < f.ncomp; ++c) {
    const Component& k = f.comp[c];
    if (!f.quantDefined[k.tq] || !f.dc[k.td].defined || !f.ac[k.ta].defined) return false;
  }
  sc.mcusX = (f.width + 8 * sc.hmax - 1) / (8 * sc.hmax);
  sc.mcusY = (f.height + 8 * sc.vmax - 1) / (8 * sc.vmax);
  sc.chromaW = (f.width + sc.hmax - 1) / sc.hmax;
  sc.chromaH = (f.height + sc.vmax - 1) / sc.vmax;
  // libjpeg's plain and vector upsampling differ for a one-sample-wide chroma.
  if (f.ncomp == 3 && sc.hmax == 2 && sc.chromaW < 2) return false;
  for (int c = 0; c < f.ncomp; ++c) {
    const Component& k = f.comp[c];
    const int hb = c == 0 ? sc.hmax : 1, vb = c == 0 ? sc.vmax : 1;
    for (int by = 0; by < vb; ++by)
      for (int bx = 0; bx < hb; ++bx)
        sc.slots.push_back(Slot{c, bx, by, &f.dc[k.td], &f.ac[k.ta], f.quant[k.tq]});
  }
  sc.bpm = int(sc.slots.size());
  sc.totalBlocks = uint64_t(sc.mcusX) * uint64_t(sc.mcusY) * uint64_t(sc.bpm);
  const uint64_t totalMcus = uint64_t(sc.mcusX) * uint64_t(sc.mcusY);

  const uint64_t intervalCount =
      sc.restartMcus ? (totalMcus + uint64_t(sc.restartMcus) - 1) / uint64_t(sc.restartMcus) : 1;
  // Find the markers in the entropy-coded data, in slices that are also the
  // chunks of the first pass: twice as many as cores, taken in turn.
  const size_t scan = f.scanStart;
  const size_t dataLen = size - scan;
  const unsigned forced = chunkCount.load();
  const unsigned chunks =
      forced    ? forced
      : threads <= 1 ? 1u
                     : unsigned(std::min<uint64_t>(2 * threads, std::max<uint64_t>(1, dataLen / 65536)));
  std::vector<size_t> cut(chunks + 1);
  for (unsigned j = 0; j <= chunks; ++j) {
    size_t b = scan + size_t(uint64_t(dataLen) * j / chunks);
    if (j > 0 && j < chunks)
      while (b < size && data[b - 1] == 0xFF) ++b;  // never between FF and what follows it
    cut[j] = std::max(b, j ? cut[j - 1] : scan);
  }
  cut[chunks] = size;
  std::vector<MarkerScan> found(chunks);
  ForEachRowBand(int(chunks), uint64_t(dataLen) * 4, [&](int j0, int j1) {
    for (int j = j0; j < j1; ++j)
      found[size_t(j)] = FindMarkers(data, cut[size_t(j)], cut[size_t(j) + 1], size, intervalCount);
  });
  std::vector<size_t> markers;
  for (const MarkerScan& m : found) markers.insert(markers.end(), m.markers.begin(), m.markers.end());

  if (sc.restartMcus == 0) {
    if (markers.empty() || markers[0] + 1 >= size || data[markers[0] + 1] != 0xD9) return false;
    sc.intervals.push_back(Interval{data + scan, data + markers[0]});
  } else {
    const uint64_t count = intervalCount;
    if (markers.size() < count) return false;
    const uint8_t* begin = data + scan;
    for (uint64_t k = 0; k < count; ++k) {
      const size_t at = markers[k];
      const int want = k + 1 == count ? 0xD9 : int(0xD0 + k % 8);
      if (at + 1 >= size || data[at + 1] != want) return false;
      sc.intervals.push_back(Interval{begin, data + at});
      begin = data + at + 2;
    }
  }

  // Every block takes two bits at least; a segment too short for the
  // picture ends early, which is libjpeg's to handle.
  uint64_t dataBits = 0;
  for (const Interval& iv : sc.intervals) dataBits += uint64_t(iv.end - iv.begin) * 8;
  if (dataBits < sc.totalBlocks * 2) return false;

  // True states to start the bands from.
  std::vector<State>& truth = job.truth;
  if (sc.restartMcus) {
    // An interval's start every so many blocks is enough to seek from.
    for (size_t k = 0; k < sc.intervals.size(); ++k) {
      if (!truth.empty() && uint64_t(k) * uint64_t(sc.restartMcus) * uint64_t(sc.bpm) <
                                truth.back().block + kStateSpacing * 8)
        continue;
      State s;
      s.r.p = sc.intervals[k].begin;
      s.r.end = sc.intervals[k].end;
      s.block = uint64_t(k) * uint64_t(sc.restartMcus) * uint64_t(sc.bpm);
      s.interval = uint32_t(k);
      truth.push_back(s);
    }
  } else if (chunks <= 1) {
    State s;
    s.r.p = sc.intervals[0].begin;
    s.r.end = sc.intervals[0].end;
    truth.push_back(s);
  } else {
    // Chunk starts within the segment and their places in the unstuffed data.
    const size_t segEnd = size_t(sc.intervals[0].end - data);
    std::vector<const uint8_t*> from;
    std::vector<uint64_t> index;
    uint64_t stuffed = 0;
    for (unsigned j = 0; j < chunks && cut[j] < segEnd; ++j) {
      from.push_back(data + cut[j]);
      index.push_back(cut[j] - scan - stuffed);
      stuffed += found[j].stuffedBeforeFirst;
    }
    const uint64_t endIndex = segEnd - scan - stuffed;
    std::vector<std::vector<Point>> guesses(from.size());
    std::atomic<size_t> nextChunk{0};
    ForEachRowBand(int(std::min<size_t>(threads, from.size())), uint64_t(dataLen) * 16, [&](int, int) {
      for (size_t k; (k = nextChunk++) < from.size();)
        guesses[k] = GuessChunk(sc, from[k], index[k], k + 1 < from.size() ? index[k + 1] : endIndex + 1);
    });
    if (!TrueStates(sc, guesses, truth)) return false;
  }
  return true;
}

// Decodes MCU rows r0 .. r1 - 1 into the picture from the nearest true state
// before them.
bool DecodeBand(const Job& job, BandDecoder& band, int r0, int r1, const std::atomic<bool>& failed) {
  const Scan& sc = job.sc;
  const bool vertical = sc.ncomp == 3 && sc.vmax == 2;
  const uint64_t target = uint64_t(vertical ? std::max(0, r0 - 1) : r0) * uint64_t(sc.mcusX) * uint64_t(sc.bpm);
  auto it = std::upper_bound(job.truth.begin(), job.truth.end(), target,
                             [](uint64_t t, const State& st) { return t < st.block; });
  return it != job.truth.begin() && band.Run(*(it - 1), r0, r1, failed);
}

// Twice as many bands as cores, taken in turn, so that a core slowed by
// other work holds up less. With the scan's start the only true state, one
// band decodes it all.
int BandRows(const Job& job) {
  const int rows = job.sc.mcusY, threads = int(job.threads);
  return job.truth.size() <= 1 ? rows : std::max(1, (rows + 2 * threads - 1) / (2 * threads));
}

// The picture's memory, left for the bands to fault in as they write it,
// spread over the cores along with the decode; zeroing fresh memory costs
// as much as a good part of the decode.
Bitmap UnfilledPicture(const Scan& sc) {
  detail::FaultInByWriters byBands;
  return Bitmap::Unfilled(sc.width, sc.height, PixelFormat::pf24bit);
}

// The background decode's shared record: the bands in the order they are
// taken, and how the writers stand.
struct Background {
  std::shared_ptr<const detail::PixelBuffer> file;
  Job job;
  std::vector<std::pair<int, int>> bands;  // MCU rows [first, second)
  std::atomic<int> next{0};
  std::atomic<bool> failed{false};
  std::atomic<int> writers{0};
  uint8_t* pixels = nullptr;
  size_t stride = 0;
  detail::PendingRows* rows = nullptr;
};

// When a band needed libjpeg after all: libjpeg's pixels for every row not
// yet in (those in are already libjpeg's), so no row anyone reads changes.
void FinishWithLibjpeg(Background& bg) {
  const Scan& sc = bg.job.sc;
  Bitmap whole;
  try {
    whole = ReadWithLibjpeg(bg.file->data(), bg.file->size());
  } catch (...) {
  }
  const bool usable = whole.Width() == sc.width && whole.Height() == sc.height &&
                      whole.GetPixelFormat() == PixelFormat::pf24bit;
  for (int y = 0; y < sc.height; ++y) {
    if (bg.rows->RowIn(y)) continue;
    uint8_t* row = bg.pixels + size_t(y) * bg.stride;
    if (usable)
      std::memcpy(row, whole.ScanLine(y), size_t(sc.width) * 3);
    else
      std::memset(row, 0xFF, size_t(sc.width) * 3);
  }
  bg.rows->RowsIn(0, sc.height);
}

void BackgroundWriter(const std::shared_ptr<Background>& bg) {
  const Scan& sc = bg->job.sc;
  const int mcuH = sc.vmax * 8;
  try {
    BandDecoder band(sc, bg->pixels, bg->stride);
    for (int b; !bg->failed && (b = bg->next++) < int(bg->bands.size());) {
      const auto [r0, r1] = bg->bands[size_t(b)];
      if (!DecodeBand(bg->job, band, r0, r1, bg->failed)) {
        bg->failed = true;
        break;
      }
      bg->rows->RowsIn(r0 * mcuH, std::min(sc.height, r1 * mcuH));
    }
  } catch (...) {
    bg->failed = true;  // no memory for the band's buffers
  }
  // The last writer to end makes up for a failure.
  if (bg->writers.fetch_sub(1) == 1 && bg->failed) FinishWithLibjpeg(*bg);
}

}  // namespace

bool Decode(const uint8_t* data, size_t size, Bitmap* out) {
  Job job;
  if (!Prepare(data, size, job)) return false;
  const Scan& sc = job.sc;
  Bitmap pic = UnfilledPicture(sc);
  uint8_t* pixels = pic.ScanLine(0);
  const size_t stride = pic.Stride();
  std::atomic<bool> failed{false};
  const uint64_t work = uint64_t(sc.width) * uint64_t(sc.height) * 40;
  const int bandRows = BandRows(job);
  const int bands = (sc.mcusY + bandRows - 1) / bandRows;
  std::atomic<int> nextBand{0};
  ForEachRowBand(int(std::min<unsigned>(job.threads, unsigned(bands))), work, [&](int, int) {
    BandDecoder band(sc, pixels, stride);
    for (int b; (b = nextBand++) < bands && !failed;) {
      const int r0 = b * bandRows, r1 = std::min(sc.mcusY, r0 + bandRows);
      if (!DecodeBand(job, band, r0, r1, failed)) failed = true;
    }
  });
  if (failed) return false;
  *out = std::move(pic);
  return true;
}

bool DecodeShowingFirst(std::shared_ptr<const detail::PixelBuffer> file,
                        const FirstRows& first, Bitmap* out) {
  if (!file) return false;
  auto bg = std::make_shared<Background>();
  bg->file = std::move(file);
  Job& job = bg->job;
  if (!Prepare(bg->file->data(), bg->file->size(), job)) return false;
  const Scan& sc = job.sc;
  const int mcuH = sc.vmax * 8;
  auto [y0, y1] = first ? first(sc.width, sc.height) : std::pair<int, int>(0, 0);
  y0 = std::clamp(y0, 0, sc.height);
  y1 = std::clamp(y1, y0, sc.height);
  const int m0 = y0 / mcuH, m1 = (y1 + mcuH - 1) / mcuH;
  // The rows shown first, over all the cores, then the rest in bands of the
  // usual size; with a single true state one band takes it all.
  if (job.truth.size() <= 1) {
    bg->bands.emplace_back(0, sc.mcusY);
  } else {
    const int parts = std::min(int(job.threads), m1 - m0);
    for (int k = 0; k < parts; ++k)
      bg->bands.emplace_back(m0 + (m1 - m0) * k / parts, m0 + (m1 - m0) * (k + 1) / parts);
    const int bandRows = BandRows(job);
    for (int r = 0; r < m0; r += bandRows) bg->bands.emplace_back(r, std::min(m0, r + bandRows));
    for (int r = m1; r < sc.mcusY; r += bandRows) bg->bands.emplace_back(r, std::min(sc.mcusY, r + bandRows));
  }
  Bitmap pic = UnfilledPicture(sc);
  bg->pixels = pic.ScanLine(0);
  bg->stride = pic.Stride();
  auto pending = std::make_unique<detail::PendingRows>(sc.height);
  detail::PendingRows& rows = *pending;
  bg->rows = pending.get();
  pic.AwaitRows(std::move(pending));
  const int writers = int(std::min<size_t>(job.threads, bg->bands.size()));
  bg->writers = writers;
  for (int t = 0; t < writers; ++t) {
    std::thread writer;
    try {
      writer = std::thread(BackgroundWriter, bg);
    } catch (const std::system_error&) {
      BackgroundWriter(bg);  // no thread to be had: this one writes
      continue;
    }
    rows.Adopt(std::move(writer));
  }
  for (int y = y0; y < y1; ++y) rows.WaitRow(y);
  *out = std::move(pic);
  return true;
}

}  // namespace imaging::jpeg_fast
