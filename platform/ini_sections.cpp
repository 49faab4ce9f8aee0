#include "platform/ini_sections.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/ini.h"
#include "platform/ini_text.h"

namespace platform {

namespace {

using namespace initext;

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
  std::lock_guard<std::recursive_mutex> lock(ProfileMutex());
  std::vector<std::string> names;
  std::vector<std::string> lines;
  if (!ReadFileLines(file, lines)) return names;
  NameBudget budget(bufferSize);
  for (const auto& l : lines) {
    std::string name;
    if (SectionLine(l, name) && budget.Take(name)) names.push_back(SjisToUtf8(name));
  }
  return names;
}

std::vector<IniSection> ReadIniSections(const std::string& file, size_t namesBufferSize, size_t keysBufferSize,
                                        size_t valueBufferSize) {
  std::lock_guard<std::recursive_mutex> lock(ProfileMutex());
  std::vector<IniSection> sections;
  std::vector<std::string> lines;
  if (!ReadFileLines(file, lines)) return sections;
  NameBudget names(namesBufferSize);
  NameBudget keys(keysBufferSize);
  bool inKept = false;
  for (const auto& l : lines) {
    std::string name;
    if (SectionLine(l, name)) {
      inKept = names.Take(name);
      if (inKept) {
        sections.push_back({SjisToUtf8(name), {}});
        keys = NameBudget(keysBufferSize);
      }
      continue;
    }
    if (!inKept) continue;
    std::string key, raw;
    if (KeyLine(l, key, raw) && keys.Take(key)) sections.back().Entries.push_back({SjisToUtf8(key), CleanValue(raw, valueBufferSize)});
  }
  return sections;
}

namespace {

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
  if (SectionLine(bytes, name)) {
    p.isSection = true;
    p.name = ToUtf8(name);
  } else if (KeyLine(bytes, name, raw)) {
    p.isKey = true;
    p.name = ToUtf8(name);
  }
  p.bytes = std::move(bytes);
  return p;
}

}  // namespace

bool WriteIniSections(const std::string& file, const std::vector<IniSection>& sections) {
  std::lock_guard<std::recursive_mutex> lock(ProfileMutex());
  bool anything = false;
  for (const auto& s : sections) anything = anything || !s.Entries.empty();
  if (!anything) return true;
  std::vector<std::string> raw;
  ReadFileLines(file, raw);  // a missing or unreadable file starts empty, as for a single write
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
  return ReplaceFileLines(file, out);
}

bool EraseProfileSection(const std::string& file, const std::string& section) {
  return EraseProfileSections(file, {section});
}

bool EraseProfileSections(const std::string& file, const std::vector<std::string>& sections) {
  std::lock_guard<std::recursive_mutex> lock(ProfileMutex());
  std::vector<std::string> lines;
  if (!ReadFileLines(file, lines)) return true;
  std::vector<std::string> wanted;
  wanted.reserve(sections.size());
  for (const auto& section : sections) wanted.push_back(Utf8ToSjis(section));
  std::vector<std::string> kept;
  bool dropping = false, found = false;
  for (auto& l : lines) {
    std::string name;
    if (SectionLine(l, name)) {
      dropping = false;
      for (const auto& w : wanted) dropping = dropping || SameName(name, w);
      found = found || dropping;
    }
    if (!dropping) kept.push_back(std::move(l));
  }
  if (!found) return true;
  return ReplaceFileLines(file, kept);
}

}  // namespace platform
