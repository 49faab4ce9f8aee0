// BMP and packed-DIB reader.
//
// Accepted: 12-byte core headers and 40-byte info headers (and the longer
// 52/56/108/124-byte forms, whose extra fields are read for the bit masks
// only); 1, 4, 8, 16, 24 and 32 bits per pixel; uncompressed, RLE8, RLE4 and
// bit fields for 16 and 32 bits; rows bottom-up (positive height) or top-down
// (negative height, uncompressed only).
//
// Results: 1-, 4- and 8-bit files stay palette pictures (pf1bit, pf4bit,
// pf8bit) with the file's colour table, padded with black to the full 2, 16
// or 256 entries so that every index a file can hold names a colour. 24-bit
// files give pf24bit. 16- and 32-bit files are returned as pf24bit too (the
// fourth byte of a 32-bit pixel is not a colour and is dropped).
//
// Every read is checked against the given bytes. A file that is damaged, cut
// short or claims a picture larger than the readers' cap (kMaxPictureBytes
// at 24 bits) raises PictureError with the reader's one message; so does RLE
// data that ends before its end-of-bitmap code and its last row. Rows the
// data skips (end of line, delta, end of bitmap) stay at index 0; runs that
// pass the end of a row are cut there.
#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>

#include "imaging/picture_io.h"

namespace imaging {

namespace {

constexpr const char* kBadBitmap = "ビットマップイメージが不正です";

[[noreturn]] void Bad() { throw PictureError(kBadBitmap); }

struct Bytes {
  const uint8_t* p;
  size_t n;
  bool Has(size_t off, size_t len) const { return off <= n && len <= n - off; }
  uint16_t U16(size_t off) const {
    if (!Has(off, 2)) Bad();
    return uint16_t(p[off] | (p[off + 1] << 8));
  }
  uint32_t U32(size_t off) const {
    if (!Has(off, 4)) Bad();
    return uint32_t(p[off]) | (uint32_t(p[off + 1]) << 8) | (uint32_t(p[off + 2]) << 16) |
           (uint32_t(p[off + 3]) << 24);
  }
};

enum Compression : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3 };

// One colour channel of a bit-field pixel, scaled to 0 .. 255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  uint32_t maxv = 0;
  explicit Channel(uint32_t m = 0) : mask(m) {
    if (!m) return;
    shift = std::countr_zero(m);
    const uint32_t v = m >> shift;
    bits = 32 - std::countl_zero(v);
    maxv = bits >= 32 ? 0xFFFFFFFFu : ((uint32_t(1) << bits) - 1);
  }
  uint8_t Get(uint32_t px) const {
    if (!mask) return 0;
    const uint32_t v = (px & mask) >> shift;
    if (bits > 8) return uint8_t(v >> (bits - 8));
    if (bits == 8) return uint8_t(v);
    return uint8_t((uint64_t(v) * 255 + maxv / 2) / maxv);
  }
};

struct Header {
  uint32_t size = 0;       // header length
  int64_t width = 0;
  int64_t height = 0;      // positive; topDown tells the order
  bool topDown = false;
  int bpp = 0;
  uint32_t compression = kRgb;
  uint32_t colours = 0;    // colour-table entries stored in the file
  size_t entryBytes = 4;   // 3 for core headers
  size_t tableOffset = 0;  // where the colour table (or the masks) begin
  size_t pixelOffset = 0;  // computed end of the colour table
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue
};

Header ParseHeader(const Bytes& b, size_t at) {
  Header h;
  h.size = b.U32(at);
  if (h.size == 12) {
    h.width = b.U16(at + 4);
    h.height = b.U16(at + 6);
    h.bpp = b.U16(at + 10);
    h.entryBytes = 3;
    if (h.bpp != 1 && h.bpp != 4 && h.bpp != 8 && h.bpp != 24) Bad();
    h.colours = h.bpp <= 8 ? (1u << h.bpp) : 0;
    h.tableOffset = at + 12;
  } else if (h.size == 40 || h.size == 52 || h.size == 56 || h.size == 108 || h.size == 124) {
    if (!b.Has(at, h.size)) Bad();
    h.width = int32_t(b.U32(at + 4));
    const int32_t rawH = int32_t(b.U32(at + 8));
    h.bpp = b.U16(at + 14);
    h.compression = b.U32(at + 16);
    const uint32_t used = b.U32(at + 32);
    if (rawH == std::numeric_limits<int32_t>::min()) Bad();
    h.topDown = rawH < 0;
    h.height = rawH < 0 ? -int64_t(rawH) : rawH;
    switch (h.bpp) {
      case 1: case 4: case 8: case 16: case 24: case 32: break;
      default: Bad();
    }
    if (h.bpp <= 8) {
      const uint32_t full = 1u << h.bpp;
      h.colours = used == 0 ? full : used;
      if (h.colours > full) h.colours = full;
    } else {
      // A colour table after a true-colour header is only a display hint.
      h.colours = used > 256 ? 256 : used;
    }
    h.tableOffset = at + h.size;
    switch (h.compression) {
      case kRgb: break;
      case kRle8: if (h.bpp != 8 || h.topDown) Bad(); break;
      case kRle4: if (h.bpp != 4 || h.topDown) Bad(); break;
      case kBitFields: {
        if (h.bpp != 16 && h.bpp != 32) Bad();
        // In a 40-byte header the masks follow it; longer headers hold them.
        const size_t m = at + 40;
        h.masks[0] = b.U32(m);
        h.masks[1] = b.U32(m + 4);
        h.masks[2] = b.U32(m + 8);
        if (h.size == 40) h.tableOffset += 12;
        break;
      }
      default: Bad();
    }
  } else {
    Bad();
  }
  if (h.width <= 0 || h.height <= 0) Bad();
  if (!b.Has(h.tableOffset, size_t(h.colours) * h.entryBytes)) Bad();
  h.pixelOffset = h.tableOffset + size_t(h.colours) * h.entryBytes;
  return h;
}

std::vector<Colour> ReadTable(const Bytes& b, const Header& h) {
  std::vector<Colour> pal(size_t(1) << h.bpp, 0);
  for (uint32_t i = 0; i < h.colours; ++i) {
    const uint8_t* e = b.p + h.tableOffset + size_t(i) * h.entryBytes;
    pal[i] = RGB(e[2], e[1], e[0]);
  }
  return pal;
}

PixelFormat FormatFor(int bpp) {
  switch (bpp) {
    case 1: return PixelFormat::pf1bit;
    case 4: return PixelFormat::pf4bit;
    case 8: return PixelFormat::pf8bit;
    default: return PixelFormat::pf24bit;
  }
}

// `out` starts at index 0 everywhere (a new palette bitmap); pixels the data
// skips keep it. Data that stops before its end-of-bitmap code while rows
// are still to come is a file cut short.
void DecodeRle(const Bytes& b, size_t off, const Header& h, Bitmap& out) {
  const int w = int(h.width), hh = int(h.height);
  const bool four = h.compression == kRle4;
  const PixelFormat f = out.GetPixelFormat();
  auto put = [&](int x, int y, int idx) {
    uint8_t* row = out.ScanLine(hh - 1 - y);
    if (f == PixelFormat::pf8bit) {
      row[x] = uint8_t(idx);
    } else if (x & 1) {
      row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (idx & 0x0F));
    } else {
      row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | ((idx & 0x0F) << 4));
    }
  };
  int x = 0, y = 0;
  size_t p = off;
  bool ended = false;
  while (y < hh && b.Has(p, 2)) {
    const uint8_t count = b.p[p], value = b.p[p + 1];
    p += 2;
    if (count > 0) {
      for (int i = 0; i < count && x < w; ++i, ++x)
        put(x, y, four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++y;
    } else if (value == 1) {  // end of bitmap
      ended = true;
      break;
    } else if (value == 2) {  // delta
      if (!b.Has(p, 2)) Bad();
      x = std::min(x + b.p[p], w);
      y += b.p[p + 1];
      p += 2;
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      const size_t bytes = four ? (size_t(value) + 1) / 2 : value;
      const size_t padded = (bytes + 1) & ~size_t(1);
      if (!b.Has(p, bytes)) Bad();
      for (int i = 0; i < value; ++i, ++x)
        if (x < w) put(x, y, four ? ((i & 1) ? (b.p[p + size_t(i) / 2] & 0x0F) : (b.p[p + size_t(i) / 2] >> 4))
                                  : b.p[p + size_t(i)]);
      x = std::min(x, w);
      // The last run may lack its padding byte.
      p = b.Has(p, padded) ? p + padded : b.n;
    }
  }
  const bool lastRowDone = y >= hh || (y == hh - 1 && x >= w);
  if (!ended && !lastRowDone) Bad();
}

Bitmap Decode(const Bytes& b, const Header& h, size_t pixelOffset) {
  const int w = int(h.width), hh = int(h.height);
  if (h.width > std::numeric_limits<int32_t>::max() || h.height > std::numeric_limits<int32_t>::max()) Bad();
  const PixelFormat f = FormatFor(h.bpp);
  const size_t outStride = RowStride(w, f);
  if (outStride == 0 || !FitsPictureCap(w, hh)) Bad();

  if (h.compression == kRle8 || h.compression == kRle4) {
    if (pixelOffset > b.n) Bad();
    Bitmap out(w, hh, f);
    out.Palette() = ReadTable(b, h);
    DecodeRle(b, pixelOffset, h, out);
    return out;
  }

  const uint64_t srcStride = ((uint64_t(w) * uint64_t(h.bpp) + 31) / 32) * 4;
  const uint64_t rowBytes = (uint64_t(w) * uint64_t(h.bpp) + 7) / 8;
  // The last row may lack its padding; everything else must be there.
  const uint64_t need = srcStride * uint64_t(hh - 1) + rowBytes;
  if (pixelOffset > b.n || need > b.n - pixelOffset) Bad();

  Bitmap out(w, hh, f);
  auto srcRow = [&](int y) {  // y counted from the top of the picture
    const int fileRow = h.topDown ? y : hh - 1 - y;
    return b.p + pixelOffset + size_t(fileRow) * size_t(srcStride);
  };
  if (h.bpp <= 8 || h.bpp == 24) {
    if (h.bpp <= 8) out.Palette() = ReadTable(b, h);
    for (int y = 0; y < hh; ++y) std::memcpy(out.ScanLine(y), srcRow(y), size_t(rowBytes));
    return out;
  }

  Channel r, g, bl;
  if (h.compression == kBitFields) {
    const uint32_t limit = h.bpp == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    r = Channel(h.masks[0] & limit);
    g = Channel(h.masks[1] & limit);
    bl = Channel(h.masks[2] & limit);
  } else if (h.bpp == 16) {
    r = Channel(0x7C00);
    g = Channel(0x03E0);
    bl = Channel(0x001F);
  } else {
    r = Channel(0x00FF0000);
    g = Channel(0x0000FF00);
    bl = Channel(0x000000FF);
  }
  for (int y = 0; y < hh; ++y) {
    const uint8_t* s = srcRow(y);
    uint8_t* d = out.ScanLine(y);
    for (int x = 0; x < w; ++x, d += 3) {
      uint32_t px;
      if (h.bpp == 16) {
        px = uint32_t(s[2 * size_t(x)]) | (uint32_t(s[2 * size_t(x) + 1]) << 8);
      } else {
        const uint8_t* q = s + 4 * size_t(x);
        px = uint32_t(q[0]) | (uint32_t(q[1]) << 8) | (uint32_t(q[2]) << 16) | (uint32_t(q[3]) << 24);
      }
      d[0] = bl.Get(px);
      d[1] = g.Get(px);
      d[2] = r.Get(px);
    }
  }
  return out;
}

}  // namespace

Bitmap ReadBmp(const uint8_t* data, size_t size) {
  const Bytes b{data, data ? size : 0};
  if (!b.Has(0, 18) || b.p[0] != 'B' || b.p[1] != 'M') Bad();
  const uint32_t offBits = b.U32(10);
  const Header h = ParseHeader(b, 14);
  // Trust the file's pixel offset when it lies after the headers and inside
  // the file; otherwise the pixels follow the colour table.
  size_t pixelOffset = h.pixelOffset;
  if (offBits >= 14 + h.size && offBits <= b.n) pixelOffset = offBits;
  return Decode(b, h, pixelOffset);
}

Bitmap ReadDib(const uint8_t* data, size_t size) {
  const Bytes b{data, data ? size : 0};
  const Header h = ParseHeader(b, 0);
  return Decode(b, h, h.pixelOffset);
}

}  // namespace imaging
