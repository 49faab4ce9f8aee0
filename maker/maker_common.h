// Small helpers of the maker shared by its window, its writer and its tests:
// the maker's rounding, the engine tag it carries, its own program file and
// the digital texts made of the digit glyphs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/bitmap.h"
#include "maker/dial/maker_math.h"

namespace maker {

// RoundHalfAway (halves away from zero) is the dial library's, shared by the
// whole maker.

// The 16-byte engine tag: 8 decimal digits giving the size of the engine
// image appended to the maker's program file, then 8 letters. The build
// writes the real engine size into the digits of the program file.
std::string EngineTagText();
// The number in the tag's 8 digits.
int32_t EngineTagSize();
// The 8 letters after the digits.
inline constexpr const char* kEngineTagLetters = "Rundavel";

// Size in bytes of the maker's own program file; 0 when it is not found.
uint32_t GetOwnFileSize();

// The whole file; raises std::runtime_error naming the file when it cannot
// be read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);

// Composes text from the 48 digit glyphs (index style * 12 + glyph): digits,
// the colon, and a dot for any other character. An empty text gives an
// empty bitmap.
imaging::Bitmap DrawDigitalText(const std::vector<imaging::Bitmap>& glyphs, int style, const std::string& text);

// Trims characters with codes 32 or less from both ends.
std::string TrimControl(const std::string& s);

// Folder part of a path with its trailing separator; "" without one.
std::string FolderOf(const std::string& path);
// ASCII letters upper-cased.
std::string UpperAscii(std::string s);

}  // namespace maker
