#include "maker/hands_file.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/decimal_text.h"

namespace maker {

namespace {

constexpr size_t kNameListBuffer = 16384;
// A value is read through a buffer of 2048 bytes, its closing zero included.
constexpr size_t kValueLimit = 2047;

std::string TrimBlanks(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

// The value of a key looked up by name without regard to case: the first
// entry of that name.
std::optional<std::string> LookUp(const IniSection& s, const std::string& key) {
  for (const auto& [k, v] : s.Entries)
    if (SameName(k, key)) return v;
  return std::nullopt;
}

struct ParseFailure {};

double NumberOrFail(const std::string& text) {
  const auto v = ParseHandNumber(text);
  if (!v) throw ParseFailure{};
  return *v;
}

// "angle,length"; an empty part reads as 0, a value without a comma is the
// length alone.
engine::HandPoint PointOf(const std::string& value) {
  engine::HandPoint p;
  const size_t comma = value.find(',');
  const std::string a = comma == std::string::npos ? std::string() : value.substr(0, comma);
  const std::string l = comma == std::string::npos ? value : value.substr(comma + 1);
  p.Angle = a.empty() ? 0.0 : NumberOrFail(a);
  p.Length = l.empty() ? 0.0 : NumberOrFail(l);
  return p;
}

}  // namespace

void HandSetLists::ResetToWorking() {
  Hour.resize(1);
  Minute.resize(1);
  Second.resize(1);
  CenterSize.resize(1);
}

std::vector<IniSection> ParseIniSections(const std::string& text) {
  std::vector<IniSection> sections;
  size_t nameListUsed = 0;
  bool sectionListFull = false;
  size_t keyListUsed = 0;
  bool keyListFull = false;
  bool inDroppedSection = false;
  // A byte-order mark that an editor put before the first line is skipped,
  // as the settings files skip it.
  size_t pos = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string t = TrimBlanks(line);
    if (t.empty() || t[0] == ';') {
      if (end == text.size()) break;
      continue;
    }
    if (t[0] == '[') {
      const size_t close = t.find(']');
      const std::string name = TrimBlanks(close == std::string::npos ? t.substr(1) : t.substr(1, close - 1));
      inDroppedSection = false;
      if (!sectionListFull && nameListUsed + name.size() + 1 < kNameListBuffer) {
        nameListUsed += name.size() + 1;
        sections.push_back(IniSection{name, {}});
        keyListUsed = 0;
        keyListFull = false;
      } else {
        sectionListFull = true;
        inDroppedSection = true;
      }
    } else if (!sections.empty() && !inDroppedSection) {
      const size_t eq = t.find('=');
      const std::string key = eq == std::string::npos ? std::string() : TrimBlanks(t.substr(0, eq));
      // The same line rules as the settings files: no key, no entry.
      if (!key.empty()) {
        std::string value = TrimBlanks(t.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
          value = value.substr(1, value.size() - 2);
        if (value.size() > kValueLimit) value.resize(kValueLimit);
        if (!keyListFull && keyListUsed + key.size() + 1 < kNameListBuffer) {
          keyListUsed += key.size() + 1;
          sections.back().Entries.emplace_back(key, value);
        } else {
          keyListFull = true;
        }
      }
    }
    if (end == text.size()) break;
  }
  return sections;
}

std::optional<double> ParseHandNumber(const std::string& raw) { return platform::ParseDecimalText(raw); }

ImportResult ImportHandSetsFromText(const std::string& text, HandSetLists& lists) {
  ImportResult result;
  const std::vector<IniSection> sections = ParseIniSections(text);
  result.Sections = int(sections.size());
  for (const IniSection& sec : sections) {
    // The first section of a name supplies the keys, as a lookup by name does.
    const IniSection* source = &sec;
    for (const IniSection& other : sections) {
      if (SameName(other.Name, sec.Name)) {
        source = &other;
        break;
      }
    }
    engine::HandPolygon hour, minute, second;
    double centre = 0;
    try {
      for (const auto& entry : source->Entries) {
        const std::string& key = entry.first;
        if (key.size() >= 2 && key[0] == 'C' && key[1] == 'P') {
          const auto cp = LookUp(*source, "CP");
          if (!cp) throw ParseFailure{};
          centre = NumberOrFail(*cp);
        }
        if (key.empty()) continue;
        engine::HandPolygon* target = key[0] == 'H' ? &hour : key[0] == 'M' ? &minute : key[0] == 'S' ? &second : nullptr;
        if (target) target->push_back(PointOf(*LookUp(*source, key)));
      }
    } catch (const ParseFailure&) {
      ++result.Dropped;
      continue;
    }
    const bool symmetrical = sec.Name.empty() || UpperAscii(sec.Name.back()) != 'X';
    if (symmetrical) {
      hour = engine::ExpandSymmetrical(hour, engine::MirrorForm::TwoPiMinus);
      minute = engine::ExpandSymmetrical(minute, engine::MirrorForm::TwoPiMinus);
      second = engine::ExpandSymmetrical(second, engine::MirrorForm::TwoPiMinus);
    }
    lists.Hour.push_back(std::move(hour));
    lists.Minute.push_back(std::move(minute));
    lists.Second.push_back(std::move(second));
    lists.CenterSize.push_back(centre);
  }
  return result;
}

ImportResult ImportHandSetsFromFile(const std::string& fileName, HandSetLists& lists) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) return {};
  std::string text;
  try {
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure&) {
    return {};  // a folder of that name, or a read error: no sections
  }
  return ImportHandSetsFromText(text, lists);
}

}  // namespace maker
