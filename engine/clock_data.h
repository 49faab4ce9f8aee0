// The clock data appended to a clock program, decoded from the program
// file's bytes without a window: the clock window's reader loads its own
// file and takes the result over, and the decoder can be tested and fuzzed
// on its own.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/hand_model.h"
#include "imaging/bitmap.h"

namespace engine {

// Centre of the background minus the top-left corner of a digital display.
struct DisplayOffset {
  int16_t dx = 0, dy = 0;
};

struct ClockData {
  uint8_t Flags = 0;  // the file's last byte

  // Background from the last BMP or JPG section; a JPEG background is drawn
  // without transparency and switches the window's colour key off.
  bool HasBackground = false;
  bool BackgroundIsJpeg = false;
  imaging::Bitmap Background;  // 24 bits
  bool HasFrame = false;
  imaging::Bitmap Frame;  // 24 bits

  // Colours as stored; the window moves each one it was given to the
  // nearest colour the screen shows.
  bool HandColorRead = false, SecondHandColorRead = false;
  imaging::Colour HandColor = 0, SecondHandColor = 0;
  HandPolygon HourPolygon, MinutePolygon, SecondPolygon;
  double CenterSize = 0;
  std::array<uint8_t, 256> CopyrightText{};  // length byte, then Shift-JIS text
  std::array<uint8_t, 256> HomePageUrl{};
  DisplayOffset DateOffset, TimeOffset;
  int16_t FrameMargin = 0;
};

// Decodes the sections of a clock program's bytes into data. Fixed-size
// values that a short section or the file's end leaves unread keep what data
// held before. Raises the conversion error for a tag without a number and
// the picture reader's error for a bad picture section; Flags and every
// section before the failing one are in data then.
void DecodeClockData(const uint8_t* bytes, size_t size, ClockData& data);

}  // namespace engine
