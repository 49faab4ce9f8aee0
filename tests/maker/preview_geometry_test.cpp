// Where the preview and the hand-set list put the hands, pixel by pixel:
// the centre is the hand image's size div 2, lengths are scaled by the
// slider, the ground is white, outlines follow the colour rule and the
// centre disc keeps its size.
#include <QCheckBox>
#include <QSlider>
#include <QTimer>
#include <gtest/gtest.h>

#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;

// One set: a long thin hour, minute and second hand (tip at length 1 for
// minute and second, 0.5 for the hour), tails of 0.1, centre disc 0.1.
const char* kHands =
    "[Hand0X]\r\nCP=0.1\r\n"
    "H0=0,0.5\r\nH1=1.5707963,0.05\r\nH2=3.14159265,0.1\r\nH3=4.71238898,0.05\r\n"
    "M0=0,1\r\nM1=1.5707963,0.05\r\nM2=3.14159265,0.1\r\nM3=4.71238898,0.05\r\n"
    "S0=0,1\r\nS1=1.5707963,0.03\r\nS2=3.14159265,0.1\r\nS3=4.71238898,0.03\r\n";

struct Extent {
  int left = 1 << 30, right = -1, top = 1 << 30, bottom = -1;
};

// The box of every pixel that is not the colour ground inside r.
Extent Drawn(const imaging::Bitmap& b, imaging::Colour ground, const imaging::Rect& r) {
  Extent e;
  for (int y = r.Top; y < r.Bottom; ++y)
    for (int x = r.Left; x < r.Right; ++x)
      if (b.PixelColour(x, y) != ground) {
        e.left = std::min(e.left, x);
        e.right = std::max(e.right, x);
        e.top = std::min(e.top, y);
        e.bottom = std::max(e.bottom, y);
      }
  return e;
}

imaging::Rect Whole(const imaging::Bitmap& b) { return {0, 0, b.Width(), b.Height()}; }

TEST(PreviewGeometry, HandsPointAtTheTimeFromTheHalfSizeCentre) {
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"), kHands);
  maker::TFormMain& w = f.Open();
  ASSERT_TRUE(w.Timer1->isActive());
  // Background 128 (centre and radii 64) and 131 (65; the engine would take 66).
  struct Case {
    int side, centre;
  } cases[] = {{128, 64}, {131, 65}};
  for (const auto& c : cases) {
    w.ImageBG.Width = w.ImageBG.Height = c.side;
    w.LayoutClockPreview();
    // 15:00:00: hour to 3 o'clock, minute and second to 12.
    f.now = {2026, 12, 10, 15, 0, 0, 0};
    w.Timer1Timer();
    const int cx = c.centre;
    // Hour tip at length 0.5 x 0.8: cx + Round(cx * 0.4).
    const int hourTip = cx + int(std::nearbyint(cx * 0.4));
    const int minuteTip = cx - int(std::nearbyint(cx * 0.8));
    const Extent h = Drawn(w.ImageH.Picture, 0xFFFFFF, Whole(w.ImageH.Picture));
    EXPECT_EQ(h.right, hourTip) << c.side;
    EXPECT_EQ(w.ImageH.Picture.PixelColour(hourTip, cx), 0x000000u) << c.side;   // the outline
    EXPECT_EQ(w.ImageH.Picture.PixelColour(cx + 10, cx), 0x0000FFu) << c.side;  // red fill
    const Extent m = Drawn(w.ImageM.Picture, 0xFFFFFF, Whole(w.ImageM.Picture));
    EXPECT_EQ(m.top, minuteTip) << c.side;
    EXPECT_EQ(w.ImageM.Picture.PixelColour(cx, minuteTip), 0x000000u) << c.side;
    // The second hand at 12 with its disc of radius Round(cx * 0.1).
    const Extent s = Drawn(w.ImageS.Picture, 0xFFFFFF, Whole(w.ImageS.Picture));
    // Round(cx x 0.1) in extended precision: 6.4 gives 6, and 65 x 0.1 is a
    // little above 6.5 there, so 7.
    const int disc = int(std::nearbyintl(cx * (long double)0.1));
    EXPECT_EQ(s.top, minuteTip) << c.side;
    EXPECT_EQ(s.bottom, cx + disc - 1) << c.side;
    EXPECT_EQ(s.left, cx - disc) << c.side;
    EXPECT_EQ(w.ImageS.Picture.PixelColour(cx, cx), 0xFF0000u) << c.side;  // blue disc
    // At second 15 the second hand points to 3 o'clock; the other hands stay.
    f.now.Second = 15;
    w.Timer1Timer();
    const Extent s15 = Drawn(w.ImageS.Picture, 0xFFFFFF, Whole(w.ImageS.Picture));
    EXPECT_EQ(s15.right, cx + int(std::nearbyint(cx * 0.8))) << c.side;
    EXPECT_EQ(s15.top, cx - disc) << c.side;
  }
}

TEST(PreviewGeometry, SliderScalesTheHandsButNotTheDisc) {
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"), kHands);
  maker::TFormMain& w = f.Open();
  f.now = {2026, 12, 10, 15, 0, 15, 0};
  struct Case {
    int position, secondTip;
  } cases[] = {{5, 64 + 16}, {20, 64 + 64}, {13, 64 + 42}};  // 64 x 0.65 = 41.6
  for (const auto& c : cases) {
    w.TrackBar1->setValue(c.position);
    w.Timer1Timer();
    const Extent s = Drawn(w.ImageS.Picture, 0xFFFFFF, Whole(w.ImageS.Picture));
    // A full-length hand reaches the image's edge at 128 and is cut there.
    EXPECT_EQ(s.right, std::min(c.secondTip, 127)) << c.position;
    EXPECT_EQ(s.top, 64 - 6) << c.position;  // the disc: Round(64 x 0.1) = 6
  }
}

TEST(PreviewGeometry, HandSetCellDrawsMinuteHourSecondFromTheLeftCentre) {
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"), kHands);
  maker::TFormMain& w = f.Open();
  w.StringGridHand->Repaint();
  const imaging::Bitmap& g = w.StringGridHand->CanvasBitmap();
  const imaging::Rect r = w.StringGridHand->CellRect(0, 0);
  ASSERT_EQ(r.Bottom - r.Top, 64);
  // cx = Round(128 x 0.3) = 38, radius Round(128 x 0.65) = 83, length x 0.8.
  struct Row {
    int dy, tip;
    imaging::Colour fill;
  } rows[] = {{16, 38 + 66, 0x0000FF}, {32, 38 + 33, 0x0000FF}, {48, 38 + 66, 0xFF0000}};
  for (const auto& row : rows) {
    const int y = r.Top + row.dy;
    int right = -1;
    for (int x = 39; x < 126; ++x)
      if (g.PixelColour(x, y) != 0xFFFFFF) right = x;
    EXPECT_EQ(right, row.tip) << row.dy;
    EXPECT_EQ(g.PixelColour(row.tip, y), 0x000000u) << row.dy;
    EXPECT_EQ(g.PixelColour(47, y), row.fill) << row.dy;
    // The disc of radius Round(83 x 0.1) = 8: from 30 to 45, blue inside.
    EXPECT_EQ(g.PixelColour(30, y), 0x000000u) << row.dy;
    EXPECT_EQ(g.PixelColour(29, y), 0xFFFFFFu) << row.dy;
    EXPECT_EQ(g.PixelColour(38, y), 0xFF0000u) << row.dy;
  }
}

TEST(PreviewGeometry, WhiteHandsShowOnlyTheirOutline) {
  // White is the ground of the hand images and so their transparent colour.
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"), kHands);
  maker::TFormMain& w = f.Open();
  f.dialogAnswers.push_back([](platform::DialogRequest& r) {
    *r.colour = 0xFFFFFF;
    return true;
  });
  w.SpeedButton1Click();
  EXPECT_EQ(w.HandOutlineColor, 0x000000u);  // white and blue are both not black
  f.now = {2026, 12, 10, 15, 0, 0, 0};
  w.LastMinutePosition = 99;
  w.Timer1Timer();
  EXPECT_EQ(w.ImageH.Picture.PixelColour(64 + 10, 64), 0xFFFFFFu);
  EXPECT_EQ(w.ImageH.Picture.PixelColour(64 + 26, 64), 0x000000u);  // the tip's outline
  EXPECT_EQ(w.ImageH.Picture.PixelColour(0, 127), 0xFFFFFFu);
}

TEST(PreviewGeometry, HourHandFollowsTheTwelveHourDial) {
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"), kHands);
  maker::TFormMain& w = f.Open();
  // Hour tip at length 0.5 x 0.8 x 64 = 25.6 from the centre (64, 64).
  struct Case {
    int hour, minute, tipX, tipY;
  } cases[] = {
      {13, 0, 64 + 13, 64 - 22},  // to 1: cos 60 x 25.6 = 12.8, sin 60 x 25.6 = 22.2
      {1, 0, 64 + 13, 64 - 22},
      {0, 30, 64 + 7, 64 - 25},   // halfway between 12 and 1: 75 degrees, 6.63 and 24.73
      {12, 30, 64 + 7, 64 - 25},
  };
  for (const auto& c : cases) {
    f.now = {2026, 12, 10, uint16_t(c.hour), uint16_t(c.minute), 0, 0};
    w.LastMinutePosition = 99;
    w.Timer1Timer();
    const Extent h = Drawn(w.ImageH.Picture, 0xFFFFFF, Whole(w.ImageH.Picture));
    EXPECT_EQ(h.top, c.tipY) << c.hour << ":" << c.minute;
    EXPECT_EQ(w.ImageH.Picture.PixelColour(c.tipX, c.tipY), 0x000000u) << c.hour << ":" << c.minute;
  }
}

TEST(PreviewGeometry, ASetWithoutHourHandStillDrawsItsDisc) {
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"),
                       "[Hand0X]\r\nCP=0.2\r\nM0=0,1\r\nM1=0.3,1\r\nM2=3.1416,0.1\r\n");
  maker::TFormMain& w = f.Open();
  w.StringGridHand->Repaint();
  const imaging::Bitmap& g = w.StringGridHand->CanvasBitmap();
  const imaging::Rect r = w.StringGridHand->CellRect(0, 0);
  // Disc radius Round(83 x 0.2) = 17 at (38, top + 32); nothing right of it.
  const int y = r.Top + 32;
  EXPECT_EQ(g.PixelColour(38, y), 0xFF0000u);
  EXPECT_EQ(g.PixelColour(38 - 17, y), 0x000000u);
  for (int x = 38 + 17; x < 126; ++x) ASSERT_EQ(g.PixelColour(x, y), 0xFFFFFFu) << x;
  // In the preview: the hour image holds no hand, the second image only the disc.
  f.now = {2026, 12, 10, 15, 0, 0, 0};
  w.LastMinutePosition = 99;
  w.LastDrawnSecond = 99;
  w.Timer1Timer();
  EXPECT_EQ(Drawn(w.ImageH.Picture, 0xFFFFFF, Whole(w.ImageH.Picture)).right, -1);
  const Extent s = Drawn(w.ImageS.Picture, 0xFFFFFF, Whole(w.ImageS.Picture));
  EXPECT_EQ(s.left, 64 - 13);  // Round(64 x 0.2) = 13
  EXPECT_EQ(s.right, 64 + 13 - 1);
}

}  // namespace
