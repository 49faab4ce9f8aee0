// Whole-section access to INI files, next to the key-by-key calls of ini.h:
// the list of section names, every section with its key=value lines in file
// order, and erasing a section. Same file rules as ini.h (Shift-JIS bytes,
// CR LF, names without regard to ASCII case); texts in and out are UTF-8.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct IniEntry {
  std::string Key;
  std::string Value;  // trimmed, one pair of enclosing quotes removed
};

struct IniSection {
  std::string Name;
  std::vector<IniEntry> Entries;  // every key=value line, in file order
};

// The section names in file order, as a caller with a buffer of bufferSize
// bytes sees them: each name takes its Shift-JIS length plus one byte, and
// the names that no longer fit are left out. Empty when the file is missing.
std::vector<std::string> ReadSectionNames(const std::string& file, size_t bufferSize = 16384);

// Every section of the file, in file order, each "[name]" block on its own
// (a name that appears twice gives two sections). The section names obey
// the limit of ReadSectionNames; within a section the key names are limited
// the same way by keysBufferSize, and each value is cut to
// valueBufferSize - 1 bytes as GetProfileString cuts it. The file is read
// once. Empty when the file is missing or unreadable.
std::vector<IniSection> ReadIniSections(const std::string& file, size_t namesBufferSize = 16384,
                                        size_t keysBufferSize = 16384, size_t valueBufferSize = 2048);

// Writes every key of every section, in order, leaving the file exactly as
// the same sequence of WriteProfileString calls would (an existing key is
// replaced in the first block of its section, a new key follows the last
// line of that block, a new section is appended after a blank line), but
// reads and writes the file only once. Writes nothing when no key is given.
// False when the file cannot be written; the file is then left as it was.
bool WriteIniSections(const std::string& file, const std::vector<IniSection>& sections);

// Writes the sections as a new file in place of whatever the file held,
// byte for byte as WriteIniSections would write them into an empty file (or,
// with keepPreamble, into the file's lines before its first section), with
// one scratch file and one rename. Writes nothing when no key is given.
// False when the file cannot be written; it is then left as it was.
bool ReplaceIniFile(const std::string& file, const std::vector<IniSection>& sections, bool keepPreamble = false);

// Removes every block of the named section with all its lines. True when
// the file is missing, holds no such section, or was rewritten; false when
// it could not be rewritten.
bool EraseProfileSection(const std::string& file, const std::string& section);

// The same for several sections at once, with one rewrite of the file.
bool EraseProfileSections(const std::string& file, const std::vector<std::string>& sections);

}  // namespace platform
