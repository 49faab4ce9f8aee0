#include "maker/dial/frame_ring.h"

#include <gtest/gtest.h>

#include <cstring>

using imaging::Bitmap;
using imaging::Colour;
using namespace maker;

namespace {

constexpr Colour kKey = 0x0000FF00;  // green: the test pictures' transparent colour
constexpr Colour kRed = 0x000000FF, kWhite = 0x00FFFFFF, kBlack = 0;

// A picture from rows of letters: k key, r red, b black, w white, p picture colour.
Bitmap FromRows(std::initializer_list<const char*> rows) {
  const int h = int(rows.size()), w = int(std::strlen(*rows.begin()));
  Bitmap b(w, h);
  int y = 0;
  for (const char* row : rows) {
    for (int x = 0; x < w; ++x) {
      Colour c = kKey;
      switch (row[x]) {
        case 'r': c = kRed; break;
        case 'b': c = kBlack; break;
        case 'w': c = kWhite; break;
        case 'p': c = 0x00112233; break;
      }
      b.SetPixelColour(x, y, c);
    }
    ++y;
  }
  return b;
}

Bitmap Gradient(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixelColour(x, y, imaging::RGB(uint8_t(x * 10), uint8_t(y * 10), 100));
  return b;
}

}  // namespace

TEST(FrameEdgeColour, AutomaticSamplesCompareAsValues) {
  // Samples lie at (1, mid) and (width - 2, mid), mid = (height - 1) div 2 = 1.
  auto frame = [](Colour a, Colour b) {
    Bitmap f = FromRows({"kkkk", "kkkk", "kkkk", "kkkk"});
    f.SetPixelColour(1, 1, a);
    f.SetPixelColour(2, 1, b);
    return f;
  };
  struct Case {
    Colour a, b;
    bool black;
    Colour want;
  } cases[] = {
      {kBlack, kWhite, false, kWhite}, {kBlack, kWhite, true, kBlack},
      {kRed, 0x00FF0000, false, 0x00FF0000},  // blue is the larger value, whatever the brightness
      {kRed, 0x00FF0000, true, kRed},
  };
  for (const auto& c : cases) EXPECT_EQ(FrameEdgeColour(frame(c.a, c.b), true, 0x00123456, c.black), c.want);
  EXPECT_EQ(FrameEdgeColour(frame(kBlack, kWhite), false, 0x00123456, true), 0x00123456u) << "manual colour";
  EXPECT_EQ(FrameEdgeColour(FromRows({"r"}), true, 0, false), kRed) << "a one-pixel frame samples itself";
}

TEST(RenderFrame, RowZeroOrAMissingSlotShowsNothing) {
  Bitmap f = FromRows({"kr", "rk"});
  FrameRenderInput in;
  in.FramePicture = &f;
  in.ImageWidth = in.ImageHeight = 4;
  FrameRenderResult r = RenderFrame(in);
  EXPECT_EQ(r.FrameIndex, 0);
  EXPECT_TRUE(r.Picture.Empty());

  in.SelectedRow = 3;
  in.FramePicture = nullptr;
  r = RenderFrame(in);
  EXPECT_EQ(r.FrameIndex, 0);
  EXPECT_TRUE(r.Picture.Empty());

  in.FramePicture = &f;
  r = RenderFrame(in);
  EXPECT_EQ(r.FrameIndex, 3);
  EXPECT_EQ(r.Picture.Width(), 4);
}

TEST(RenderFrame, NearestNeighbourKeepsTheKeyExactAndPaintsItBlack) {
  // Visible black moves off the black key; visible pixels of the edge colour
  // stay visible; the key area is the nearest-neighbour image of the frame's.
  Bitmap f = FromRows({"kb", "rk"});
  for (bool autoColour : {false, true}) {
    FrameRenderInput in;
    in.SelectedRow = 1;
    in.FramePicture = &f;
    in.ImageWidth = in.ImageHeight = 4;
    in.AutoColour = autoColour;
    in.SampleColour = kWhite;
    const FrameRenderResult r = RenderFrame(in);
    ASSERT_EQ(r.Picture.Width(), 4);
    ASSERT_EQ(r.Picture.Height(), 4);
    const Colour want[4][4] = {{kBlack, kBlack, 0x00010000, 0x00010000},
                               {kBlack, kBlack, 0x00010000, 0x00010000},
                               {kRed, kRed, kBlack, kBlack},
                               {kRed, kRed, kBlack, kBlack}};
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) EXPECT_EQ(r.Picture.PixelColour(x, y), want[y][x]) << x << "," << y;
  }
  EXPECT_EQ(f.PixelColour(0, 0), kKey) << "the list's picture is left as it was";
}

TEST(RenderFrame, SmoothedEdgesBlendWithThePictureWhenOneIsLoaded) {
  // An 8 x 8 frame: a red band across rows 3 and 4, transparent elsewhere,
  // shown at 16 x 16 with smoothing. Row 9 samples halfway between the band
  // and the opening below it.
  Bitmap f = FromRows({"kkkkkkkk", "kkkkkkkk", "kkkkkkkk", "rrrrrrrr", "rrrrrrrr", "kkkkkkkk", "kkkkkkkk", "kkkkkkkk"});
  Bitmap pic = FromRows({"bpp", "ppp", "ppp"});  // key black, picture colour 0x112233
  FrameRenderInput in;
  in.SelectedRow = 1;
  in.FramePicture = &f;
  in.ImageWidth = in.ImageHeight = 16;
  in.FrameMargin = 1;
  in.Smooth = true;
  in.AutoColour = false;
  in.SampleColour = kWhite;

  const Bitmap alone = RenderFrame(in).Picture;
  in.Background = &pic;
  const Bitmap over = RenderFrame(in).Picture;
  ASSERT_EQ(over.Width(), 16);
  const Colour a = alone.PixelColour(8, 9), o = over.PixelColour(8, 9);
  EXPECT_GT(imaging::GreenOf(a), 100) << "blends towards white";
  EXPECT_LT(imaging::GreenOf(o), 64) << "blends towards the picture's colour";
  EXPECT_EQ(over.PixelColour(8, 7), kRed);
  EXPECT_EQ(over.PixelColour(8, 12), kBlack) << "wholly transparent: black";
  EXPECT_EQ(over.PixelColour(0, 0), kBlack);
}

TEST(RenderNumeralRing, KeyColourOfTheRingImage) {
  // Ring 4 x 4 keyed green with one red pixel, shown at 4 x 4 so that no
  // scaling blurs; background 8 x 8 whose pixel (x, y) is (10x, 10y, 100).
  Bitmap ring = FromRows({"kkkk", "kkkk", "kkrk", "kkkk"});
  Bitmap bg = Gradient(8, 8);
  struct Case {
    const char* what;
    bool smooth, loaded, bgShown;
    int left;  // ImageMJ1's left and top relative to ImageBG
    Colour key;
  } cases[] = {
      {"smoothed over the picture", true, true, true, 2, imaging::RGB(20, 20, 100)},
      {"smoothed, corner outside the picture", true, true, true, -1, kBlack},
      {"smoothed, no picture", true, false, false, 2, kKey},
      {"smoothed, picture loaded but not shown", true, true, false, 2, kKey},
      {"plain, picture loaded", false, true, true, 2, imaging::RGB(0, 0, 100)},
      {"plain, no picture", false, false, false, 2, kKey},
  };
  for (const auto& c : cases) {
    RingRenderInput in;
    in.SelectedRow = 2;
    in.RingPicture = &ring;
    in.BackgroundLeft = 30, in.BackgroundTop = 40;
    in.ImageLeft = 30 + c.left, in.ImageTop = 40 + c.left;
    in.ImageWidth = in.ImageHeight = 4;
    in.Smooth = c.smooth;
    in.WorkPicture = c.loaded ? &bg : nullptr;
    in.Background = c.bgShown ? &bg : nullptr;
    const RingRenderResult r = RenderNumeralRing(in);
    EXPECT_EQ(r.NumeralRingIndex, 2) << c.what;
    ASSERT_EQ(r.Picture.Width(), 4) << c.what;
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x)
        EXPECT_EQ(r.Picture.PixelColour(x, y), x == 2 && y == 2 ? kRed : c.key) << c.what << " " << x << "," << y;
  }
}

TEST(RenderNumeralRing, RingPixelsOfThePicturesKeyAreNudgedOff) {
  // Unsmoothed with a picture: the ring is rekeyed to the work picture's
  // pixel (0, 0) colour; a visible ring pixel of that colour must stay visible.
  Bitmap ring = FromRows({"kb", "kk"});
  Bitmap work = FromRows({"bp", "pp"});
  RingRenderInput in;
  in.SelectedRow = 1;
  in.RingPicture = &ring;
  in.ImageWidth = 4, in.ImageHeight = 2;
  in.WorkPicture = &work;
  in.Background = &work;
  const Bitmap r = RenderNumeralRing(in).Picture;
  ASSERT_EQ(r.Width(), 4);
  EXPECT_EQ(r.PixelColour(0, 0), kBlack);
  EXPECT_EQ(r.PixelColour(2, 0), 0x00010000u);
  EXPECT_EQ(r.PixelColour(3, 1), kBlack);
}

TEST(RenderNumeralRing, SmoothedEdgesStayOpaque) {
  // Scaled up with smoothing, pixels between the red mark and the key blend
  // and stay visible; pixels wholly inside the key take the key colour.
  Bitmap ring = FromRows({"kkkk", "kkkk", "kkrk", "kkkk"});
  RingRenderInput in;
  in.SelectedRow = 1;
  in.RingPicture = &ring;
  in.ImageWidth = in.ImageHeight = 8;
  in.Smooth = true;
  const Bitmap r = RenderNumeralRing(in).Picture;
  EXPECT_EQ(r.PixelColour(0, 0), kKey);
  EXPECT_EQ(r.PixelColour(4, 4), kRed);
  const Colour edge = r.PixelColour(5, 4);  // halfway between red and green
  EXPECT_NE(edge, kKey);
  EXPECT_GT(imaging::RedOf(edge), 0);
  EXPECT_GT(imaging::GreenOf(edge), 0);
  EXPECT_EQ(r.PixelColour(7, 7), kKey);
}

TEST(RenderFrame, MarginInFramePixelsRoundsHalvesAway) {
  // Margin 1 on a 16-pixel image of an 8-pixel frame is 0.5 frame pixels,
  // which rounds to 1: the picture copy is 6 x 6 with a one-pixel border of
  // its key colour, and that border (rekeyed to the white edge colour) is what
  // the frame's red column 1 blends with at column 0. Rounding 0.5 to 0 would
  // let the picture's own colour reach column 0.
  Bitmap f = FromRows({"krkkkkkk", "krkkkkkk", "krkkkkkk", "krkkkkkk", "krkkkkkk", "krkkkkkk", "krkkkkkk", "krkkkkkk"});
  Bitmap pic = FromRows({"bpp", "ppp", "ppp"});
  FrameRenderInput in;
  in.SelectedRow = 1;
  in.FramePicture = &f;
  in.ImageWidth = in.ImageHeight = 16;
  in.FrameMargin = 1;
  in.Smooth = true;
  in.AutoColour = false;
  in.SampleColour = kWhite;
  in.Background = &pic;
  const Bitmap r = RenderFrame(in).Picture;
  const Colour blend = r.PixelColour(1, 8);
  EXPECT_EQ(imaging::RedOf(blend), 255);
  EXPECT_GT(imaging::GreenOf(blend), 100) << "blends with the rekeyed border, not the picture";
  EXPECT_EQ(r.PixelColour(2, 8), kRed);
}

// A frame keyed in the edge colour itself is not rekeyed before scaling. A
// rekey would move the key off white and paint it back, taking a visible
// pixel of the nudged colour 0x00FEFFFF along to white.
TEST(RenderFrame, KeyEqualToTheEdgeColourIsNotRekeyed) {
  Bitmap f = FromRows({"ww", "wr"});
  f.SetPixelColour(1, 0, 0x00FEFFFF);
  FrameRenderInput in;
  in.SelectedRow = 1;
  in.FramePicture = &f;
  in.ImageWidth = in.ImageHeight = 2;
  in.AutoColour = false;
  in.SampleColour = kWhite;
  const Bitmap r = RenderFrame(in).Picture;
  ASSERT_EQ(r.Width(), 2);
  const Colour want[2][2] = {{kBlack, 0x00FEFFFF}, {kBlack, kRed}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(r.PixelColour(x, y), want[y][x]) << x << "," << y;
}
