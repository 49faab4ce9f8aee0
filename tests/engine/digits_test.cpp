// The glyph resources and the digital texts composed from them.
#include <gtest/gtest.h>

#include <cstring>

#include "clock_fixture.h"
#include "imaging/picture_io.h"
#include "platform/resources.h"

namespace {

// Rows of a glyph as '#' (stroke) and '.' (background).
std::string Shape(const imaging::Bitmap& b, imaging::Colour stroke) {
  std::string s;
  for (int y = 0; y < b.Height(); ++y) {
    if (y) s += '/';
    for (int x = 0; x < b.Width(); ++x) s += b.PixelColour(x, y) == stroke ? '#' : '.';
  }
  return s;
}

imaging::Bitmap Glyph(int id) {
  const auto bytes = platform::LoadResource("BITMAP", id);
  return imaging::ReadDib(bytes.data(), bytes.size());
}

}  // namespace

TEST(DigitGlyphs, ResourcesAreOneBitBitmapsOfTheirSize) {
  for (int id = 1; id <= 48; ++id) {
    const auto bytes = platform::LoadResource("BITMAP", id);
    const int style = (id - 1) / 12, glyph = (id - 1) % 12;
    ASSERT_EQ(bytes.size(), style < 2 ? 80u : 100u) << id;
    uint32_t header, width, colours[2];
    uint16_t bits;
    std::memcpy(&header, bytes.data(), 4);
    std::memcpy(&width, bytes.data() + 4, 4);
    std::memcpy(&bits, bytes.data() + 14, 2);
    std::memcpy(colours, bytes.data() + 40, 8);
    EXPECT_EQ(header, 40u);
    EXPECT_EQ(bits, 1);
    EXPECT_EQ(colours[0], 0x000000u);
    EXPECT_EQ(colours[1], 0xFFFFFFu);
    const uint32_t small[] = {6, 2, 2}, large[] = {9, 4, 5};
    const int kind = glyph < 10 ? 0 : glyph - 9;
    EXPECT_EQ(width, style < 2 ? small[kind] : large[kind]) << id;
    const imaging::Bitmap g = Glyph(id);
    EXPECT_EQ(g.GetPixelFormat(), imaging::PixelFormat::pf1bit);
    // The top-left pixel is background in every glyph.
    EXPECT_EQ(g.PixelColour(0, 0), (style == 0 || style == 2) ? 0x000000u : 0xFFFFFFu) << id;
  }
}

TEST(DigitGlyphs, ShapesFollowTheGlyphTable) {
  const imaging::Colour white = 0xFFFFFF, black = 0;
  EXPECT_EQ(Shape(Glyph(1), white), "....../.####./.#..#./.#..#./....../.#..#./.#..#./.####.");
  EXPECT_EQ(Shape(Glyph(13 + 4), black), "....../.#..#./.#..#./.#..#./.####./....#./....#./....#.");
  EXPECT_EQ(Shape(Glyph(11), white), "../../.#/../../../.#/..");
  EXPECT_EQ(Shape(Glyph(12), white), "../../../../../../.#/.#");
  EXPECT_EQ(Shape(Glyph(25 + 9), white),
            "........./..#####../.#.###.#./.##...##./.##...##./.#.###.#./..#####../...###.#./......##./......##./...###.#./..#####../.........");
  EXPECT_EQ(Shape(Glyph(36), white), "...../...../...../...../...../...../...../...../.###./.###./...../...../.....");
  EXPECT_EQ(Shape(Glyph(35), white), "..../..../..../.##./.##./..../..../..../.##./.##./..../..../....");
  // Style 3 has two-pixel side strokes next to the middle row of its 0 and
  // its own 2.
  EXPECT_EQ(Shape(Glyph(37), black),
            "........./..#####../.#.###.#./.##...##./.##...##./.##...##./........./.##...##./.##...##./.##...##./.#.###.#./..#####../.........");
  EXPECT_EQ(Shape(Glyph(25), white),
            "........./..#####../.#.###.#./.##...##./.##...##./.#.....#./........./.#.....#./.##...##./.##...##./.#.###.#./..#####../.........");
  EXPECT_EQ(Shape(Glyph(39), black),
            "........./..#####../..####.#./......##./......##./...###.#./..#####../.#.###.../.##....../.##....../.#.###.#./..#####../.........");
}

TEST(DigitalText, ComposesGlyphsSideBySide) {
  fixture::ClockFixture f;
  f.WriteSettings(fixture::kNoSound);
  f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(), {}, 0));
  auto w = f.Open();
  ASSERT_EQ(w->StartupError(), "");
  const struct {
    int style;
    const char* text;
    int width, height;
  } cases[] = {{0, "12:34:56", 40, 8}, {2, "12:34:56", 62, 13}, {1, "07", 12, 8}, {3, "08", 18, 13},
               {0, " ", 2, 8},         {2, "-", 5, 13},         {0, "", 0, 0}};
  for (const auto& c : cases) {
    const imaging::Bitmap b = w->DrawDigitalText(c.style, c.text);
    EXPECT_EQ(b.Width(), c.width) << c.style << " '" << c.text << "'";
    EXPECT_EQ(b.Height(), c.height);
    if (c.width) {
      EXPECT_EQ(b.GetPixelFormat(), imaging::PixelFormat::pf24bit);
    }
  }
  // Style 1 draws black strokes on white: "07" shows the 0's top bar and the
  // 7's right stroke.
  const imaging::Bitmap b = w->DrawDigitalText(1, "07");
  EXPECT_EQ(b.PixelColour(0, 0), 0xFFFFFFu);
  EXPECT_EQ(b.PixelColour(1, 1), 0u);
  EXPECT_EQ(b.PixelColour(10, 7), 0u);
  EXPECT_EQ(b.PixelColour(7, 7), 0xFFFFFFu);
}
