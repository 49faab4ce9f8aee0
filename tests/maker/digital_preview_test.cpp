// The digital displays in the preview: the glyph strokes of the time text,
// and a style change reaching the time at the next second and the date at
// the next tick that draws.
#include <QCheckBox>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;

// The picture as rows of '#' (colour stroke) and '.' (anything else).
std::vector<std::string> Rows(const imaging::Bitmap& b, int x0, int w, imaging::Colour stroke) {
  std::vector<std::string> rows;
  for (int y = 0; y < b.Height(); ++y) {
    std::string r;
    for (int x = x0; x < x0 + w; ++x) r += b.PixelColour(x, y) == stroke ? '#' : '.';
    rows.push_back(r);
  }
  return rows;
}

TEST(DigitalPreview, TimeTextIsMadeOfTheGlyphs) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  w.RestartPreview(true);  // still picture: 10:10:35
  w.CheckBoxTime->click();
  w.Timer1Timer();
  const imaging::Bitmap& t = w.ImageTime.Picture;
  ASSERT_EQ(t.Width(), 40);
  ASSERT_EQ(t.Height(), 8);
  // "1", then "0", then the colon, white strokes on black.
  EXPECT_EQ(Rows(t, 0, 6, 0xFFFFFF),
            (std::vector<std::string>{"......", "....#.", "....#.", "....#.", "......", "....#.", "....#.", "....#."}));
  EXPECT_EQ(Rows(t, 6, 6, 0xFFFFFF),
            (std::vector<std::string>{"......", ".####.", ".#..#.", ".#..#.", "......", ".#..#.", ".#..#.", ".####."}));
  EXPECT_EQ(Rows(t, 12, 2, 0xFFFFFF), (std::vector<std::string>{"..", "..", ".#", "..", "..", "..", ".#", ".."}));
  EXPECT_EQ(t.PixelColour(0, 7), 0x000000u);  // the key colour of the display
}

TEST(DigitalPreview, StyleChangesReachTheDisplaysAtTheirNextDrawing) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  ASSERT_TRUE(w.Timer1->isActive());
  w.CheckBoxTime->click();
  w.CheckBoxDate->click();
  f.now = {2026, 12, 7, 9, 5, 1, 0};
  w.Timer1Timer();
  EXPECT_EQ(w.ImageTime.Picture.Width(), 40);
  EXPECT_EQ(w.ImageDate.Picture.Width(), 12);
  // Large black: the sizes change at once, the pictures at the next second.
  w.RadioButtonSL->click();
  w.RadioButtonCB->click();
  EXPECT_EQ(w.DigitalStyle, 3);
  EXPECT_EQ(w.ImageTime.Width, 62);
  EXPECT_EQ(w.ImageDate.Height, 13);
  w.Timer1Timer();  // same second: nothing drawn
  EXPECT_EQ(w.ImageTime.Picture.Width(), 40);
  f.now.Second = 2;
  w.Timer1Timer();
  EXPECT_EQ(w.ImageTime.Picture.Width(), 62);
  EXPECT_EQ(w.ImageTime.Picture.Height(), 13);
  EXPECT_EQ(w.ImageDate.Picture.Width(), 18);  // the day is drawn again in the new style
  EXPECT_EQ(w.ImageDate.Picture.PixelColour(0, 12), 0xFFFFFFu);  // black strokes on white
  // "07": the large black 0 has two-pixel side strokes just above its middle row.
  const auto rows = Rows(w.ImageDate.Picture, 0, 9, 0x000000);
  EXPECT_EQ(rows[5], ".##...##.");
}

}  // namespace
