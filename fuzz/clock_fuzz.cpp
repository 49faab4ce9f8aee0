// Feeds arbitrary bytes to the clock-data decoder as a clock program's file:
// the tag, the marker scan, every section kind and the pictures in them.
#include <cstddef>
#include <cstdint>
#include <exception>

#include "engine/clock_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  engine::ClockData clock;
  try {
    engine::DecodeClockData(data, size, clock);
  } catch (const std::exception&) {
    // a damaged file is refused with an error, never more
  }
  return 0;
}
