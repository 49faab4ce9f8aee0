// Decoding the clock data appended to a clock program.
#include "engine/clock_data.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/picture_io.h"
#include "platform/ini.h"

namespace engine {

namespace {

constexpr size_t kMarkerSize = 16;

enum class Kind { BMP, JPG, FG, CL1, CL2, HR, MN, SC, CTR, CPY, URL, OSD, OST, PRTR, Other, Close };

Kind KindOf(const char* k6) {
  static const struct {
    const char* name;
    Kind kind;
  } kinds[] = {{"BMP---", Kind::BMP}, {"JPG---", Kind::JPG}, {"FG----", Kind::FG},   {"CL1---", Kind::CL1},
               {"CL2---", Kind::CL2}, {"HR----", Kind::HR},  {"MN----", Kind::MN},   {"SC----", Kind::SC},
               {"CTR---", Kind::CTR}, {"CPY---", Kind::CPY}, {"URL---", Kind::URL},  {"OSD---", Kind::OSD},
               {"OST---", Kind::OST}, {"PRTR--", Kind::PRTR}};
  for (const auto& k : kinds)
    if (std::memcmp(k6, k.name, 6) == 0) return k.kind;
  return Kind::Other;
}

struct Entry {
  int64_t offset;
  Kind kind;
};

// The 16 bytes at p taken as text up to the first zero byte.
std::string TextUpToZero(const uint8_t* p, size_t n) {
  size_t len = 0;
  while (len < n && p[len] != 0) ++len;
  return std::string(reinterpret_cast<const char*>(p), len);
}

// An integer as the conversion routine reads it: blanks, an optional sign,
// decimal digits, or hexadecimal after "$" or "0x".
bool ParseInteger(const std::string& text, int64_t& out) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool neg = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  int64_t v = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    v = v * base + d;
    if (v > 0xFFFFFFFFLL) return false;
  }
  if (base == 10 && v > (neg ? 0x80000000LL : 0x7FFFFFFFLL)) return false;
  out = neg ? -v : (base == 16 ? int64_t(int32_t(uint32_t(v))) : v);
  return true;
}

// Reads size bytes at offset into dst; only the end of the file stops the
// read early, and the bytes not read keep what dst held.
struct Bytes {
  const uint8_t* data;
  int64_t size;
};

void ReadFixed(Bytes file, int64_t offset, size_t size, void* dst) {
  if (offset < 0 || offset >= file.size) return;
  const size_t n = std::min(size, size_t(file.size - offset));
  std::memcpy(dst, file.data + offset, n);
}

HandPolygon ReadPolygon(const uint8_t* data, int64_t length) {
  HandPolygon poly;
  if (length < 16) return poly;
  const size_t n = size_t(length / 16);
  poly.resize(n);
  for (size_t i = 0; i < n; ++i) {
    std::memcpy(&poly[i].Angle, data + 16 * i, 8);
    std::memcpy(&poly[i].Length, data + 16 * i + 8, 8);
  }
  return poly;
}

// A colour read as 4 bytes over the old value (a short read keeps its bytes).
void ReadColour(Bytes file, int64_t offset, imaging::Colour& c) {
  uint8_t b[4] = {uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), uint8_t(c >> 24)};
  ReadFixed(file, offset, 4, b);
  c = uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

imaging::Bitmap To24(imaging::Bitmap b) {
  b.SetPixelFormat(imaging::PixelFormat::pf24bit);
  return b;
}

}  // namespace

void DecodeClockData(const uint8_t* bytes, size_t byteCount, ClockData& d) {
  const Bytes file{bytes, int64_t(byteCount)};
  const int64_t size = file.size;
  if (size >= 1) d.Flags = bytes[size - 1];

  std::string tagText;
  if (size >= 17) tagText = TextUpToZero(bytes + (size - 17), 8);
  int64_t start = 0;
  if (!ParseInteger(tagText, start)) throw std::runtime_error("'" + platform::SjisToUtf8(tagText) + "' は整数ではありません");

  std::vector<Entry> entries;
  if (start >= 0) {
    int64_t pos = start;
    while (pos + int64_t(kMarkerSize) <= size) {
      const uint8_t* p = bytes + pos;
      // The marker text ends at its first zero byte, so a zero inside the
      // first ten bytes is no marker.
      if (std::memcmp(p, "--DELIMIT-", 10) == 0) {
        char kind[6];
        size_t len = 10;
        while (len < kMarkerSize && p[len] != 0) ++len;
        std::memset(kind, 0, sizeof kind);
        std::memcpy(kind, p + 10, len - 10);
        entries.push_back({pos, len == kMarkerSize ? KindOf(kind) : Kind::Other});
        pos += int64_t(kMarkerSize);
      } else {
        ++pos;
      }
    }
  }
  if (entries.empty()) return;
  entries.push_back({size - 17, Kind::Close});

  for (size_t i = 0; i + 1 < entries.size(); ++i) {
    const int64_t dataStart = entries[i].offset + int64_t(kMarkerSize);
    // A marker that overlaps the trailer of a damaged file has no data.
    const int64_t length = std::max<int64_t>(0, entries[i + 1].offset - dataStart);
    const uint8_t* data = bytes + std::min(dataStart, size);
    switch (entries[i].kind) {
      case Kind::BMP:
      case Kind::JPG: {
        const bool jpeg = entries[i].kind == Kind::JPG;
        d.Background = To24(jpeg ? imaging::ReadJpeg(data, size_t(length)) : imaging::ReadBmp(data, size_t(length)));
        d.HasBackground = true;
        d.BackgroundIsJpeg = jpeg;
        break;
      }
      case Kind::FG:
        d.Frame = To24(imaging::ReadBmp(data, size_t(length)));
        d.HasFrame = true;
        break;
      case Kind::HR: d.HourPolygon = ReadPolygon(data, length); break;
      case Kind::MN: d.MinutePolygon = ReadPolygon(data, length); break;
      case Kind::SC: d.SecondPolygon = ReadPolygon(data, length); break;
      case Kind::CL1:
        ReadColour(file, dataStart, d.HandColor);
        d.HandColorRead = true;
        break;
      case Kind::CL2:
        ReadColour(file, dataStart, d.SecondHandColor);
        d.SecondHandColorRead = true;
        break;
      case Kind::CTR: ReadFixed(file, dataStart, 8, &d.CenterSize); break;
      case Kind::OSD:
        ReadFixed(file, dataStart, 2, &d.DateOffset.dx);
        ReadFixed(file, dataStart + 2, 2, &d.DateOffset.dy);
        break;
      case Kind::OST:
        ReadFixed(file, dataStart, 2, &d.TimeOffset.dx);
        ReadFixed(file, dataStart + 2, 2, &d.TimeOffset.dy);
        break;
      case Kind::PRTR: ReadFixed(file, dataStart, 2, &d.FrameMargin); break;
      case Kind::CPY: ReadFixed(file, dataStart, 256, d.CopyrightText.data()); break;
      case Kind::URL: ReadFixed(file, dataStart, 256, d.HomePageUrl.data()); break;
      case Kind::Other:
      case Kind::Close: break;
    }
  }
}

}  // namespace engine
