// Writes the 48 digit glyphs as packed 1-bit device-independent bitmaps
// (40-byte info header, black and white colour table, rows bottom-up) into
// <out>/BITMAP/<id>, id = style * 12 + glyph + 1.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "glyph_table.h"

namespace {

void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}

std::vector<std::string> Rows(const char* shape) {
  std::vector<std::string> rows(1);
  for (const char* p = shape; *p; ++p) {
    if (*p == '/')
      rows.emplace_back();
    else
      rows.back().push_back(*p);
  }
  return rows;
}

std::vector<uint8_t> MakeDib(int style, int glyph) {
  const auto rows = Rows(glyphs::Shape(style, glyph));
  const int h = int(rows.size()), w = int(rows[0].size());
  const int stride = ((w + 31) / 32) * 4;
  std::vector<uint8_t> v;
  Put32(v, 40);
  Put32(v, uint32_t(w));
  Put32(v, uint32_t(h));
  Put16(v, 1);
  Put16(v, 1);
  Put32(v, 0);
  Put32(v, uint32_t(stride * h));
  Put32(v, 0);
  Put32(v, 0);
  Put32(v, 2);
  Put32(v, 0);
  Put32(v, 0x00000000);  // entry 0 black
  Put32(v, 0x00FFFFFF);  // entry 1 white
  const bool white = glyphs::WhiteStrokes(style);
  for (int y = h - 1; y >= 0; --y) {
    std::vector<uint8_t> row(size_t(stride), 0);
    for (int x = 0; x < w; ++x) {
      const bool stroke = rows[size_t(y)][size_t(x)] == '#';
      if (stroke == white) row[size_t(x >> 3)] |= uint8_t(0x80 >> (x & 7));
    }
    v.insert(v.end(), row.begin(), row.end());
  }
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_glyphs <output folder>\n");
    return 2;
  }
  const std::filesystem::path out = std::filesystem::path(argv[1]) / "BITMAP";
  std::filesystem::create_directories(out);
  for (int style = 0; style < 4; ++style)
    for (int glyph = 0; glyph < 12; ++glyph) {
      const auto dib = MakeDib(style, glyph);
      std::ofstream f(out / std::to_string(style * 12 + glyph + 1), std::ios::binary);
      f.write(reinterpret_cast<const char*>(dib.data()), std::streamsize(dib.size()));
      if (!f) {
        std::fprintf(stderr, "make_glyphs: cannot write %s\n", out.c_str());
        return 1;
      }
    }
  return 0;
}
