// Preview layers held packed (only the tiles with a colour other than the
// ground) or shown without a copy: they read, draw and write as the whole
// bitmap they stand for.
#include <QAction>
#include <gtest/gtest.h>

#include "maker/layer_picture.h"
#include "maker/maker_widgets.h"
#include "maker_fixture.h"

namespace {

using maker::LayerPicture;
using makertest::MakerFixture;
using makertest::Pattern;
using makertest::SamePixels;
using makertest::Solid;

// A ground colour with a few marks, on tile edges and in the corners.
imaging::Bitmap Marked(int w, int h, imaging::Colour ground, const std::vector<imaging::Point>& marks) {
  imaging::Bitmap b = Solid(w, h, ground);
  uint32_t c = 0x102030;
  for (const auto& p : marks) b.SetPixelColour(p.X, p.Y, c += 0x050709);
  return b;
}

QImage ShownWhole(const maker::TImage& im) {
  QPoint origin;
  return im.Shown(QRect(0, 0, im.Picture.Width(), im.Picture.Height()), origin).copy();
}

TEST(LayerPicture, PackedAndPlacedPicturesReadDrawAndConvertAsTheWholeBitmap) {
  struct Case {
    int w, h;
    std::vector<imaging::Point> marks;
  } cases[] = {
      {1, 1, {}},
      {1, 1, {{0, 0}}},
      {64, 64, {{63, 0}, {0, 63}}},
      {130, 70, {{63, 5}, {64, 5}, {127, 69}, {129, 0}, {0, 69}}},
      {200, 3, {{199, 2}, {100, 1}}},
  };
  for (const Case& c : cases)
    for (imaging::Colour ground : {0x000000u, 0xFFFFFFu, 0x3080C0u}) {
      const imaging::Bitmap whole = Marked(c.w, c.h, ground, c.marks);
      const LayerPicture packed = LayerPicture::Packed(whole);
      SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " ground " + std::to_string(ground));
      ASSERT_EQ(packed.Width(), c.w);
      ASSERT_EQ(packed.Height(), c.h);
      EXPECT_EQ(packed.Solid(), nullptr);
      EXPECT_TRUE(SamePixels(packed.Whole(), whole));
      for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) ASSERT_EQ(packed.PixelColour(x, y), whole.PixelColour(x, y)) << x << "," << y;
      // The box of what differs from the ground, and from another colour.
      QRect box;
      for (const auto& p : c.marks) box |= QRect(p.X, p.Y, 1, 1);
      EXPECT_EQ(packed.Unlike(ground), box);
      EXPECT_EQ(packed.Unlike(0x123456), QRect(0, 0, c.w, c.h));
      EXPECT_EQ(LayerPicture(whole).Unlike(ground), box);
      // A copy keeps the pixels.
      const LayerPicture copy = packed;
      EXPECT_TRUE(SamePixels(copy.Whole(), whole));
      // Shown on screen, transparent or not, as the whole bitmap is.
      for (bool transparent : {true, false}) {
        maker::TImage a, b;
        a.Transparent = b.Transparent = transparent;
        a.Picture = whole;
        b.Picture = packed;
        EXPECT_EQ(ShownWhole(a), ShownWhole(b)) << transparent;
      }
    }
  // A part laid partly outside the picture is clipped to it.
  const imaging::Bitmap part = Pattern(90, 40);
  for (imaging::Point at : {imaging::Point{-10, -5}, imaging::Point{100, 50}, imaging::Point{0, 0},
                            imaging::Point{300, 10}}) {
    imaging::Bitmap want = Solid(150, 80, 0xFFFFFF);
    want.GetCanvas().Draw(at.X, at.Y, part);
    const LayerPicture placed = LayerPicture::Placed(150, 80, 0xFFFFFF, part, at.X, at.Y);
    EXPECT_TRUE(SamePixels(placed.Whole(), want)) << at.X << "," << at.Y;
  }
}

// With the size limit off the preview's background shows the work picture
// itself; a clock written after the picture changed on the picture tab still
// has the picture the clock tab showed, as when the background had a copy.
TEST(LayerPicture, TheClockKeepsTheBackgroundTheClockTabShowed) {
  MakerFixture f;
  f.WriteBmp(f.root + "/a.bmp", Pattern(300, 220));
  f.WriteBmp(f.root + "/b.bmp", Solid(120, 90, 0x00FF00));
  maker::TFormMain& w = f.Open();
  w.LoadPictureFile(f.root + "/a.bmp");
  w.PM_SClick();  // the limit off
  w.PageControl2->SelectTab(1);
  ASSERT_FALSE(w.ImageBG.Picture.Empty());
  auto write = [&](const std::string& name) {
    const std::string clock = w.DesktopFolder + "/" + name;
    f.ChooseFile(clock);
    w.MenuFCClick();
    return makertest::ReadBytes(clock);
  };
  const std::vector<uint8_t> first = write("first");
  ASSERT_FALSE(first.empty());
  w.PageControl2->SelectTab(0);
  const imaging::Bitmap shown = Pattern(300, 220);
  // Turned twice: the first turn's undo copy holds the shown pixels, the
  // second replaces that undo copy.
  f.dialogs->rotate = maker::RotateChoice{maker::RotateChoice::R90, "0", "0"};
  w.MenuIRClick();
  EXPECT_EQ(write("turned"), first);
  w.MenuIRClick();
  EXPECT_EQ(write("turned twice"), first);
  w.MenuEUClick();
  EXPECT_EQ(write("undone"), first);
  // The resize dialog moves the work picture into the undo copy itself.
  f.dialogs->picSize = [&](int& pw, int& ph) {
    pw = ph = 50;
    imaging::Bitmap small = Solid(50, 50, 0x0000FF);
    w.UndoPicture() = std::move(w.WorkPicture());
    w.WorkPicture() = std::move(small);
  };
  w.MenuISClick();
  EXPECT_EQ(write("resized"), first);
  w.LoadPictureFile(f.root + "/b.bmp");
  EXPECT_EQ(write("other picture"), first);
  EXPECT_TRUE(SamePixels(w.ImageBG.Picture, shown));
  // Back on the clock tab the background shows the new picture.
  w.PageControl2->SelectTab(1);
  EXPECT_TRUE(SamePixels(w.ImageBG.Picture, Solid(120, 90, 0x00FF00)));
  EXPECT_NE(write("new"), first);
}

}  // namespace
