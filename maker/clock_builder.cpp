#include "maker/clock_builder.h"

#include <cstring>
#include <stdexcept>

#include "imaging/picture_io.h"

namespace maker {

namespace {

void Append(Bytes& out, const Bytes& b) { out.insert(out.end(), b.begin(), b.end()); }
void AppendText(Bytes& out, const std::string& s) { out.insert(out.end(), s.begin(), s.end()); }
void AppendDouble(Bytes& out, double v) {
  uint8_t b[8];
  std::memcpy(b, &v, 8);
  out.insert(out.end(), b, b + 8);
}
void AppendInt16(Bytes& out, int16_t v) {
  out.push_back(uint8_t(uint16_t(v) & 0xFF));
  out.push_back(uint8_t(uint16_t(v) >> 8));
}
void AppendColour(Bytes& out, uint32_t c) {
  for (int i = 0; i < 4; ++i) out.push_back(uint8_t(c >> (8 * i)));
}
void AppendShortText(Bytes& out, const std::string& s) {
  Bytes block(256, 0);
  const size_t n = s.size() > 255 ? 255 : s.size();
  block[0] = uint8_t(n);
  std::memcpy(block.data() + 1, s.data(), n);
  Append(out, block);
}
void AppendPolygon(Bytes& out, const engine::HandPolygon& p) {
  for (const auto& pt : p) {
    AppendDouble(out, pt.Angle);
    AppendDouble(out, pt.Length);
  }
}
bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace

Bytes SectionMarker(const std::string& kind) {
  std::string m = "--DELIMIT-" + kind;
  while (m.size() < 16) m.push_back('-');
  m.resize(16);
  return Bytes(m.begin(), m.end());
}

uint8_t ClockFlags(bool showTime, bool showDate, int style, bool frameEllipse, bool ringEllipse, bool hands) {
  return uint8_t((showTime ? 1 : 0) | (showDate ? 2 : 0) | ((style & 3) << 2) | (frameEllipse ? 0x10 : 0) |
                 (ringEllipse ? 0x20 : 0) | (hands ? 0x40 : 0));
}

DisplayOffset DisplayOffsetOf(int bgLeft, int bgTop, int bgWidth, int bgHeight, int left, int top) {
  DisplayOffset o;
  o.dx = int16_t(uint16_t(int16_t(bgLeft) + int16_t(bgWidth / 2) - int16_t(left)));
  o.dy = int16_t(uint16_t(int16_t(bgTop) + int16_t(bgHeight / 2) - int16_t(top)));
  return o;
}

std::string ShortTextOf(const std::string& sjis) {
  size_t b = 0, e = sjis.size();
  while (b < e && static_cast<unsigned char>(sjis[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(sjis[e - 1]) <= 32) --e;
  std::string t = sjis.substr(b, e - b);
  if (t.size() > 255) {
    // Walk the characters so that a double-byte character is kept whole or
    // left out, never cut in half.
    size_t i = 0;
    while (i < t.size()) {
      const size_t len = IsSjisLead(static_cast<unsigned char>(t[i])) && i + 1 < t.size() ? 2 : 1;
      if (i + len > 255) break;
      i += len;
    }
    t.resize(i);
  }
  return t;
}

bool IsWebAddress(const std::string& text) {
  if (text.size() < 4) return false;
  std::string head = text.substr(0, 4);
  for (char& c : head)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return head == "HTTP";
}

Bytes BuildClockProgram(const ClockContent& c) {
  if (c.EngineTag.size() != 16) throw std::invalid_argument("engine tag must be 16 characters");
  Bytes out = c.EngineImage;
  if (!c.Dial.Empty()) {
    Append(out, SectionMarker("BMP"));
    Append(out, imaging::WriteBmp24(c.Dial));
  }
  if (!c.Frame.Empty()) {
    Append(out, SectionMarker("FG"));
    Append(out, imaging::WriteBmp24(c.Frame));
  }
  Append(out, SectionMarker("CL1"));
  AppendColour(out, c.HandColor);
  Append(out, SectionMarker("CL2"));
  AppendColour(out, c.SecondHandColor);
  if (c.Hands) {
    Append(out, SectionMarker("HR"));
    AppendPolygon(out, c.Hands->Hour);
    Append(out, SectionMarker("MN"));
    AppendPolygon(out, c.Hands->Minute);
    Append(out, SectionMarker("SC"));
    AppendPolygon(out, c.Hands->Second);
    Append(out, SectionMarker("CTR"));
    AppendDouble(out, c.Hands->CenterSize);
  }
  Append(out, SectionMarker("OSD"));
  AppendInt16(out, c.DateOffset.dx);
  AppendInt16(out, c.DateOffset.dy);
  Append(out, SectionMarker("OST"));
  AppendInt16(out, c.TimeOffset.dx);
  AppendInt16(out, c.TimeOffset.dy);
  Append(out, SectionMarker("PRTR"));
  AppendInt16(out, c.FrameMargin);
  if (!c.Copyright.empty()) {
    Append(out, SectionMarker("CPY"));
    AppendShortText(out, c.Copyright);
  }
  if (IsWebAddress(c.Url)) {
    Append(out, SectionMarker("URL"));
    AppendShortText(out, c.Url);
  }
  AppendText(out, c.EngineTag);
  out.push_back(c.Flags);
  return out;
}

OldClockCheck ReadOldClock(const Bytes& file, OldClock& out) {
  const size_t size = file.size();
  if (size < 9 || std::memcmp(file.data() + size - 9, "Rundavel", 8) != 0) return OldClockCheck::NotAClock;
  out.Flags = file[size - 1];
  if (size < 17) throw std::runtime_error("'' は整数ではありません");
  const std::string digits(reinterpret_cast<const char*>(file.data() + size - 17), 8);
  // A signed decimal number; blanks before it are allowed.
  size_t i = 0;
  while (i < digits.size() && digits[i] == ' ') ++i;
  bool negative = false;
  if (i < digits.size() && (digits[i] == '+' || digits[i] == '-')) negative = digits[i++] == '-';
  if (i == digits.size()) throw std::runtime_error("'" + digits + "' は整数ではありません");
  long long n = 0;
  for (; i < digits.size(); ++i) {
    if (digits[i] < '0' || digits[i] > '9') throw std::runtime_error("'" + digits + "' は整数ではありません");
    n = n * 10 + (digits[i] - '0');
  }
  if (negative) n = -n;
  if (n < 0 || size_t(n) + 17 > size)
    throw std::runtime_error("ムーブメントの大きさ " + std::to_string(n) + " がファイルに合いません");
  out.EngineSize = int32_t(n);
  out.SectionsStart = size_t(n);
  out.SectionsLength = size - 17 - size_t(n);
  return OldClockCheck::Ok;
}

std::optional<std::string> OlderReleaseWarning(int32_t size) {
  if (size == 830464) return std::string("] は Tazlo Ver.0.71で作成されたものと思われます。");
  if (size == 812544) return std::string("] は Tazlo Ver.0.70で作成されたものと思われます。");
  if (size == 674304) return std::string("] は Quibbet Ver.0.51以前で作成されたものと思われます。");
  if (size < 831488) return std::string("] は Tazlo Ver.0.41以前で作成されたものと思われます。");
  return std::nullopt;
}

Bytes RebuildWithEngine(const Bytes& engineImage, const Bytes& oldFile, const OldClock& old,
                        const std::string& engineTag) {
  Bytes out = engineImage;
  out.insert(out.end(), oldFile.begin() + std::ptrdiff_t(old.SectionsStart),
             oldFile.begin() + std::ptrdiff_t(old.SectionsStart + old.SectionsLength));
  AppendText(out, engineTag);
  out.push_back(old.Flags);
  return out;
}

}  // namespace maker
