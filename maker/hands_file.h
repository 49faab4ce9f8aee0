// Reading the hands file (Hands.dat): INI text with one section per hand set
// ("Hand<n>", "X" appended when the set is not symmetrical), key CP for the
// centre-disc size and H<i>, M<i>, S<i> for the points "angle,length".
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/hand_model.h"

namespace maker {

// The maker's hand sets: four parallel lists. Slot 0 is the working set
// that the clock writer fills; imported sets follow from slot 1.
struct HandSetLists {
  std::vector<engine::HandPolygon> Hour{1}, Minute{1}, Second{1};
  std::vector<double> CenterSize{0.0};

  // Cuts all four lists back to the working set alone.
  void ResetToWorking();
  // Highest set index (0 when only the working set is held).
  int LastIndex() const { return int(CenterSize.size()) - 1; }
};

// A section of an INI file as the hands reader sees it: its name and its
// key/value lines in file order.
struct IniSection {
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Entries;
};

// Parses INI text by the line rules of the settings files: "[name]" lines
// open sections (blanks around the name removed), "key=value" lines with a
// key add entries (blanks around key and value and one pair of enclosing
// double or single quotes removed, the value cut at 2047 bytes); comment
// lines (";") and other lines are skipped. Section names
// and the key names of a section are cut at 16384 bytes of list, each name
// taking its length plus one byte.
std::vector<IniSection> ParseIniSections(const std::string& text);

// A number as the hands file writes it: optional sign, digits with an
// optional fraction (point) and exponent; blanks around it allowed. Empty
// or malformed text gives nothing.
std::optional<double> ParseHandNumber(const std::string& text);

// Result of an import: the number of sections seen and of sets dropped.
struct ImportResult {
  int Sections = 0;
  int Dropped = 0;
};

// Appends every readable section of the file as a set after those already
// held. A section that fails to parse (a bad number, an empty or missing CP)
// is dropped. Symmetrical sets are completed with the mirrored points
// (2 pi - angle). A file that cannot be read gives no sections; nothing is
// raised for it.
ImportResult ImportHandSetsFromFile(const std::string& fileName, HandSetLists& lists);
ImportResult ImportHandSetsFromText(const std::string& text, HandSetLists& lists);

}  // namespace maker
