#include "platform/ini_sections.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/ini.h"

namespace platform {

namespace {

// The line rules below match those of the key-by-key calls in ini.cpp.

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

bool ReadLines(const std::string& file, std::vector<std::string>& lines) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::string all;
  try {
    all.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure&) {
    return false;  // not readable, for example a folder of that name
  }
  size_t start = 0;
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

// The Shift-JIS name of a "[name]" line; false for other lines.
bool SectionOf(const std::string& bytes, std::string& name) {
  const std::string t = Trim(bytes);
  if (t.empty() || t[0] != '[') return false;
  const size_t close = t.find(']');
  name = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  return true;
}

// The Shift-JIS key and raw value of a "key=value" line; false otherwise.
bool KeyOf(const std::string& bytes, std::string& key, std::string& value) {
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

// A names buffer of a given size: true while the name (plus its end byte)
// still fits; the final end byte of the list is reserved.
class NameBudget {
 public:
  explicit NameBudget(size_t size) : left_(size > 0 ? size - 1 : 0) {}
  bool Take(const std::string& sjisName) {
    const size_t need = sjisName.size() + 1;
    if (need > left_) {
      full_ = true;
      return false;
    }
    if (full_) return false;
    left_ -= need;
    return true;
  }

 private:
  size_t left_;
  bool full_ = false;
};

}  // namespace

std::vector<std::string> ReadSectionNames(const std::string& file, size_t bufferSize) {
  std::vector<std::string> names;
  std::vector<std::string> lines;
  if (!ReadLines(file, lines)) return names;
  NameBudget budget(bufferSize);
  for (const auto& l : lines) {
    std::string name;
    if (SectionOf(l, name) && budget.Take(name)) names.push_back(SjisToUtf8(name));
  }
  return names;
}

std::vector<IniSection> ReadIniSections(const std::string& file, size_t namesBufferSize, size_t keysBufferSize,
                                        size_t valueBufferSize) {
  std::vector<IniSection> sections;
  std::vector<std::string> lines;
  if (!ReadLines(file, lines)) return sections;
  NameBudget names(namesBufferSize);
  NameBudget keys(keysBufferSize);
  bool inKept = false;
  for (const auto& l : lines) {
    std::string name;
    if (SectionOf(l, name)) {
      inKept = names.Take(name);
      if (inKept) {
        sections.push_back({SjisToUtf8(name), {}});
        keys = NameBudget(keysBufferSize);
      }
      continue;
    }
    if (!inKept) continue;
    std::string key, raw;
    if (KeyOf(l, key, raw) && keys.Take(key)) sections.back().Entries.push_back({SjisToUtf8(key), CleanValue(raw, valueBufferSize)});
  }
  return sections;
}

namespace {

// Writes the lines with CR LF beside the file and moves the result over it,
// so that a failed write leaves the file as it was.
bool ReplaceWithLines(const std::string& file, const std::vector<std::string>& lines) {
  const std::string tmp = file + ".~tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    std::string text;
    for (const auto& l : lines) {
      text += l;
      text += "\r\n";
    }
    out.write(text.data(), std::streamsize(text.size()));
    out.flush();
    if (!out) {
      out.close();
      std::remove(tmp.c_str());
      return false;
    }
  }
  if (std::rename(tmp.c_str(), file.c_str()) != 0) {
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

bool IsAscii(const std::string& s) {
  for (const char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// ASCII reads the same in Shift-JIS and UTF-8; only other text goes through
// the converter.
std::string ToUtf8(const std::string& sjis) { return IsAscii(sjis) ? sjis : SjisToUtf8(sjis); }
std::string ToSjis(const std::string& utf8) { return IsAscii(utf8) ? utf8 : Utf8ToSjis(utf8); }

// One line of the file with what the key-by-key writer looks at in it.
struct ParsedLine {
  std::string bytes;
  bool isSection = false;
  bool isKey = false;
  bool blank = false;
  std::string name;  // UTF-8 section name or key
};

ParsedLine Parse(std::string bytes) {
  ParsedLine p;
  p.blank = Trim(bytes).empty();
  std::string name, raw;
  if (SectionOf(bytes, name)) {
    p.isSection = true;
    p.name = ToUtf8(name);
  } else if (KeyOf(bytes, name, raw)) {
    p.isKey = true;
    p.name = ToUtf8(name);
  }
  p.bytes = std::move(bytes);
  return p;
}

}  // namespace

bool WriteIniSections(const std::string& file, const std::vector<IniSection>& sections) {
  bool anything = false;
  for (const auto& s : sections) anything = anything || !s.Entries.empty();
  if (!anything) return true;
  std::vector<std::string> raw;
  ReadLines(file, raw);  // a missing or unreadable file starts empty, as for a single write
  std::vector<ParsedLine> lines;
  lines.reserve(raw.size());
  for (auto& l : raw) lines.push_back(Parse(std::move(l)));

  for (const auto& section : sections) {
    if (section.Entries.empty()) continue;
    // The first block of the section is the one a single write changes.
    long header = -1;
    for (size_t i = 0; i < lines.size() && header < 0; ++i)
      if (lines[i].isSection && SameName(lines[i].name, section.Name)) header = long(i);
    for (const auto& entry : section.Entries) {
      std::string line = ToSjis(entry.Key) + "=" + ToSjis(entry.Value);
      if (header < 0) {
        if (!lines.empty() && !lines.back().blank) lines.push_back(Parse(""));
        lines.push_back(Parse("[" + ToSjis(section.Name) + "]"));
        // A name that does not survive the conversion is not found again:
        // the next key starts yet another block, as a single write would.
        header = SameName(lines.back().name, section.Name) ? long(lines.size() - 1) : -1;
        lines.push_back(Parse(std::move(line)));
        continue;
      }
      long last = header, found = -1;
      for (size_t i = size_t(header) + 1; i < lines.size() && !lines[i].isSection; ++i) {
        if (!lines[i].blank) last = long(i);
        if (lines[i].isKey && SameName(lines[i].name, entry.Key)) {
          found = long(i);
          break;
        }
      }
      if (found >= 0)
        lines[size_t(found)] = Parse(std::move(line));
      else
        lines.insert(lines.begin() + last + 1, Parse(std::move(line)));
    }
  }

  std::vector<std::string> out;
  out.reserve(lines.size());
  for (auto& l : lines) out.push_back(std::move(l.bytes));
  return ReplaceWithLines(file, out);
}

bool EraseProfileSection(const std::string& file, const std::string& section) {
  std::vector<std::string> lines;
  if (!ReadLines(file, lines)) return true;
  const std::string wanted = Utf8ToSjis(section);
  std::vector<std::string> kept;
  bool dropping = false, found = false;
  for (auto& l : lines) {
    std::string name;
    if (SectionOf(l, name)) {
      dropping = SameName(name, wanted);
      found = found || dropping;
    }
    if (!dropping) kept.push_back(std::move(l));
  }
  if (!found) return true;
  return ReplaceWithLines(file, kept);
}

}  // namespace platform
