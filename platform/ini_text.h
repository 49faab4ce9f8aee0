// The line rules of the INI files, shared by the key-by-key calls (ini.cpp)
// and the whole-section calls (ini_sections.cpp). Lines are the file's
// Shift-JIS bytes without their line end.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

namespace platform::initext {

// Serialises every read-modify-write of an INI file within the process.
std::recursive_mutex& ProfileMutex();

// Blanks and tabs removed from both ends.
std::string Trim(const std::string& s);
// ASCII-only case folding; other characters compare as they are.
bool SameName(const std::string& a, const std::string& b);
bool IsSjisLead(unsigned char c);

// The file's lines (LF or CR LF ends). False when there is no readable file,
// for example a folder of that name.
bool ReadFileLines(const std::string& file, std::vector<std::string>& lines);
// Writes the lines with CR LF beside the file and moves the result over it,
// so that a failed write leaves the file as it was.
bool ReplaceFileLines(const std::string& file, const std::vector<std::string>& lines);

// The Shift-JIS name of a "[name]" line; false for other lines.
bool SectionLine(const std::string& bytes, std::string& name);
// The Shift-JIS key and raw value of a "key=value" line; false otherwise.
bool KeyLine(const std::string& bytes, std::string& key, std::string& value);
// A raw value as a read returns it: blanks and one pair of enclosing quotes
// removed, cut to bufferSize - 1 bytes without splitting a double-byte
// character, in UTF-8.
std::string CleanValue(const std::string& raw, size_t bufferSize);

}  // namespace platform::initext
