#include "platform/ini.h"
#include "platform/ini_text.h"
#include "platform/replace_file.h"

#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <vector>

namespace platform {

namespace initext {

std::recursive_mutex& ProfileMutex() {
  static std::recursive_mutex m;
  return m;
}

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'A' && x <= 'Z') x = static_cast<unsigned char>(x + 32);
    if (y >= 'A' && y <= 'Z') y = static_cast<unsigned char>(y + 32);
    if (x != y) return false;
  }
  return true;
}

bool IsSjisLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

bool ReadFileLines(const std::string& file, std::vector<std::string>& lines) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::string all;
  try {
    all.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::exception&) {
    return false;  // a folder or an unreadable file in the file's place holds nothing
  }
  // A byte-order mark that an editor put before the first line is not part
  // of the first section's name.
  size_t start = all.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (start < all.size()) {
    size_t nl = all.find('\n', start);
    if (nl == std::string::npos) nl = all.size();
    std::string l = all.substr(start, nl - start);
    if (!l.empty() && l.back() == '\r') l.pop_back();
    lines.push_back(std::move(l));
    start = nl + 1;
  }
  return true;
}

bool ReplaceFileLines(const std::string& file, const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) {
    text += l;
    text += "\r\n";
  }
  return ReplaceFile(file, text.data(), text.size());
}

bool SectionLine(const std::string& bytes, std::string& name) {
  const std::string t = Trim(bytes);
  if (t.empty() || t[0] != '[') return false;
  const size_t close = t.find(']');
  name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

bool KeyLine(const std::string& bytes, std::string& key, std::string& value) {
  const size_t eq = bytes.find('=');
  if (eq == std::string::npos) return false;
  key = Trim(bytes.substr(0, eq));
  if (key.empty() || key[0] == ';') return false;
  value = bytes.substr(eq + 1);
  return true;
}

std::string CleanValue(const std::string& raw, size_t bufferSize) {
  std::string v = Trim(raw);
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  const size_t limit = bufferSize > 0 ? bufferSize - 1 : 0;
  if (v.size() > limit) {
    // Cut at the limit without splitting a double-byte character.
    size_t i = 0;
    while (i < limit) {
      const size_t step = IsSjisLead(static_cast<unsigned char>(v[i])) ? 2 : 1;
      if (i + step > limit) break;
      i += step;
    }
    v.resize(i);
  }
  return SjisToUtf8(v);
}

}  // namespace initext

namespace {

using namespace initext;

std::string Convert(const std::string& in, const char* to, const char* from, const char* replacement) {
  // ASCII reads the same in both code pages.
  bool ascii = true;
  for (const char c : in) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (ascii) return in;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return in;
  std::string out;
  out.reserve(in.size() * 2);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char buf[1024];
  while (srcLeft > 0) {
    char* dst = buf;
    size_t dstLeft = sizeof buf;
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    out.append(buf, size_t(dst - buf));
    if (r == size_t(-1)) {
      if (errno == E2BIG) continue;
      // An invalid or incomplete sequence: replace one byte and go on.
      out += replacement;
      ++src;
      --srcLeft;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
  }
  char* dst = buf;
  size_t dstLeft = sizeof buf;
  iconv(cd, nullptr, nullptr, &dst, &dstLeft);
  out.append(buf, size_t(dst - buf));
  iconv_close(cd);
  return out;
}

struct Location {
  long sectionLine = -1;  // index of the "[section]" line
  long keyLine = -1;      // index of the key's line
  long lastLine = -1;     // last non-empty line of the section
};

Location Find(const std::vector<std::string>& lines, const std::string& section, const std::string& key,
              std::string* value) {
  Location loc;
  bool inSection = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string name;
    if (SectionLine(lines[i], name)) {
      name = SjisToUtf8(name);
      if (loc.sectionLine >= 0 && inSection) break;  // first matching section only
      inSection = SameName(name, section);
      if (inSection) loc.sectionLine = loc.lastLine = long(i);
      continue;
    }
    if (!inSection) continue;
    if (!Trim(lines[i]).empty()) loc.lastLine = long(i);
    std::string k, v;
    if (KeyLine(lines[i], k, v) && SameName(SjisToUtf8(k), key)) {
      loc.keyLine = long(i);
      if (value) *value = v;
      break;
    }
  }
  return loc;
}

}  // namespace

std::string Utf8ToSjis(const std::string& utf8) { return Convert(utf8, "CP932", "UTF-8", "?"); }
std::string SjisToUtf8(const std::string& sjis) { return Convert(sjis, "UTF-8", "CP932", "\xEF\xBF\xBD"); }

std::string GetProfileString(const std::string& file, const std::string& section, const std::string& key,
                             const std::string& def, size_t bufferSize) {
  std::lock_guard<std::recursive_mutex> lock(ProfileMutex());
  std::vector<std::string> lines;
  ReadFileLines(file, lines);
  std::string raw;
  const Location loc = Find(lines, section, key, &raw);
  if (loc.keyLine < 0) return def;
  return CleanValue(raw, bufferSize);
}

bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value) {
  std::lock_guard<std::recursive_mutex> lock(ProfileMutex());
  std::vector<std::string> lines;
  ReadFileLines(file, lines);
  const std::string keyBytes = Utf8ToSjis(key);
  const std::string line = keyBytes + "=" + Utf8ToSjis(value);
  const Location loc = Find(lines, section, key, nullptr);
  if (loc.keyLine >= 0) {
    lines[size_t(loc.keyLine)] = line;
  } else if (loc.sectionLine >= 0) {
    lines.insert(lines.begin() + loc.lastLine + 1, line);
  } else {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.push_back("");
    lines.push_back("[" + Utf8ToSjis(section) + "]");
    lines.push_back(line);
  }
  return ReplaceFileLines(file, lines);
}

bool ParseIniInteger(const std::string& text, int& out) {
  std::string t = Trim(text);
  if (t.empty()) return false;
  bool hex = false;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    hex = true;
    t = t.substr(2);
  }
  size_t i = 0;
  bool neg = false;
  if (!hex && (t[0] == '-' || t[0] == '+')) {
    neg = t[0] == '-';
    i = 1;
  }
  if (i >= t.size()) return false;
  long long v = 0;
  for (; i < t.size(); ++i) {
    const char c = t[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (hex && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    v = v * (hex ? 16 : 10) + d;
    if (v > (hex ? 0xFFFFFFFFLL : 0x80000000LL)) return false;
  }
  if (neg) v = -v;
  if (!hex && v > INT_MAX) return false;
  // Hexadecimal values cover the full 32 bits, as two's complement.
  out = hex ? int(uint32_t(v)) : int(v);
  return true;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key, const std::string& def) const {
  return GetProfileString(file_, section, key, def, 2048);
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  int v;
  return ParseIniInteger(ReadString(section, key, ""), v) ? v : def;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  if (!WriteProfileString(file_, section, key, value)) throw IniFileError(file_ + " に書き込めません");
}

void IniFile::WriteSection(const std::string& section, std::vector<IniEntry> entries) {
  if (!WriteIniSections(file_, {IniSection{section, std::move(entries)}})) throw IniFileError(file_ + " に書き込めません");
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

}  // namespace platform
