#include "maker/dial/numerals.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <cmath>

using imaging::Bitmap;
using imaging::Colour;
using namespace maker;

namespace {

constexpr Colour kWhite = 0x00FFFFFF, kBlack = 0;

std::vector<std::string> Repeat(std::vector<std::string> head, const std::string& rest) {
  while (head.size() < 12) head.push_back(rest);
  return head;
}

struct Box {
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
  double cx() const { return (left + right) / 2.0; }
  double cy() const { return (top + bottom) / 2.0; }
};

// Bounding box of the pixels that differ from `ground` within radius `r` of (x, y).
Box InkNear(const Bitmap& b, double x, double y, double r, Colour ground) {
  Box box;
  for (int py = 0; py < b.Height(); ++py)
    for (int px = 0; px < b.Width(); ++px) {
      if (std::hypot(px - x, py - y) > r || b.PixelColour(px, py) == ground) continue;
      box.left = std::min(box.left, px);
      box.right = std::max(box.right, px);
      box.top = std::min(box.top, py);
      box.bottom = std::max(box.bottom, py);
      ++box.count;
    }
  return box;
}

Bitmap Solid(int w, int h, Colour c) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixelColour(x, y, c);
  return b;
}

NumeralRenderInput Input(NumeralStyle s, int w, int h) {
  NumeralRenderInput in;
  in.Style = s;
  in.ImageWidth = w;
  in.ImageHeight = h;
  in.BackgroundWidth = w;
  in.BackgroundHeight = h;
  return in;
}

}  // namespace

TEST(CustomNumerals, SplitAtCommasTheRestRepeats) {
  struct Case {
    std::string text;
    std::vector<std::string> want;
  } cases[] = {
      {"|", Repeat({}, "|")},
      {"12,1,2", Repeat({"12", "1"}, "2")},
      {"1,2,3,4,5,6,7,8,9,10,11,12,13,14", {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"}},
      {"a,,b", Repeat({"a", ""}, "b")},
      {"", Repeat({}, "")},
      {"十二,一", Repeat({"十二"}, "一")},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCustomNumerals(c.text), c.want) << c.text;
}

TEST(NumeralLabels, Tables) {
  const std::vector<std::string> custom = SplitCustomNumerals("x,y");
  EXPECT_EQ(NumeralLabel(NumeralStyle::ArabicUpright, 10, custom), "10");
  EXPECT_EQ(NumeralLabel(NumeralStyle::ArabicRadial, 12, custom), "12");
  EXPECT_EQ(NumeralLabel(NumeralStyle::RomanUpright, 4, custom), "IV");
  EXPECT_EQ(NumeralLabel(NumeralStyle::RomanRadial, 9, custom), "IX");
  EXPECT_EQ(NumeralLabel(NumeralStyle::RomanUpright, 8, custom), "VIII");
  EXPECT_EQ(NumeralLabel(NumeralStyle::KanjiUpright, 11, custom), "十一");
  EXPECT_EQ(NumeralLabel(NumeralStyle::KanjiRadial, 4, custom), "四");
  EXPECT_EQ(NumeralLabel(NumeralStyle::CustomRadial, 1, custom), "x");
  EXPECT_EQ(NumeralLabel(NumeralStyle::CustomRadial, 12, custom), "y");
}

TEST(NumeralLabels, BackColourAndInsets) {
  EXPECT_EQ(NumeralBackColour(kWhite), kBlack);
  EXPECT_EQ(NumeralBackColour(0x00FEFFFF), kWhite);
  EXPECT_EQ(NumeralBackColour(kBlack), kWhite);
  EXPECT_EQ(NumeralBackColour(clWindowText), kWhite) << "a system colour is not white";
  EXPECT_EQ(DefaultNumeralFont().Color, clWindowText);
  EXPECT_EQ(DefaultNumeralFont().Height, -12);

  struct Case {
    int w, h, dx, dy;
  } cases[] = {{128, 128, 10, 10}, {300, 200, 24, 16}, {25, 50, 2, 4}, {1, 1, 0, 0}};
  // 25 * 0.08f is just under 2 and 50 * 0.08f just under 4.
  for (const auto& c : cases) {
    const NumeralInsets d = NumeralEllipseInsets(c.w, c.h);
    EXPECT_EQ(d.dx, c.dx) << c.w;
    EXPECT_EQ(d.dy, c.dy) << c.h;
  }
}

TEST(Numerals, EachRenderDrawsOnlyItsOwnStyles) {
  Bitmap image = Solid(3, 3, 0x00123456);
  EXPECT_FALSE(RenderNumeralsUpright(Input(NumeralStyle::None, 64, 64), image));
  EXPECT_FALSE(RenderNumeralsRadial(Input(NumeralStyle::None, 64, 64), image));
  EXPECT_FALSE(RenderNumeralsUpright(Input(NumeralStyle::ArabicRadial, 64, 64), image));
  EXPECT_FALSE(RenderNumeralsRadial(Input(NumeralStyle::KanjiUpright, 64, 64), image));
  EXPECT_EQ(image.Width(), 3) << "kept what it showed";

  RenderNumerals(Input(NumeralStyle::RomanUpright, 64, 48), image);
  EXPECT_EQ(image.Width(), 64);
  EXPECT_EQ(image.Height(), 48);
  RenderNumerals(Input(NumeralStyle::CustomRadial, 40, 40), image);
  EXPECT_EQ(image.Width(), 40) << "switching styles replaces the picture";
  NumeralStyleChanged(Input(NumeralStyle::None, 40, 40), image);
  EXPECT_TRUE(image.Empty()) << "none empties the numeral image";
}

// Every label is centred where its hour's ray from the centre meets the
// ellipse inset by 8 % (radius 54 on a 128 x 128 picture), upright and
// radial, on a wide picture too. Radial labels may lie a little further out:
// the turned guide's outline is blended, and the search takes the first pixel
// that stayed pure white.
TEST(Numerals, LabelsSitWhereTheHoursBelong) {
  const struct {
    NumeralStyle style;
    int w, h;
  } cases[] = {{NumeralStyle::ArabicUpright, 128, 128}, {NumeralStyle::ArabicRadial, 128, 128},
               {NumeralStyle::KanjiUpright, 128, 128},  {NumeralStyle::RomanRadial, 128, 128},
               {NumeralStyle::ArabicUpright, 200, 120}, {NumeralStyle::ArabicRadial, 200, 120},
               {NumeralStyle::CustomRadial, 128, 128}};  // the default "|": a tick at every hour
  for (const auto& c : cases) {
    NumeralRenderInput in = Input(c.style, c.w, c.h);
    Bitmap image;
    RenderNumerals(in, image);
    ASSERT_EQ(image.Width(), c.w);
    EXPECT_EQ(image.PixelColour(0, 0), kWhite) << "no picture: the back colour is the key";
    const NumeralInsets d = NumeralEllipseInsets(c.w, c.h);
    const double rx = c.w / 2.0 - d.dx, ry = c.h / 2.0 - d.dy;
    for (int k = 1; k <= 12; ++k) {
      // Where the ray from the centre towards hour k meets the ellipse.
      const double a = (90 - 30 * k) * M_PI / 180;
      const double t = 1 / std::hypot(std::cos(a) / rx, std::sin(a) / ry);
      const double x = c.w / 2.0 + t * std::cos(a), y = c.h / 2.0 - t * std::sin(a);
      const Box box = InkNear(image, x, y, 12, kWhite);
      ASSERT_GT(box.count, 0) << "style " << int(c.style) << " hour " << k;
      EXPECT_NEAR(box.cx(), x, 3.5) << "style " << int(c.style) << " hour " << k;
      EXPECT_NEAR(box.cy(), y, 3.5) << "style " << int(c.style) << " hour " << k;
    }
  }
}

TEST(Numerals, RadialLabelsPointAwayFromTheCentre) {
  // "T": its bar is the top of the label, so it lies on the outer side.
  NumeralRenderInput in = Input(NumeralStyle::CustomRadial, 160, 160);
  in.CustomText = "T";
  in.Font.Height = -20;
  Bitmap image;
  RenderNumerals(in, image);
  auto widestRow = [&](const Box& b) {
    int best = b.top, most = -1;
    for (int y = b.top; y <= b.bottom; ++y) {
      int n = 0;
      for (int x = b.left; x <= b.right; ++x) n += image.PixelColour(x, y) != kWhite;
      if (n > most) most = n, best = y;
    }
    return best;
  };
  const Box twelve = InkNear(image, 80, 80 - 67, 14, kWhite);
  const Box six = InkNear(image, 80, 80 + 67, 14, kWhite);
  ASSERT_GT(twelve.count, 0);
  ASSERT_GT(six.count, 0);
  EXPECT_LE(widestRow(twelve), twelve.top + 1);
  EXPECT_GE(widestRow(six), six.bottom - 1);
}

TEST(Numerals, WhiteFontHasABlackGround) {
  for (NumeralStyle s : {NumeralStyle::ArabicUpright, NumeralStyle::ArabicRadial}) {
    NumeralRenderInput in = Input(s, 96, 96);
    in.Font.Color = kWhite;
    Bitmap image;
    RenderNumerals(in, image);
    EXPECT_EQ(image.PixelColour(0, 0), kBlack);
    EXPECT_EQ(image.PixelColour(48, 48), kBlack);
    EXPECT_GT(InkNear(image, 48, 10, 10, kBlack).count, 0);
  }
}

TEST(Numerals, ALoadedPictureGivesItsKeyAndLabelsOfThatColourStayVisible) {
  // Work picture keyed black, labels black: the labels must be nudged off
  // the key, not vanish into it.
  Bitmap work = Solid(96, 96, 0x00336699);
  work.SetPixelColour(0, 0, kBlack);
  for (NumeralStyle s : {NumeralStyle::RomanUpright, NumeralStyle::RomanRadial}) {
    NumeralRenderInput in = Input(s, 96, 96);
    in.Font.Color = kBlack;
    in.WorkPicture = &work;
    Bitmap image;
    RenderNumerals(in, image);
    EXPECT_EQ(image.PixelColour(0, 0), kBlack);
    EXPECT_EQ(image.PixelColour(48, 48), kBlack) << "the ground is the picture's key";
    const Box twelve = InkNear(image, 48, 8, 8, kBlack);
    EXPECT_GT(twelve.count, 3) << int(s);
  }
}

TEST(Numerals, RadialLabelPicturesHaveTheBackgroundsSize) {
  // With a large margin the label pictures (the background's 128 x 128)
  // do not reach the ellipse near twelve, three, six and nine o'clock: those
  // labels are cut off, while the diagonal hours, whose pictures grow most
  // in the turns, stay.
  NumeralRenderInput in = Input(NumeralStyle::ArabicRadial, 168, 168);
  in.BackgroundWidth = in.BackgroundHeight = 128;
  Bitmap image;
  RenderNumerals(in, image);
  EXPECT_EQ(InkNear(image, 84, 12, 10, kWhite).count, 0) << "twelve o'clock cut off";
  const double r = 84 - 13;
  const double x2 = 84 + r * std::cos(30 * M_PI / 180), y2 = 84 - r * std::sin(30 * M_PI / 180);
  EXPECT_GT(InkNear(image, x2, y2, 12, kWhite).count, 0) << "two o'clock stays";

  in.BackgroundWidth = in.BackgroundHeight = 168;
  RenderNumerals(in, image);
  EXPECT_GT(InkNear(image, 84, 12, 10, kWhite).count, 0);
}

TEST(Numerals, EmptyCustomLabelsDrawNothing) {
  NumeralRenderInput in = Input(NumeralStyle::CustomRadial, 128, 128);
  in.CustomText = ",,";  // every label empty
  Bitmap image;
  RenderNumerals(in, image);
  ASSERT_EQ(image.Width(), 128);
  EXPECT_EQ(InkNear(image, 64, 64, 200, kWhite).count, 0);
}

// On a 128 x 128 picture the ellipse box is (10, 10, 118, 118): the ray of
// twelve o'clock meets its outline at (64, 10), that of three o'clock at
// (117, 64), six o'clock at (64, 117) and nine o'clock at (10, 64): on a
// square picture 3 and 9 sit on the centre row, 12 and 6 on the centre
// column. The upright label's cell is centred there with RoundHalfAway of
// the half extents.
TEST(Numerals, UprightLabelCellCentredOnTheOutline) {
  NumeralRenderInput in = Input(NumeralStyle::ArabicUpright, 128, 128);
  Bitmap image;
  RenderNumerals(in, image);

  QFont font(QStringLiteral("IPAPGothic"));
  font.setPixelSize(12);
  font.setStyleStrategy(QFont::NoAntialias);
  const QFontMetrics fm(font);
  QImage ref(128, 128, QImage::Format_RGB32);
  ref.fill(Qt::white);
  {
    QPainter p(&ref);
    p.setFont(font);
    p.setPen(Qt::black);
    const struct {
      const char* text;
      int x, y;
    } labels[] = {{"12", 64, 10}, {"3", 117, 64}, {"6", 64, 117}, {"9", 10, 64}};
    for (const auto& l : labels) {
      const int tw = fm.horizontalAdvance(QString::fromLatin1(l.text)), th = fm.height();
      const int left = l.x - int(std::floor(tw / 2.0 + 0.5)), top = l.y - int(std::floor(th / 2.0 + 0.5));
      p.drawText(QPoint(left, top + fm.ascent()), QString::fromLatin1(l.text));
    }
  }
  int compared = 0;
  for (int y = 0; y < 128; ++y)
    for (int x = 0; x < 128; ++x) {
      const bool nearLabel = std::hypot(x - 64, y - 10) < 12 || std::hypot(x - 117, y - 64) < 12 ||
                             std::hypot(x - 64, y - 117) < 12 || std::hypot(x - 10, y - 64) < 12;
      if (!nearLabel) continue;
      const QRgb r = ref.pixel(x, y);
      EXPECT_EQ(image.PixelColour(x, y), imaging::RGB(uint8_t(qRed(r)), uint8_t(qGreen(r)), uint8_t(qBlue(r))))
          << x << "," << y;
      compared += r != qRgb(255, 255, 255);
    }
  EXPECT_GT(compared, 10);
}

// The radial "12" of a 128 x 128 picture with nothing loaded, in the default
// 12-pixel font, where its cell is 15 x 13: turned by 0 degrees the guide is
// 129 x 129 (a white column and row added), its centre (65, 65), and the
// outline straight up lies at row 10, so r = 55. The label picture, turned
// to 129 x 129 as well, gets the label's cell at (65 - 15 div 2, 65 - 55 -
// 13 div 2) = (58, 4); turned back by 360 degrees it is 130 x 130 and is cut
// to 128 x 128 from (1, 1), which puts the cell at (57, 3). Upright, the
// same label starts at (64 - 8, 10 - 7) = (56, 3) (halves rounded away).
TEST(Numerals, TwelveOClockLabelCellRadialAndUpright) {
  QFont font(QStringLiteral("IPAPGothic"));
  font.setPixelSize(12);
  font.setStyleStrategy(QFont::NoAntialias);
  const QFontMetrics fm(font);
  ASSERT_EQ(fm.horizontalAdvance(QStringLiteral("12")), 15) << "the font this test is worked out for";
  ASSERT_EQ(fm.height(), 13);
  const struct {
    NumeralStyle style;
    int left, top;
  } cases[] = {{NumeralStyle::ArabicRadial, 57, 3}, {NumeralStyle::ArabicUpright, 56, 3}};
  for (const auto& c : cases) {
    Bitmap image;
    RenderNumerals(Input(c.style, 128, 128), image);
    QImage ref(128, 128, QImage::Format_RGB32);
    ref.fill(Qt::white);
    {
      QPainter p(&ref);
      p.setFont(font);
      p.setPen(Qt::black);
      p.drawText(QPoint(c.left, c.top + fm.ascent()), QStringLiteral("12"));
    }
    int ink = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 50; x < 78; ++x) {
        const QRgb r = ref.pixel(x, y);
        ink += r != qRgb(255, 255, 255);
        EXPECT_EQ(image.PixelColour(x, y), imaging::RGB(uint8_t(qRed(r)), uint8_t(qGreen(r)), uint8_t(qBlue(r))))
            << int(c.style) << " at " << x << "," << y;
      }
    EXPECT_GT(ink, 10);
  }
}
