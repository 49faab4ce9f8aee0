// The free rotation's angle text: only decimal numbers turn the picture,
// and numbers far beyond a turn are reduced without hanging.
#include <QAction>
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/bitmap_ops.h"
#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;
using makertest::SamePixels;

imaging::Bitmap Pattern(int w, int h) {
  imaging::Bitmap b(w, h, imaging::PixelFormat::pf24bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixelColour(x, y, imaging::RGB(uint8_t(x * 7 + 1), uint8_t(y * 3 + 1), 40));
  return b;
}


TEST(RotateAngle, TextAndLargeNumbers) {
  MakerFixture f;
  f.WriteBmp(f.root + "/p.bmp", Pattern(30, 20));
  maker::TFormMain& w = f.Open();
  struct Case {
    const char* text;
    float angle;  // 0: nothing happens
  } cases[] = {
      {"0x10", 0},          // hexadecimal is no decimal number
      {"inf", 0},           {"nan", 0},
      {" 45 ", 45},         // blanks round the number are trimmed
      {"1e20", float(std::fmod(1e20, 360.0))},  // the remainder of the double 1e20
      {"3600000000", 360},  // a whole number of turns far out: one turn
      {"-7200000000", -360},
  };
  for (const auto& c : cases) {
    w.LoadPictureFile(f.root + "/p.bmp");
    w.MenuEU->setEnabled(false);
    f.dialogs->rotate = {maker::RotateChoice::FreeR, c.text, "0"};
    w.MenuIRClick();  // must return
    imaging::Bitmap expected = Pattern(30, 20);
    const float angle = c.angle;
    if (angle != 0) imaging::RotateBitmapFree(expected, 0, angle);
    EXPECT_TRUE(SamePixels(w.WorkPictureBitmap, expected)) << c.text;
    EXPECT_EQ(w.MenuEU->isEnabled(), angle != 0) << c.text;
  }
}

}  // namespace
