// INI files in the form the programs keep their settings in: Shift-JIS bytes
// on disk, CR LF line ends, section and key names without regard to case.
//
// The low-level functions work one key at a time on the file, like the
// classic private-profile calls: every read opens and parses the file, every
// write rewrites it. All calls in the process are serialised, so two threads
// writing the same file interleave key by key and never lose a write.
// Texts passed in and out are UTF-8.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/ini_sections.h"

namespace platform {

// The value of key in section, with blanks around it and one pair of
// enclosing quotes removed, cut to bufferSize - 1 bytes (counted in the
// file's Shift-JIS form); def when the file, section or key is missing.
std::string GetProfileString(const std::string& file, const std::string& section, const std::string& key,
                             const std::string& def, size_t bufferSize = 2048);
// Writes key = value into section, creating the file and the section when
// missing. False when the file cannot be written.
bool WriteProfileString(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& value);

class IniFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The INI-file class the programs use.
class IniFile {
 public:
  explicit IniFile(std::string fileName) : file_(std::move(fileName)) {}
  const std::string& FileName() const { return file_; }

  std::string ReadString(const std::string& section, const std::string& key, const std::string& def) const;
  // Decimal, or hexadecimal after "0x"/"0X"; def when it does not parse.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  // An integer, non-zero = true; def when it does not parse.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  // Each raises IniFileError("<file> に書き込めません") when the write fails.
  void WriteString(const std::string& section, const std::string& key, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& key, int value);
  void WriteBool(const std::string& section, const std::string& key, bool value);
  // The keys of one section, in order, with one rewrite of the file: the
  // file ends as the same WriteString calls would leave it, or, when the
  // write fails (IniFileError), as it was.
  void WriteSection(const std::string& section, std::vector<IniEntry> entries);

 private:
  std::string file_;
};

// Parses an integer the way the INI-file class does; false when it does not.
bool ParseIniInteger(const std::string& text, int& out);

// Conversions between UTF-8 and Shift-JIS (code page 932). Bytes that do
// not convert become '?' (to Shift-JIS) or U+FFFD (to UTF-8).
std::string Utf8ToSjis(const std::string& utf8);
std::string SjisToUtf8(const std::string& sjis);

}  // namespace platform
