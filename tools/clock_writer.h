// Writes clock programs: an engine file followed by the clock's sections, the
// 16-byte engine tag and the flags byte. Used by the tests' fixtures and by
// the sample clock of the build.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace clockfile {

using Bytes = std::vector<uint8_t>;

struct Section {
  std::string kind;  // "BMP", "HR", ... (padded with '-' to 6 characters)
  Bytes data;
};

// "--DELIMIT-" + kind padded with '-' to 6 characters.
Bytes Marker(const std::string& kind);
// 8 decimal digits of the engine size, then "Rundavel".
Bytes EngineTag(uint32_t engineSize);

Bytes ColourData(uint32_t colour);  // red, green, blue, 0
Bytes DoubleData(double v);
Bytes PolygonData(const std::vector<std::pair<double, double>>& anglesAndLengths);
Bytes OffsetData(int16_t dx, int16_t dy);
Bytes Int16Data(int16_t v);
Bytes Text256(const std::string& text);  // length byte, text, zero padding

// engine + (marker + data for each section) + tag(engine size) + flags.
Bytes BuildClockFile(const Bytes& engine, const std::vector<Section>& sections, uint8_t flags);

}  // namespace clockfile
