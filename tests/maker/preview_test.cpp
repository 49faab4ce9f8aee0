// The clock preview's layout and tick, the hand-set list and its colours.
#include <QCheckBox>
#include <QSlider>
#include <QSpinBox>
#include <QTimer>
#include <gtest/gtest.h>

#include "engine/hand_model.h"
#include "maker_fixture.h"

namespace {

using makertest::MakerFixture;

const char* kHands =
    "[Hand0X]\r\nCP=0.1\r\nH0=0,0.5\r\nH1=0.2,0.5\r\nH2=3.1416,0.1\r\nM0=0,0.9\r\nM1=0.1,0.9\r\nM2=3.1416,0.1\r\n"
    "S0=0,1\r\nS1=0.05,1\r\nS2=3.1416,0.2\r\n"
    "[Hand1X]\r\nCP=0.2\r\nM0=0,1\r\nM1=0.3,1\r\nM2=3.1416,0.1\r\n";

struct Sized {
  int w, h;
};

TEST(PreviewLayout, PlacesTheImagesFromTheBackground) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  const int pw = w.PanelClockRight->width(), ph = w.PanelClockRight->height();
  // 128 x 128: hand images of 128 in the middle, centre and radii 64, offsets from -59.
  EXPECT_EQ(w.ImageBG.Left, (pw - 128) / 2);
  EXPECT_EQ(w.ImageBG.Top, (ph - 128) / 2);
  EXPECT_EQ(w.ImageH.Width, 128);
  EXPECT_EQ(w.ImageS.Left, w.ImageBG.Left);
  EXPECT_EQ(w.PreviewHandCenterX, 64);
  EXPECT_EQ(w.PreviewHandRadiusY, 64);
  EXPECT_EQ(w.SpinEditHR1->minimum(), -59);
  EXPECT_EQ(w.SpinEditHR2->toolTip().toStdString(), "-59 ～ 20");

  // 200 x 100 without elliptical hands: 100 x 100, 50 to the right, level with the top.
  struct Case {
    int W, H, dx, handW, centre;
  } cases[] = {{200, 100, 50, 100, 50}, {131, 128, 2, 128, 64}, {129, 128, 0, 128, 64}, {131, 131, 0, 131, 65},
               {129, 129, 0, 129, 64}};
  for (const auto& c : cases) {
    w.ImageBG.Width = c.W;
    w.ImageBG.Height = c.H;
    w.LayoutClockPreview();
    EXPECT_EQ(w.ImageH.Left - w.ImageBG.Left, c.dx) << c.W << "x" << c.H;
    EXPECT_EQ(w.ImageM.Top, w.ImageBG.Top) << c.W << "x" << c.H;
    EXPECT_EQ(w.ImageS.Width, c.handW) << c.W << "x" << c.H;
    EXPECT_EQ(w.PreviewHandCenterX, c.centre) << c.W << "x" << c.H;
  }
  // Frame with a margin; elliptical hands take the background rectangle.
  w.ImageBG.Width = 200;
  w.ImageBG.Height = 100;
  w.SpinEditFG->setValue(10);
  EXPECT_EQ(w.FrameMargin, 10);
  EXPECT_EQ(w.ImageFG.Width, 120);
  EXPECT_EQ(w.ImageFG.Left, w.ImageBG.Left + 50 - 10);
  w.CheckBoxPP3->click();
  EXPECT_EQ(w.ImageH.Width, 200);
  EXPECT_EQ(w.ImageH.Height, 100);
  EXPECT_EQ(w.ImageMJ2.Width, 200);
}

TEST(PreviewTick, StillPictureShowsTheDemonstrationTime) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  w.RestartPreview(true);
  w.CheckBoxTime->click();
  w.Timer1Timer();
  EXPECT_EQ(w.PreviewTime.Hour, 10);
  EXPECT_EQ(w.PreviewTime.Minute, 10);
  EXPECT_EQ(w.PreviewTime.Second, 35);
  EXPECT_EQ(double(w.LastMinutePosition), 10.0);
  // "10:10:35" in the small white glyphs.
  const imaging::Bitmap expected = maker::DrawDigitalText(w.DigitGlyphs, 0, "10:10:35");
  ASSERT_EQ(w.ImageTime.Picture.Width(), 40);
  for (int x = 0; x < 40; ++x)
    for (int y = 0; y < 8; ++y) ASSERT_EQ(w.ImageTime.Picture.PixelColour(x, y), expected.PixelColour(x, y));
}

TEST(PreviewTick, MinuteHandMovesInTenthsAndTheDateOnlyWhenTheDayChanges) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  w.CheckBoxDate->click();
  f.now = {2026, 12, 10, 10, 10, 5, 0};
  w.Timer1Timer();
  EXPECT_EQ(double(w.LastMinutePosition), 10.0);
  EXPECT_EQ(w.LastDrawnDay, 10);
  f.now.Second = 6;
  w.Timer1Timer();
  EXPECT_NEAR(double(w.LastMinutePosition), 10.1, 1e-12);
  EXPECT_EQ(w.LastDrawnSecond, 6);
  // The date is drawn again only after the marker was reset.
  w.ImageDate.Picture = imaging::Bitmap();
  f.now.Second = 7;
  w.Timer1Timer();
  EXPECT_TRUE(w.ImageDate.Picture.Empty());
  w.CheckBoxDate->click();
  w.CheckBoxDate->click();
  f.now.Second = 8;
  w.Timer1Timer();
  EXPECT_EQ(w.ImageDate.Picture.Width(), 12);
}

TEST(PreviewHands, OutlineRule) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  struct Case {
    imaging::Colour hand, second, outline, ground;
  } cases[] = {{0x0000FF, 0xFF0000, 0x000000, 0xFFFFFF},
               {0x000000, 0xFF0000, 0xFFFFFF, 0x000000},
               {0x000000, 0xFFFFFF, 0x00FFFF, 0x000000},
               {0x010101, 0xFF0000, 0x000000, 0xFFFFFF}};
  for (const auto& c : cases) {
    uint32_t answer = c.hand;
    f.dialogAnswers.push_back([answer](platform::DialogRequest& r) {
      *r.colour = answer;
      return true;
    });
    w.SpeedButton1Click();
    answer = c.second;
    f.dialogAnswers.push_back([answer](platform::DialogRequest& r) {
      *r.colour = answer;
      return true;
    });
    w.SpeedButton2Click();
    EXPECT_EQ(w.HandOutlineColor, c.outline) << std::hex << c.hand << " " << c.second;
    EXPECT_EQ(w.HandBackgroundColor, c.ground) << std::hex << c.hand << " " << c.second;
  }
  // Cancelling changes nothing.
  f.CancelDialog();
  w.SpeedButton1Click();
  EXPECT_EQ(w.PanelCol1->Color(), 0x010101u);
}

// Pixels of one colour in a picture.
int Count(const imaging::Bitmap& b, imaging::Colour c) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += b.PixelColour(x, y) == c;
  return n;
}

TEST(PreviewHands, DrawsTheChosenSetScaledByTheSlider) {
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"), kHands);
  maker::TFormMain& w = f.Open();
  w.RestartPreview(true);
  w.LastMinutePosition = 99;
  w.LastDrawnSecond = 99;
  w.Timer1Timer();
  const int redAt16 = Count(w.ImageH.Picture, 0x0000FF);
  EXPECT_GT(redAt16, 0);
  EXPECT_GT(Count(w.ImageS.Picture, 0xFF0000), 0);
  w.TrackBar1->setValue(5);
  EXPECT_DOUBLE_EQ(w.HandLengthFactor, 0.25);
  w.LastMinutePosition = 99;
  w.Timer1Timer();
  EXPECT_LT(Count(w.ImageH.Picture, 0x0000FF), redAt16 / 4);
}

TEST(PreviewHands, ListCellShowsSetRowPlusOne) {
  MakerFixture f;
  makertest::WriteText(f.Prog("Hands.dat"), kHands);
  maker::TFormMain& w = f.Open();
  ASSERT_EQ(w.StringGridHand->RowCount(), 2);
  w.StringGridHand->SetRow(1);
  w.StringGridHand->Repaint();
  const imaging::Bitmap& c = w.StringGridHand->CanvasBitmap();
  const imaging::Rect r0 = w.StringGridHand->CellRect(0, 0), r1 = w.StringGridHand->CellRect(0, 1);
  // Row 1 shows set 2, which has no hour hand: its middle line has only the disc.
  auto redIn = [&](const imaging::Rect& r, int y0, int y1) {
    int n = 0;
    for (int y = r.Top + y0; y < r.Top + y1; ++y)
      for (int x = r.Left + 60; x < r.Right - 2; ++x) n += c.PixelColour(x, y) == 0x0000FF;
    return n;
  };
  EXPECT_GT(redIn(r0, 26, 38), 0);   // set 1's hour hand
  EXPECT_EQ(redIn(r1, 26, 38), 0);   // set 2 has none
  EXPECT_GT(redIn(r1, 10, 22), 0);   // but a minute hand
  // The current row is outlined in red.
  EXPECT_EQ(c.PixelColour(r1.Left, r1.Top + 30), 0x0000FFu);
  // The preview draws set (row + 1) = 2: no hour hand.
  EXPECT_EQ(Count(w.ImageH.Picture, 0x0000FF), 0);
  EXPECT_GT(Count(w.ImageM.Picture, 0x0000FF), 0);
}

TEST(PreviewHands, CentreDiscKeepsItsSizeWhateverTheLength) {
  MakerFixture f;
  maker::TFormMain& w = f.Open();
  w.HandSets.Hour.push_back({});
  w.HandSets.Minute.push_back({});
  w.HandSets.Second.push_back({});
  w.HandSets.CenterSize.push_back(0.25);
  imaging::Bitmap a = makertest::Solid(101, 101, 0xFFFFFF), b = a;
  w.PreviewCenterDisc(a.GetCanvas(), 50, 50, 40, 40, 1);
  w.TrackBar1->setValue(5);
  w.PreviewCenterDisc(b.GetCanvas(), 50, 50, 40, 40, 1);
  EXPECT_EQ(Count(a, 0xFF0000), Count(b, 0xFF0000));
  // Radius Round(40 * 0.25) = 10: the box (40, 40)-(60, 60), its outline black.
  EXPECT_EQ(a.PixelColour(50 + 8, 50), 0xFF0000u);
  EXPECT_EQ(a.PixelColour(50 + 9, 50), 0x000000u);
  EXPECT_EQ(a.PixelColour(50 + 11, 50), 0xFFFFFFu);
}

TEST(PreviewTab, SwitchingTabsAppliesTheSizeLimitAndStartsOrStopsThePreview) {
  MakerFixture f;
  f.WriteBmp(f.root + "/big.bmp", makertest::Solid(300, 200, 0x00FF00));
  f.WriteBmp(f.root + "/ok.bmp", makertest::Solid(256, 256, 0x00FF00));
  maker::TFormMain& w = f.Open();
  w.LoadPictureFile(f.root + "/big.bmp");
  w.PageControl2->SelectTab(1);
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "300 x 200, 画像サイズが大きすぎます");
  EXPECT_TRUE(w.ImageBG.Picture.Empty());
  EXPECT_EQ(w.ImageBG.Width, 128);
  EXPECT_TRUE(w.Timer1->isActive());
  EXPECT_TRUE(w.PopupMenuAttached());
  w.PageControl2->SelectTab(0);
  EXPECT_FALSE(w.Timer1->isActive());
  EXPECT_FALSE(w.PopupMenuAttached());
  w.LoadPictureFile(f.root + "/ok.bmp");
  w.PageControl2->SelectTab(1);
  EXPECT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(w.ImageBG.Width, 256);
  EXPECT_FALSE(w.ImageBG.Picture.Empty());
  EXPECT_TRUE(w.Timer1->isActive());
}

}  // namespace

// The preview draws every vertex of a hand's outline, in each of the 600
// minute positions and at the slider's length factor.
TEST(PreviewHands, EveryVertexIsDrawn) {
  MakerFixture f;
  // A thin hand, whose lines end at the vertices at shallow angles.
  makertest::WriteText(f.Prog("Hands.dat"),
                       "[Hand0X]\r\nCP=0.1\r\nH0=0,0.5\r\nH1=3.1416,0.1\r\n"
                       "M0=0,0.85\r\nM1=1.5708,0.03\r\nM2=3.1416,0.1\r\nM3=4.7124,0.03\r\nS0=0,1\r\nS1=3.1416,0.2\r\n");
  maker::TFormMain& w = f.Open();
  ASSERT_EQ(w.HandSets.LastIndex(), 1);
  const engine::HandPolygon& hand = w.HandSets.Minute[1];  // slot 1: the first imported set
  ASSERT_EQ(hand.size(), 4u);
  const int c = 100;
  int missed = 0;
  for (int tenth = 0; tenth < 600; ++tenth) {
    const long double phi = engine::MinuteAngle(tenth / 10.0);
    imaging::Bitmap b(2 * c + 1, 2 * c + 1);
    b.GetCanvas().brush.Color = w.HandBackgroundColor;
    b.GetCanvas().FillRect({0, 0, b.Width(), b.Height()});
    w.PreviewMinuteHand(b.GetCanvas(), c, c, c, c, 1, double(phi));
    for (const auto& p : hand) {
      const auto q = engine::PolarToScreen(p, (long double)double(phi), c, c, c, c, (long double)w.HandLengthFactor);
      missed += b.PixelColour(q.X, q.Y) != w.HandOutlineColor;
    }
  }
  EXPECT_EQ(missed, 0);
}
