#include "platform/ini_sections.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

#include "platform/ini.h"
#include "platform/ini_text.h"
#include "platform/replace_file.h"

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

namespace {

std::string Folded(const std::string& name) {
  std::string f = name;
  for (char& c : f)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  return f;
}

// The file's lines cut into blocks at the "[section]" lines, with the first
// block of every section name and the first line of every key in a block
// looked up by their folded names, so that writing n keys takes time in
// proportion to n and the file's size.
class IniBlocks {
 public:
  explicit IniBlocks(std::vector<std::string> raw) {
    blocks_.emplace_back();  // lines before the first section
    for (auto& l : raw) Add(Parse(std::move(l)));
  }

  // Writes key = value as WriteProfileString does it.
  void Write(const std::string& section, const IniEntry& entry, long& block) {
    std::string line = ToSjis(entry.Key) + "=" + ToSjis(entry.Value);
    if (block < 0) {
      if (lastNonEmptyBlockEndsNonBlank()) Add(Parse(""));
      Add(Parse("[" + ToSjis(section) + "]"));
      // A name that does not survive the conversion is not found again:
      // the next key starts yet another block, as a single write would.
      block = SameName(blocks_.back().lines.front().name, section) ? long(blocks_.size() - 1) : -1;
      Add(Parse(std::move(line)));
      return;
    }
    Block& b = blocks_[size_t(block)];
    const auto found = b.keys.find(Folded(entry.Key));
    if (found != b.keys.end()) {
      ParsedLine& old = b.lines[found->second];
      const std::string oldName = Folded(old.name);
      old = Parse(std::move(line));
      if (Folded(old.name) != oldName) Reindex(b);
      return;
    }
    // A new key follows the block's last line that is not blank; only blank
    // lines come after that one, so no key moves.
    const size_t at = b.lastNonBlank + 1;
    b.lines.insert(b.lines.begin() + long(at), Parse(std::move(line)));
    b.lastNonBlank = at;
    if (b.lines[at].isKey) b.keys.emplace(Folded(b.lines[at].name), at);
  }

  // The first block of a section, -1 when there is none.
  long Find(const std::string& section) const {
    const auto it = sections_.find(Folded(section));
    return it == sections_.end() ? -1 : long(it->second);
  }

  std::vector<std::string> Lines() {
    std::vector<std::string> out;
    for (auto& b : blocks_)
      for (auto& l : b.lines) out.push_back(std::move(l.bytes));
    return out;
  }

 private:
  struct Block {
    std::vector<ParsedLine> lines;  // the "[section]" line first, except in block 0
    std::unordered_map<std::string, size_t> keys;
    size_t lastNonBlank = 0;  // the header when every other line is blank
  };

  void Add(ParsedLine line) {
    if (line.isSection) {
      blocks_.emplace_back();
      sections_.emplace(Folded(line.name), blocks_.size() - 1);
    }
    Block& b = blocks_.back();
    b.lines.push_back(std::move(line));
    const size_t at = b.lines.size() - 1;
    const ParsedLine& l = b.lines[at];
    if (!l.blank) b.lastNonBlank = at;
    if (l.isKey && !l.isSection) b.keys.emplace(Folded(l.name), at);
  }

  static void Reindex(Block& b) {
    b.keys.clear();
    for (size_t i = 0; i < b.lines.size(); ++i)
      if (b.lines[i].isKey) b.keys.emplace(Folded(b.lines[i].name), i);
  }

  bool lastNonEmptyBlockEndsNonBlank() const {
    for (auto it = blocks_.rbegin(); it != blocks_.rend(); ++it)
      if (!it->lines.empty()) return !it->lines.back().blank;
    return false;
  }

  std::vector<Block> blocks_;
  std::unordered_map<std::string, size_t> sections_;
};

bool WriteSectionsOver(const std::string& file, std::vector<std::string> raw, const std::vector<IniSection>& sections) {
  bool anything = false;
  for (const auto& s : sections) anything = anything || !s.Entries.empty();
  if (!anything) return true;
  IniBlocks blocks(std::move(raw));
  for (const auto& section : sections) {
    if (section.Entries.empty()) continue;
    // The first block of the section is the one a single write changes.
    long block = blocks.Find(section.Name);
    for (const auto& entry : section.Entries) blocks.Write(section.Name, entry, block);
  }
  return ReplaceFileLines(file, blocks.Lines());
}

}  // namespace

bool WriteIniSections(const std::string& file, const std::vector<IniSection>& sections) {
  std::lock_guard<std::recursive_mutex> lock(ProfileMutex());
  std::vector<std::string> raw;
  ReadFileLines(file, raw);  // a missing or unreadable file starts empty, as for a single write
  return WriteSectionsOver(file, std::move(raw), sections);
}

namespace {

// A name that a write of "[name]" or "name=value" finds again exactly as
// given: ASCII, no blanks at either end, and nothing that ends a section
// name or a key or makes the line another kind of line.
bool PlainName(const std::string& name, bool key) {
  if (!IsAscii(name) || Trim(name) != name) return false;
  if (key && (name.empty() || name[0] == ';' || name[0] == '[' || name.find('=') != std::string::npos)) return false;
  return key || name.find(']') == std::string::npos;
}

// The text that writing the sections key by key after the preamble (lines
// without a section) would give, made directly, for the common case of
// plain names, sections named once and keys named once in each. False when
// the case is not that one.
bool DirectText(const std::vector<std::string>& preamble, const std::vector<IniSection>& sections,
                std::string& text) {
  std::unordered_set<std::string> names;
  std::unordered_set<std::string> keys;
  size_t bytes = 0;
  for (const auto& section : sections) {
    if (section.Entries.empty()) continue;
    if (!PlainName(section.Name, false) || !names.insert(Folded(section.Name)).second) return false;
    keys.clear();
    for (const auto& entry : section.Entries) {
      if (!PlainName(entry.Key, true) || !keys.insert(Folded(entry.Key)).second) return false;
      bytes += entry.Key.size() + entry.Value.size() + 3;
    }
    bytes += section.Name.size() + 6;
  }
  text.clear();
  text.reserve(bytes);
  bool lastBlank = true;
  for (const auto& l : preamble) {
    text += l;
    text += "\r\n";
    lastBlank = Trim(l).empty();
  }
  bool first = preamble.empty();
  for (const auto& section : sections) {
    if (section.Entries.empty()) continue;
    if (!first && !lastBlank) text += "\r\n";
    first = false;
    lastBlank = false;
    text += "[" + section.Name + "]\r\n";
    for (const auto& entry : section.Entries) {
      text += entry.Key;
      text += '=';
      text += ToSjis(entry.Value);
      text += "\r\n";
    }
  }
  return true;
}

}  // namespace

bool ReplaceIniFile(const std::string& file, const std::vector<IniSection>& sections, bool keepPreamble) {
  std::lock_guard<std::recursive_mutex> lock(ProfileMutex());
  std::vector<std::string> preamble;
  if (keepPreamble && ReadFileLines(file, preamble)) {
    std::string name;
    const auto first = std::find_if(preamble.begin(), preamble.end(),
                                    [&](const std::string& l) { return SectionLine(l, name); });
    preamble.erase(first, preamble.end());
  }
  bool anything = false;
  for (const auto& s : sections) anything = anything || !s.Entries.empty();
  if (!anything) return true;
  std::string text;
  if (DirectText(preamble, sections, text)) return ReplaceFile(file, text.data(), text.size());
  return WriteSectionsOver(file, std::move(preamble), sections);
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
