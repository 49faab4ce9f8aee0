// The hands file as the designer reads and writes it: one INI section per
// hand set ("Hand" + number, "X" appended when the set is not symmetrical),
// key CP for the centre-disc size and H/M/S + point number for the points,
// each point "angle,length". Symmetrical sets keep only their stored half.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/hand_model.h"

namespace designer {

using HandSetList = std::vector<engine::HandSet>;

// A real as the hands file writes it: at most 15 significant digits, no
// trailing zeros, fixed point for zero and for magnitudes from 0.0001 with at
// most 15 integer digits, otherwise scientific ("1E-5", "1.5E20"). The
// decimal separator is always the point.
std::string FormatHandNumber(double value);

// Decimal text with an optional sign, fraction and exponent (blanks around it
// allowed); false for anything else, also for values beyond the range of a
// double.
bool ParseHandNumber(const std::string& text, double& value);

// Reads every section of a hands file, in file order. The reading is
// lenient: a number that does not parse ends the work on its section
// silently, keeping what was read before it (and leaving the set not
// symmetrical). Empty when the file is missing or holds no section.
HandSetList ReadHandsFile(const std::string& path);

// What tells one file on the disk from another: device, inode, size and
// time of the last change of what path names (a symbolic link followed).
struct FileIdentity {
  unsigned long long Device = 0, Inode = 0, Size = 0;
  long long ChangedNs = 0;
  bool operator==(const FileIdentity&) const = default;
};
// False when nothing is at path.
bool IdentifyFile(const std::string& path, FileIdentity& id);

// Writes the sets as a new hands file at path. When the file exists it is
// first kept as backupPath too (an older backup is deleted), then the new
// file, whole on the disk, takes its name in one step, so that a failure or
// a crash at any moment leaves the old file or the new one at path. No set
// leaves no file at path. Raises platform::IniFileError when the write is
// refused; path then holds the old file.
void WriteHandsFile(const std::string& path, const std::string& backupPath, const HandSetList& sets);

}  // namespace designer
