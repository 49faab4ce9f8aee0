// The crop's elliptical cut, pixel by pixel: what lies inside the outline
// keeps the picture, the outline, the outside, the last column and the last
// row are pure black, and the cut is symmetric and closed for every box.
#include <QAction>
#include <gtest/gtest.h>

#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;
using makertest::Pattern;


struct CropResult {
  imaging::Bitmap picture;
  int boxLeft = 0, boxTop = 0;  // the outline's box in picture coordinates
};

// A right-button drag spanning w x h (ellipse option on or off), then the crop.
CropResult CropSpan(MakerFixture& f, maker::TFormMain& w, int spanW, int spanH, bool ellipse) {
  const std::string pic = f.root + "/big.bmp";
  f.WriteBmp(pic, Pattern(400, 300));
  w.LoadPictureFile(pic);
  if (w.MenuEO->isChecked() != ellipse) w.MenuEOClick();
  const void* panel = w.PanelPicture;
  const int ax = w.ImagePicture.Left + 200 - spanW / 2, ay = w.ImagePicture.Top + 150 - spanH / 2;
  w.PanelPictureMouseDown(panel, Qt::RightButton, ax, ay);
  w.PanelPictureMouseMove(panel, ax + spanW, ay + spanH);
  w.PanelPictureMouseUp(panel, Qt::RightButton, ax + spanW, ay + spanH);
  CropResult r;
  r.boxLeft = w.Shape1.Left - w.ImagePicture.Left;
  r.boxTop = w.Shape1.Top - w.ImagePicture.Top;
  w.CropToSelection();
  r.picture = w.WorkPictureBitmap;
  return r;
}

TEST(CropOutline, EveryBoxGivesAClosedSymmetricCutInsideItsBox) {
  // Circles (even and odd sides) and ellipses, flat ones included: a flat
  // ellipse drawn with gaps at its tips let the picture through the last
  // column.
  struct Case {
    int w, h;
    bool ellipse;
  } cases[] = {{24, 24, false}, {40, 40, false}, {61, 61, false}, {100, 100, false},
               {50, 20, true},  {100, 13, true}, {41, 13, true},  {13, 100, true},
               {120, 31, true}, {33, 90, true},  {200, 24, true}, {25, 25, true}};
  for (const auto& c : cases) {
    MakerFixture f;
    maker::TFormMain& w = f.Open();
    const CropResult r = CropSpan(f, w, c.w, c.h, c.ellipse);
    const imaging::Bitmap& p = r.picture;
    const int W = c.ellipse ? c.w : 2 * maker::RoundHalfAway(std::max(c.w, c.h) / 2.0L);
    const int H = c.ellipse ? c.h : W;
    ASSERT_EQ(p.Width(), W) << c.w << "x" << c.h;
    ASSERT_EQ(p.Height(), H) << c.w << "x" << c.h;
    const imaging::Bitmap src = Pattern(400, 300);
    auto black = [&](int x, int y) { return p.PixelColour(x, y) == 0; };
    bool lastBlack = true, symmetric = true, keeps = true;
    for (int y = 0; y < H; ++y) lastBlack &= black(W - 1, y);
    for (int x = 0; x < W; ++x) lastBlack &= black(x, H - 1);
    for (int y = 0; y < H - 1; ++y)
      for (int x = 0; x < W - 1; ++x) {
        if (black(x, y) != black(W - 2 - x, y) || black(x, y) != black(x, H - 2 - y)) symmetric = false;
        if (!black(x, y) && p.PixelColour(x, y) != src.PixelColour(r.boxLeft + x, r.boxTop + y)) keeps = false;
      }
    EXPECT_TRUE(lastBlack) << c.w << "x" << c.h;
    EXPECT_TRUE(symmetric) << c.w << "x" << c.h;
    EXPECT_TRUE(keeps) << c.w << "x" << c.h;
    // The middle keeps the picture; the corners are cut away.
    EXPECT_FALSE(black((W - 2) / 2, (H - 2) / 2)) << c.w << "x" << c.h;
    EXPECT_TRUE(black(0, 0) && black(W - 2, 0) && black(0, H - 2) && black(W - 2, H - 2)) << c.w << "x" << c.h;
  }
}

TEST(CropOutline, ACircleOfFortyIsRound) {
  // A 40 x 40 crop: the outline is a circle in the box 0 .. 38, so each
  // row's inside is as wide as the matching column's inside.
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  const CropResult r = CropSpan(f, w, 40, 40, false);
  const imaging::Bitmap& p = r.picture;
  ASSERT_EQ(p.Width(), 40);
  for (int i = 0; i < 39; ++i) {
    int row = 0, col = 0;
    for (int j = 0; j < 39; ++j) {
      row += p.PixelColour(j, i) != 0;
      col += p.PixelColour(i, j) != 0;
    }
    EXPECT_EQ(row, col) << i;
  }
  // The widest row of the inside spans 1 .. 37: only the outline at 0 and 38.
  int widest = 0;
  for (int y = 0; y < 39; ++y) {
    int n = 0;
    for (int x = 0; x < 39; ++x) n += p.PixelColour(x, y) != 0;
    widest = std::max(widest, n);
  }
  EXPECT_EQ(widest, 37);
}

}  // namespace

namespace {

TEST(CropOutline, AnEllipseAlongOneLineCropsNothing) {
  // A right drag with the ellipse option along a horizontal line: half-size
  // 25 but no height. The crop leaves the picture and the undo state alone.
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  f.WriteBmp(f.root + "/p.bmp", Pattern(80, 60));
  w.LoadPictureFile(f.root + "/p.bmp");
  w.MenuEOClick();
  const void* panel = w.PanelPicture;
  w.PanelPictureMouseDown(panel, Qt::RightButton, 100, 100);
  w.PanelPictureMouseMove(panel, 150, 100);
  w.PanelPictureMouseUp(panel, Qt::RightButton, 150, 100);
  ASSERT_EQ(w.SelectionHalfSize, 25);
  ASSERT_EQ(w.Shape1.Height, 0);
  w.MenuEU->setEnabled(false);
  w.MenuICClick();
  EXPECT_EQ(w.WorkPictureBitmap.Width(), 80);
  EXPECT_EQ(w.WorkPictureBitmap.Height(), 60);
  EXPECT_FALSE(w.MenuEU->isEnabled());
  EXPECT_TRUE(w.UndoPictureBitmap.Empty());
}

}  // namespace

namespace {

TEST(CropOutline, ACropWithoutANewSelectionTakesTheWholePicture) {
  // After key C, a resize, a turn, a flip or a crop the outline is the
  // picture's own box wherever the picture sits in the view: a crop then
  // cuts the whole picture, and a second crop gives the first one again.
  struct Case {
    const char* name;
    std::function<void(MakerFixture&, maker::TFormMain&)> act;
  } cases[] = {
      {"key C", [](MakerFixture&, maker::TFormMain& w) { w.FormKeyDown(Qt::Key_C); }},
      {"resize", [](MakerFixture& f, maker::TFormMain& w) {
         f.dialogs->picSize = [](int&, int&) {};  // OK on the size shown
         w.MenuISClick();
       }},
      {"turn", [](MakerFixture& f, maker::TFormMain& w) {
         f.dialogs->rotate = {maker::RotateChoice::R90, "0", "0"};
         w.MenuIRClick();
       }},
      {"flip", [](MakerFixture& f, maker::TFormMain& w) {
         f.dialogs->rotate = {maker::RotateChoice::FlipLR, "0", "0"};
         w.MenuIRClick();
       }},
  };
  for (const auto& c : cases) {
    MakerFixture f;
    maker::TFormMain& w = f.Open();
    f.WriteBmp(f.root + "/p.bmp", Pattern(250, 200));
    w.LoadPictureFile(f.root + "/p.bmp");
    // A selection of its own first, so that the crop is not refused.
    const void* img = &w.ImagePicture;
    w.PanelPictureMouseDown(img, Qt::LeftButton, 100, 100);
    w.PanelPictureMouseUp(img, Qt::LeftButton, 100, 130);
    ASSERT_EQ(w.SelectionHalfSize, 30) << c.name;
    c.act(f, w);
    const imaging::Bitmap before = w.WorkPictureBitmap;
    w.CropToSelection();
    const imaging::Bitmap first = w.WorkPictureBitmap;
    ASSERT_EQ(first.Width(), before.Width()) << c.name;
    ASSERT_EQ(first.Height(), before.Height()) << c.name;
    // Inside the ellipse the picture itself, not the white around it.
    const int W = first.Width(), H = first.Height();
    for (const imaging::Point p : {imaging::Point{W / 2, H / 2}, {3, H / 2}, {W / 2, 3}, {W - 4, H / 2}, {W / 2, H - 4}})
      EXPECT_EQ(first.PixelColour(p.X, p.Y), before.PixelColour(p.X, p.Y)) << c.name << " " << p.X << "," << p.Y;
    bool keeps = true;
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if (first.PixelColour(x, y) != 0 && first.PixelColour(x, y) != before.PixelColour(x, y)) keeps = false;
    EXPECT_TRUE(keeps) << c.name;
    w.CropToSelection();
    EXPECT_TRUE(makertest::SamePixels(w.WorkPictureBitmap, first)) << c.name;
  }
}

}  // namespace
