// Building the bytes of a clock program: the engine image, the clock's
// sections (each a 16-byte marker and its data, no length field), the engine
// tag and the flags byte; and replacing the engine of a clock program
// written earlier.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/hand_model.h"
#include "imaging/bitmap.h"

namespace maker {

using Bytes = std::vector<uint8_t>;

// "--DELIMIT-" + kind padded with "-" to 6 characters.
Bytes SectionMarker(const std::string& kind);

// Flags byte: bit 0 time, bit 1 date, bits 2-3 style, bits 4-6 ellipses.
uint8_t ClockFlags(bool showTime, bool showDate, int digitalStyle, bool frameEllipse, bool ringEllipse,
                   bool ellipticalHands);

// Place of a display: the background's centre (width and height halved by
// truncation) minus the display's top-left corner, in 16-bit arithmetic.
struct DisplayOffset {
  int16_t dx = 0, dy = 0;
};
DisplayOffset DisplayOffsetOf(int bgLeft, int bgTop, int bgWidth, int bgHeight, int left, int top);

// A text for a 256-byte block: control characters and blanks trimmed at both
// ends, cut to 255 bytes without splitting a double-byte character.
std::string ShortTextOf(const std::string& sjis);
// True when the first four characters, upper-cased, are "HTTP".
bool IsWebAddress(const std::string& text);

// Everything a clock program is made of, as the window hands it over.
struct ClockContent {
  Bytes EngineImage;
  imaging::Bitmap Dial;   // empty: no BMP section
  imaging::Bitmap Frame;  // empty: no FG section
  uint32_t HandColor = 0, SecondHandColor = 0;
  // The hand set with lengths already scaled; none: no hand sections.
  std::optional<engine::HandSet> Hands;
  DisplayOffset DateOffset, TimeOffset;
  int16_t FrameMargin = 0;
  std::string Copyright;  // Shift-JIS, already trimmed and cut
  std::string Url;        // Shift-JIS, already trimmed and cut
  std::string EngineTag;  // 16 characters
  uint8_t Flags = 0;
};

// The clock program: engine, BMP, FG, CL1, CL2, HR, MN, SC, CTR, OSD, OST,
// PRTR, CPY (non-empty text), URL (a web address), tag, flags.
Bytes BuildClockProgram(const ClockContent& c);

// The old clock program as the movement update reads it.
struct OldClock {
  uint8_t Flags = 0;
  int32_t EngineSize = 0;
  size_t SectionsStart = 0, SectionsLength = 0;
};
enum class OldClockCheck { Ok, NotAClock };
// NotAClock when the 8 letters of the tag are not found 9 bytes before the
// end. A tag whose digits are no number, or an engine size that leaves no
// room for the sections, raises std::runtime_error.
OldClockCheck ReadOldClock(const Bytes& file, OldClock& out);
// The first line of the warning for an engine size of an older release, or
// nothing for a current one.
std::optional<std::string> OlderReleaseWarning(int32_t engineSize);
// New engine + old sections + tag + old flags.
Bytes RebuildWithEngine(const Bytes& engineImage, const Bytes& oldFile, const OldClock& old,
                        const std::string& engineTag);

}  // namespace maker
