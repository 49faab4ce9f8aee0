#include "handdesigner/hands_file.h"

#include <sys/stat.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <fstream>
#include <iterator>
#include <system_error>
#include <unordered_map>

#include "platform/decimal_text.h"
#include "platform/ini.h"
#include "platform/ini_sections.h"
#include "platform/replace_file.h"

namespace designer {

std::string FormatHandNumber(double value) {
  if (value == 0 || !std::isfinite(value)) return "0";
  // 15 significant digits: d.dddddddddddddde+XX, with the point whatever
  // the locale (printf would take the locale's separator, which need not
  // even be one byte).
  char buf[64];
  const auto end = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, 14).ptr;
  std::string s(buf, end);
  std::string sign;
  if (s[0] == '-') {
    sign = "-";
    s.erase(0, 1);
  }
  const size_t ePos = s.find('e');
  const int exponent = std::atoi(s.c_str() + ePos + 1);
  std::string digits = s.substr(0, 1) + s.substr(2, ePos - 2);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string out;
  if (exponent >= 15 || exponent < -4) {
    out = digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::string(exponent < 0 ? "-" : "") + std::to_string(std::abs(exponent));
  } else if (exponent >= 0) {
    const size_t intDigits = size_t(exponent) + 1;
    if (digits.size() <= intDigits) {
      out = digits + std::string(intDigits - digits.size(), '0');
    } else {
      out = digits.substr(0, intDigits) + "." + digits.substr(intDigits);
    }
  } else {
    out = "0." + std::string(size_t(-exponent - 1), '0') + digits;
  }
  return sign + out;
}

bool ParseHandNumber(const std::string& text, double& value) {
  const std::optional<double> v = platform::ParseDecimalText(text);
  if (v) value = *v;
  return v.has_value();
}

namespace {

// The value of each key name as the INI functions look a key up: the first
// line whose key equals it without regard to ASCII case.
class SectionValues {
 public:
  explicit SectionValues(const platform::IniSection& section) {
    for (const auto& entry : section.Entries) values_.emplace(Folded(entry.Key), &entry.Value);
  }
  const std::string& Of(const std::string& key) const { return *values_.at(Folded(key)); }

 private:
  static std::string Folded(std::string s) {
    for (char& c : s)
      if (c >= 'A' && c <= 'Z') c = char(c + 32);
    return s;
  }
  std::unordered_map<std::string, const std::string*> values_;
};

// Reads one point value into the point already appended; false on a bad number.
bool FillPoint(const std::string& value, engine::HandPoint& point) {
  std::string angleText = "0", lengthText;
  const size_t comma = value.find(',');
  if (comma == std::string::npos) {
    lengthText = value;
  } else {
    angleText = value.substr(0, comma);
    lengthText = value.substr(comma + 1);
  }
  if (angleText.empty()) angleText = "0";
  if (lengthText.empty()) lengthText = "0";
  if (!ParseHandNumber(angleText, point.Angle)) return false;
  return ParseHandNumber(lengthText, point.Length);
}

// Fills set from section; false when a bad number ended the reading.
bool ReadSet(const platform::IniSection& section, engine::HandSet& set) {
  const SectionValues values(section);
  for (const auto& entry : section.Entries) {
    const std::string& key = entry.Key;
    if (key == "CP") {
      if (!ParseHandNumber(values.Of(key), set.CenterSize)) return false;
      continue;
    }
    engine::HandPolygon* polygon = nullptr;
    if (!key.empty() && key[0] == 'H') polygon = &set.Hour;
    else if (!key.empty() && key[0] == 'M') polygon = &set.Minute;
    else if (!key.empty() && key[0] == 'S') polygon = &set.Second;
    if (!polygon) continue;
    polygon->push_back({0, 0});
    if (!FillPoint(values.Of(key), polygon->back())) return false;
  }
  return true;
}

}  // namespace

HandSetList ReadHandsFile(const std::string& path) {
  // Every section and key is read, however many there are: the designer
  // writes the whole list back at its next save, so what a limited name
  // list left out would be lost.
  constexpr size_t kUnlimited = std::numeric_limits<size_t>::max();
  const auto sections = platform::ReadIniSections(path, kUnlimited, kUnlimited);
  HandSetList sets(sections.size());
  for (size_t i = 0; i < sections.size(); ++i) {
    if (!ReadSet(sections[i], sets[i])) continue;
    const std::string& name = sections[i].Name;
    sets[i].Symmetrical = name.empty() || (name.back() != 'X' && name.back() != 'x');
  }
  return sets;
}

bool IdentifyFile(const std::string& path, FileIdentity& id) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  id.Device = st.st_dev;
  id.Inode = st.st_ino;
  id.Size = (unsigned long long)st.st_size;
  id.ChangedNs = (long long)st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
  return true;
}

void WriteHandsFile(const std::string& path, const std::string& backupPath, const HandSetList& sets) {
  // The file that is there stays under its name until the new one is whole
  // on the disk: the backup is a second name for it, and the new file takes
  // the name in one step.
  std::error_code ec;
  const bool exists = std::filesystem::exists(path, ec);
  bool backedUp = false;
  if (exists) {
    std::remove(backupPath.c_str());
    backedUp = platform::LinkDurably(path, backupPath);
    if (!backedUp && std::filesystem::is_regular_file(path, ec)) {
      // A file system without second names gets a copy.
      std::ifstream in(path, std::ios::binary);
      const std::string old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      backedUp = !in.bad() && platform::ReplaceFile(backupPath, old.data(), old.size());
    }
  }

  // The whole file is built in memory and written once: the same lines, in
  // the same order, as writing it key by key into an empty file.
  std::vector<platform::IniSection> sections;
  sections.reserve(sets.size());
  for (size_t n = 0; n < sets.size(); ++n) {
    const engine::HandSet& set = sets[n];
    platform::IniSection section{"Hand" + std::to_string(n) + (set.Symmetrical ? "" : "X"), {}};
    section.Entries.reserve(1 + set.Hour.size() + set.Minute.size() + set.Second.size());
    section.Entries.push_back({"CP", FormatHandNumber(set.CenterSize)});
    auto addPoints = [&](const char* prefix, const engine::HandPolygon& polygon) {
      for (size_t i = 0; i < polygon.size(); ++i)
        section.Entries.push_back({prefix + std::to_string(i),
                                   FormatHandNumber(polygon[i].Angle) + "," + FormatHandNumber(polygon[i].Length)});
    };
    addPoints("H", set.Hour);
    addPoints("M", set.Minute);
    addPoints("S", set.Second);
    sections.push_back(std::move(section));
  }
  if (sections.empty()) {
    if (!exists) return;
    // No set: no file, the old one lives on as the backup; without a backup
    // its sections are erased, as they would be before a write.
    const bool done = backedUp ? std::remove(path.c_str()) == 0 && platform::SyncFolderOf(path)
                               : platform::EraseProfileSections(
                                     path, platform::ReadSectionNames(path, std::numeric_limits<size_t>::max()));
    if (!done) throw platform::IniFileError(path + " に書き込めません");
    return;
  }
  // Without a backup, what stands before the old file's sections stays in
  // front of the new ones, as when the old sections are erased one by one.
  if (!platform::ReplaceIniFile(path, sections, exists && !backedUp))
    throw platform::IniFileError(path + " に書き込めません");
}

}  // namespace designer
