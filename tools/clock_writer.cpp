#include "tools/clock_writer.h"

#include <cstdio>
#include <cstring>

namespace clockfile {

Bytes Marker(const std::string& kind) {
  std::string m = "--DELIMIT-" + kind;
  while (m.size() < 16) m.push_back('-');
  m.resize(16);
  return Bytes(m.begin(), m.end());
}

Bytes EngineTag(uint32_t engineSize) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "%08uRundavel", engineSize % 100000000u);
  return Bytes(buf, buf + 16);
}

Bytes ColourData(uint32_t c) {
  return Bytes{uint8_t(c), uint8_t(c >> 8), uint8_t(c >> 16), 0};
}

Bytes DoubleData(double v) {
  Bytes b(8);
  std::memcpy(b.data(), &v, 8);
  return b;
}

Bytes PolygonData(const std::vector<std::pair<double, double>>& pts) {
  Bytes b;
  for (const auto& [a, l] : pts) {
    const Bytes x = DoubleData(a), y = DoubleData(l);
    b.insert(b.end(), x.begin(), x.end());
    b.insert(b.end(), y.begin(), y.end());
  }
  return b;
}

Bytes Int16Data(int16_t v) { return Bytes{uint8_t(v), uint8_t(uint16_t(v) >> 8)}; }

Bytes OffsetData(int16_t dx, int16_t dy) {
  Bytes b = Int16Data(dx);
  const Bytes y = Int16Data(dy);
  b.insert(b.end(), y.begin(), y.end());
  return b;
}

Bytes Text256(const std::string& text) {
  Bytes b(256, 0);
  const size_t n = text.size() > 255 ? 255 : text.size();
  b[0] = uint8_t(n);
  std::memcpy(b.data() + 1, text.data(), n);
  return b;
}

Bytes BuildClockFile(const Bytes& engine, const std::vector<Section>& sections, uint8_t flags) {
  Bytes out = engine;
  for (const auto& s : sections) {
    const Bytes m = Marker(s.kind);
    out.insert(out.end(), m.begin(), m.end());
    out.insert(out.end(), s.data.begin(), s.data.end());
  }
  const Bytes tag = EngineTag(uint32_t(engine.size()));
  out.insert(out.end(), tag.begin(), tag.end());
  out.push_back(flags);
  return out;
}

}  // namespace clockfile
