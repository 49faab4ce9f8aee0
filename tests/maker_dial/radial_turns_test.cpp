// The radial numerals compute only the pixels of their turns that lie near
// each label. These tests hold them to the plain method that turns the whole
// pictures with imaging::RotateBitmapFree: the pixels must be the same.
#include <gtest/gtest.h>

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstring>

#include "imaging/bitmap_ops.h"
#include "imaging/free_turn.h"
#include "maker/dial/key_colour.h"
#include "maker/dial/maker_math.h"
#include "maker/dial/numerals.h"

using imaging::Bitmap;
using imaging::Colour;
using imaging::FreeTurn;
using namespace maker;

namespace {

constexpr Colour kWhite = 0x00FFFFFF, kBlack = 0;

Bitmap Filled(int w, int h, Colour c) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixelColour(x, y, c);
  return b;
}

Bitmap Gradient(int w, int h) {
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixelColour(x, y, imaging::RGB(uint8_t(x * 7), uint8_t(255 - y * 3), uint8_t(x + y)));
  return b;
}

// Labels as the numeral renders draw them: the mapped family, the pixel
// height, no font smoothing, top-left corner of the text cell at (x, y).
QFont Font(const platform::FontChoice& f) {
  QFont q(QStringLiteral("IPAPGothic"));
  q.setPixelSize(-f.Height);
  q.setBold(f.Bold);
  q.setStyleStrategy(QFont::NoAntialias);
  return q;
}

void Text(Bitmap& b, const QFont& font, Colour c, int x, int y, const std::string& text) {
  if (text.empty()) return;
  QImage view = b.AsQImage();
  QPainter p(&view);
  p.setFont(font);
  p.setPen(QColor(imaging::RedOf(c), imaging::GreenOf(c), imaging::BlueOf(c)));
  p.drawText(QPoint(x, y + QFontMetrics(font).ascent()), QString::fromStdString(text));
}

Bitmap Block(const Bitmap& b, int x0, int y0, int W, int H, Colour outside) {
  Bitmap out = Filled(W, H, outside);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x)
      if (x + x0 >= 0 && y + y0 >= 0 && x + x0 < b.Width() && y + y0 < b.Height())
        out.SetPixelColour(x, y, b.PixelColour(x + x0, y + y0));
  return out;
}

bool White(const Bitmap& b, int x, int y) {
  return x >= 0 && y >= 0 && x < b.Width() && y < b.Height() && b.PixelColour(x, y) == kWhite;
}

// The radial render with every turn done whole: guide, label picture and
// label mask turned to twelve o'clock, the label drawn, label picture and
// mask turned back, cut to the numeral picture, masked and laid on it.
Bitmap WholeTurnRadial(const NumeralRenderInput& in) {
  const int W = in.ImageWidth, H = in.ImageHeight;
  const NumeralInsets d = NumeralEllipseInsets(W, H);
  const std::vector<std::string> custom = SplitCustomNumerals(in.CustomText);
  const Colour back = NumeralBackColour(in.Font.Color);
  const Colour ink = in.Font.Color & 0xFF000000 ? kBlack : in.Font.Color;
  const QFont font = Font(in.Font);
  const QFontMetrics fm(font);
  const bool loaded = in.WorkPicture && !in.WorkPicture->Empty();
  Bitmap B = Filled(W, H, back);
  Bitmap T = Filled(W, H, kBlack);
  {
    imaging::Canvas& c = T.GetCanvas();
    c.pen.Color = kWhite;
    c.brush.Color = kBlack;
    c.Ellipse(imaging::Rect{std::max(d.dx, 1), std::max(d.dy, 1), W - d.dx, H - d.dy});
  }
  // Flood fill from (0, 0) up to the white outline, four neighbours.
  std::vector<std::pair<int, int>> todo{{0, 0}};
  while (!todo.empty()) {
    const auto [x, y] = todo.back();
    todo.pop_back();
    if (x < 0 || y < 0 || x >= W || y >= H || White(T, x, y)) continue;
    T.SetPixelColour(x, y, kWhite);
    todo.insert(todo.end(), {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}});
  }
  const int r0 = std::min((W - d.dx) - std::max(d.dx, 1), (H - d.dy) - std::max(d.dy, 1)) / 2;
  const Colour fill = loaded ? in.WorkPicture->PixelColour(0, 0) : back;
  for (int k = 1; k <= 12; ++k) {
    Bitmap G = T;
    Bitmap L = loaded ? *in.WorkPicture : Filled(in.BackgroundWidth, in.BackgroundHeight, back);
    Bitmap Mk = Filled(L.Width(), L.Height(), kWhite);
    const std::string text = NumeralLabel(in.Style, k, custom);
    const QString q = QString::fromStdString(text);
    const int hw = fm.horizontalAdvance(q) / 2, hh = fm.height() / 2;
    imaging::RotateBitmapFree(G, kWhite, float(360 - 30 * k));
    imaging::RotateBitmapFree(L, fill, float(360 - 30 * k));
    imaging::RotateBitmapFree(Mk, kWhite, float(360 - 30 * k));
    const int cxg = RoundHalfAway(G.Width() / 2.0L), cyg = RoundHalfAway(G.Height() / 2.0L);
    int r = r0;
    while (r <= cyg && !White(G, cxg, cyg - r)) ++r;
    const int cx = RoundHalfAway(L.Width() / 2.0L), cy = RoundHalfAway(L.Height() / 2.0L);
    Text(L, font, ink, cx - hw, cy - r - hh, text);
    Text(Mk, font, kBlack, cx - hw, cy - r - hh, text);
    imaging::RotateBitmapFree(L, fill, float(30 * k));
    imaging::RotateBitmapFree(Mk, kWhite, float(30 * k));
    if (L.Width() > W) {
      const int x0 = RoundHalfAway((L.Width() - W) / 2.0L), y0 = RoundHalfAway((L.Height() - H) / 2.0L);
      L = Block(L, x0, y0, W, H, fill);
      Mk = Block(Mk, x0, y0, W, H, kWhite);
    } else if (L.Height() > H) {
      const int y0 = RoundHalfAway((L.Height() - H) / 2.0L);
      L = Block(L, 0, y0, L.Width(), H, fill);
      Mk = Block(Mk, 0, y0, Mk.Width(), H, kWhite);
    }
    MakeKeyMask(Mk, kWhite);
    ApplyKeyMask(L, Mk, back);
    CompositeTransparent(B, L);
  }
  if (loaded) Rekey(B, fill);
  return B;
}

int Differences(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  int n = 0;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) n += a.PixelColour(x, y) != b.PixelColour(x, y);
  return n;
}

}  // namespace

// Every result pixel that samples the picture inside a rectangle lies in the
// result rectangle that ResultRectOf gives for it.
TEST(FreeTurn, ResultRectHoldsEveryPixelThatSamplesTheRectangle) {
  struct Case {
    int w, h;
    float angle, left, top, right, bottom;
  } cases[] = {{60, 40, 330, 10, 5, 20, 12},    {60, 40, 30, 0, 0, 59, 39},   {50, 50, 90, -1, -1, 3, 3},
               {50, 50, 180, 40, 40, 50, 50},  {80, 30, 240, 30, 10, 31, 11}, {64, 64, 0, 7, 9, 8, 10},
               {64, 64, 360, 20, 20, 40, 21}, {33, 77, 120, 5, 60, 30, 76}};
  for (const auto& c : cases) {
    const FreeTurn turn(c.w, c.h, c.angle);
    const imaging::Rect r = turn.ResultRectOf(c.left, c.top, c.right, c.bottom);
    int inside = 0;
    for (int y = 0; y < turn.ResultHeight(); ++y)
      for (int x = 0; x < turn.ResultWidth(); ++x) {
        float sx, sy;
        turn.Source(x, y, sx, sy);
        if (sx < c.left || sx > c.right || sy < c.top || sy > c.bottom) continue;
        ++inside;
        EXPECT_TRUE(x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom)
            << c.angle << ": " << x << "," << y << " outside " << r.Left << "," << r.Top << "-" << r.Right << ","
            << r.Bottom;
      }
    EXPECT_GT(inside, 0) << c.angle;
  }
}

// Square and wide pictures, with and without a work picture, label pictures
// narrower than, wider than and only taller than the numeral picture, a white
// font, empty labels and labels large enough to reach the picture's corners.
TEST(RadialNumerals, SameAsTurningTheWholePictures) {
  const Bitmap square = Gradient(96, 96), wide = Gradient(160, 120), tall = Gradient(150, 150);
  Bitmap keyed = Gradient(96, 96);
  keyed.SetPixelColour(0, 0, kBlack);
  struct Case {
    const char* what;
    NumeralStyle style;
    int w, h, bgW, bgH;
    const Bitmap* work;
    int height;
    Colour colour;
    bool bold;
    const char* custom;
  } cases[] = {
      {"arabic, nothing loaded", NumeralStyle::ArabicRadial, 128, 128, 128, 128, nullptr, -12, clWindowText, false, ""},
      {"roman, wide", NumeralStyle::RomanRadial, 200, 120, 200, 120, nullptr, -14, 0x000000FF, true, ""},
      {"kanji over a picture", NumeralStyle::KanjiRadial, 96, 96, 96, 96, &keyed, -13, kBlack, false, ""},
      {"white font over a picture", NumeralStyle::ArabicRadial, 96, 96, 96, 96, &square, -16, kWhite, true, ""},
      {"label picture smaller, with empty labels", NumeralStyle::CustomRadial, 168, 168, 128, 128, nullptr, -12,
       0x00808080, false, "12,1,,W"},
      {"label picture wider", NumeralStyle::ArabicRadial, 100, 100, 100, 100, &wide, -20, 0x00FF0000, false, ""},
      {"label picture only taller", NumeralStyle::RomanRadial, 200, 100, 200, 100, &tall, -12, kBlack, false, ""},
      {"labels reaching the corners", NumeralStyle::CustomRadial, 48, 48, 48, 48, nullptr, -40, kBlack, true,
       "WWWWWW"},
  };
  for (const auto& c : cases) {
    NumeralRenderInput in;
    in.Style = c.style;
    in.ImageWidth = c.w;
    in.ImageHeight = c.h;
    in.BackgroundWidth = c.bgW;
    in.BackgroundHeight = c.bgH;
    in.WorkPicture = c.work;
    in.Font.Height = c.height;
    in.Font.Color = c.colour;
    in.Font.Bold = c.bold;
    in.CustomText = c.custom;
    Bitmap image;
    ASSERT_TRUE(RenderNumeralsRadial(in, image)) << c.what;
    const Bitmap want = WholeTurnRadial(in);
    EXPECT_EQ(Differences(image, want), 0) << c.what;
    int ink = 0;
    for (int y = 0; y < want.Height(); ++y)
      for (int x = 0; x < want.Width(); ++x) ink += want.PixelColour(x, y) != want.PixelColour(0, 0);
    EXPECT_GT(ink, 0) << c.what << ": the case draws labels";
  }
}
