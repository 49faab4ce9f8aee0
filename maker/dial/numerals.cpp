#include "maker/dial/numerals.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <utility>

#include "imaging/bitmap_ops.h"
#include "imaging/free_turn.h"
#include "maker/dial/key_colour.h"
#include "maker/dial/maker_math.h"

namespace maker {

using imaging::Bitmap;
using imaging::Colour;
using imaging::FreeTurn;
using imaging::PixelFormat;

namespace {

constexpr Colour kWhite = 0x00FFFFFF, kBlack = 0;
constexpr long double kPi = 3.141592653589793238462643383279502884L;

const char* const kRoman[12] = {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI", "XII"};
const char* const kKanji[12] = {"一", "二", "三", "四", "五", "六", "七", "八", "九", "十", "十一", "十二"};

bool IsUpright(NumeralStyle s) {
  return s == NumeralStyle::ArabicUpright || s == NumeralStyle::RomanUpright || s == NumeralStyle::KanjiUpright;
}
bool IsRadial(NumeralStyle s) {
  return s == NumeralStyle::ArabicRadial || s == NumeralStyle::RomanRadial || s == NumeralStyle::KanjiRadial ||
         s == NumeralStyle::CustomRadial;
}

void Fill(Bitmap& b, Colour c) {
  const uint8_t px[3] = {imaging::BlueOf(c), imaging::GreenOf(c), imaging::RedOf(c)};
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x, p += 3) std::memcpy(p, px, 3);
  }
}

Bitmap Filled(int w, int h, Colour c) {
  Bitmap b(w, h, PixelFormat::pf24bit);
  Fill(b, c);
  return b;
}

bool IsWhiteAt(const Bitmap& b, int x, int y) {
  if (x < 0 || y < 0 || x >= b.Width() || y >= b.Height()) return false;  // outside: no colour at all
  const uint8_t* p = b.ScanLine(y) + 3 * size_t(x);
  return p[0] == 255 && p[1] == 255 && p[2] == 255;
}

// Paints white every pixel reachable from (x, y) through edge neighbours
// without crossing a white pixel.
void FloodFillWhite(Bitmap& b, int x, int y) {
  std::vector<std::pair<int, int>> todo{{x, y}};
  while (!todo.empty()) {
    auto [px, py] = todo.back();
    todo.pop_back();
    if (px < 0 || py < 0 || px >= b.Width() || py >= b.Height() || IsWhiteAt(b, px, py)) continue;
    // Run to the left and right along the row, then seed the rows above and below.
    int l = px, r = px;
    while (l > 0 && !IsWhiteAt(b, l - 1, py)) --l;
    while (r + 1 < b.Width() && !IsWhiteAt(b, r + 1, py)) ++r;
    std::memset(b.ScanLine(py) + 3 * size_t(l), 255, 3 * size_t(r - l + 1));
    for (int ny : {py - 1, py + 1}) {
      if (ny < 0 || ny >= b.Height()) continue;
      for (int i = l; i <= r; ++i)
        if (!IsWhiteAt(b, i, ny) && (i == l || IsWhiteAt(b, i - 1, ny))) todo.push_back({i, ny});
    }
  }
}

// The Windows UI fonts the numeral font starts with are not on Linux; they
// map to the installed Japanese P-Gothic.
QString FontFamily(const std::string& name) {
  if (name.empty() || name == "MS UI Gothic" || name == "ＭＳ Ｐゴシック" || name == "ＭＳ ゴシック")
    return QStringLiteral("IPAPGothic");
  return QString::fromStdString(name);
}

// A label font: a negative height is the character height in pixels, a
// positive one the cell height (ascent plus descent), 0 the point size.
// Labels are drawn without font smoothing, like all text of the kit's canvas,
// so that upright labels over a picture get no fringe of the ground colour.
QFont LabelFont(const platform::FontChoice& f) {
  QFont q(FontFamily(f.Name));
  q.setBold(f.Bold);
  q.setItalic(f.Italic);
  q.setUnderline(f.Underline);
  q.setStrikeOut(f.StrikeOut);
  q.setStyleStrategy(QFont::NoAntialias);
  if (f.Height < 0) {
    q.setPixelSize(-f.Height);
  } else if (f.Height > 0) {
    q.setPixelSize(f.Height);
    const int cell = QFontMetrics(q).height();
    if (cell > 0 && cell != f.Height) q.setPixelSize(std::max(1, int(std::lround(double(f.Height) * f.Height / cell))));
  } else {
    q.setPixelSize(std::max(1, int(std::lround(f.Size * 96.0 / 72.0))));
  }
  return q;
}

// A system colour value (top byte set, such as the window-text colour) is
// drawn black, the colour text windows show by default.
Colour LabelColour(Colour c) { return (c & 0xFF000000) ? kBlack : (c & 0x00FFFFFF); }

struct TextSize {
  int w = 0, h = 0;
};

TextSize MeasureText(const QFont& font, const std::string& text) {
  const QFontMetrics fm(font);
  return {int(fm.horizontalAdvance(QString::fromStdString(text))), int(fm.height())};
}

// Draws text with its top-left corner at (x, y), no background box; clipped
// to the picture.
void DrawText(Bitmap& b, const QFont& font, Colour colour, int x, int y, const std::string& text) {
  if (text.empty() || b.Empty()) return;
  QImage view = b.AsQImage();
  QPainter p(&view);
  p.setFont(font);
  p.setPen(QColor(imaging::RedOf(colour), imaging::GreenOf(colour), imaging::BlueOf(colour)));
  p.drawText(QPoint(x, y + QFontMetrics(font).ascent()), QString::fromStdString(text));
}

Bitmap Copy24(const Bitmap& src) {
  Bitmap b(src);
  if (b.GetPixelFormat() != PixelFormat::pf24bit) b.SetPixelFormat(PixelFormat::pf24bit);
  return b;
}

// The W x H block of b whose top-left corner is (x0, y0), unscaled; parts of
// the block outside b take the colour outside.
Bitmap Block(const Bitmap& b, int x0, int y0, int W, int H, Colour outside) {
  Bitmap out = Filled(W, H, outside);
  const int xa = std::max(0, -x0), xb = std::min(W, b.Width() - x0);
  const int ya = std::max(0, -y0), yb = std::min(H, b.Height() - y0);
  for (int y = ya; y < yb && xb > xa; ++y)
    std::memcpy(out.ScanLine(y) + 3 * size_t(xa), b.ScanLine(y + y0) + 3 * size_t(xa + x0), 3 * size_t(xb - xa));
  return out;
}

}  // namespace

platform::FontChoice DefaultNumeralFont() {
  platform::FontChoice f;
  f.Name = "MS UI Gothic";
  f.Height = -12;
  f.Size = 9;
  f.Color = clWindowText;
  return f;
}

platform::FontChoice NumeralFontAsDrawn(const platform::FontChoice& font) {
  platform::FontChoice drawn = font;
  drawn.Name = FontFamily(font.Name).toStdString();
  drawn.Color = LabelColour(font.Color);
  return drawn;
}

Colour NumeralBackColour(Colour fontColour) { return fontColour == kWhite ? kBlack : kWhite; }

std::vector<std::string> SplitCustomNumerals(const std::string& text) {
  std::vector<std::string> labels;
  std::string t = text;
  for (int i = 1; i <= 12; ++i) {
    const size_t p = t.find(',');
    if (p != std::string::npos) {
      labels.push_back(t.substr(0, p));
      t = t.substr(p + 1);
    } else {
      labels.push_back(t);
    }
  }
  return labels;
}

std::string NumeralLabel(NumeralStyle style, int k, const std::vector<std::string>& custom) {
  if (k < 1 || k > 12) return std::string();
  switch (style) {
    case NumeralStyle::RomanUpright:
    case NumeralStyle::RomanRadial: return kRoman[k - 1];
    case NumeralStyle::KanjiUpright:
    case NumeralStyle::KanjiRadial: return kKanji[k - 1];
    case NumeralStyle::CustomRadial: return size_t(k - 1) < custom.size() ? custom[size_t(k - 1)] : std::string();
    default: return std::to_string(k);
  }
}

NumeralInsets NumeralEllipseInsets(int32_t W, int32_t H) {
  const long double f = 0.08f;  // held as a 32-bit float
  return {RoundHalfAway(static_cast<long double>(W) * f), RoundHalfAway(static_cast<long double>(H) * f)};
}

bool RenderNumeralsUpright(const NumeralRenderInput& in, Bitmap& image) {
  if (!IsUpright(in.Style)) return false;
  const int W = in.ImageWidth, H = in.ImageHeight;
  if (W <= 0 || H <= 0) {
    image = Bitmap();
    return true;
  }
  const NumeralInsets d = NumeralEllipseInsets(W, H);

  // The ellipse of the label centres as a white outline, white outside and
  // black inside, to find where each hour's ray meets it.
  Bitmap B = Filled(W, H, kBlack);
  {
    imaging::Canvas& c = B.GetCanvas();
    c.pen.Color = kWhite;
    c.pen.Width = 1;
    c.brush.Color = kBlack;
    c.brush.Clear = false;
    c.Ellipse(imaging::Rect{d.dx, d.dy, W - d.dx, H - d.dy});
  }
  FloodFillWhite(B, 0, 0);
  FloodFillWhite(B, 0, H - 1);
  FloodFillWhite(B, W - 1, 0);
  FloodFillWhite(B, W - 1, H - 1);

  const int32_t cx = RoundHalfAway(W / 2.0L), cy = RoundHalfAway(H / 2.0L);
  const int32_t rmax = RoundHalfAway(std::max(W, H) / 2.0L);
  imaging::Point at[13];
  for (int k = 1; k <= 12; ++k) {
    int a = 90 - 30 * k;
    if (a < 0) a += 360;
    const long double rad = a * kPi / 180;
    const long double ca = std::cos(rad), sa = -std::sin(rad);
    at[k] = {cx, cy};
    for (int r = 1; r <= rmax; ++r) {
      const int x = cx + int(std::nearbyint(ca * r)), y = cy + int(std::nearbyint(sa * r));
      if (IsWhiteAt(B, x, y)) {
        at[k] = {x, y};
        break;
      }
    }
  }

  const Colour back = NumeralBackColour(in.Font.Color);
  Fill(B, back);
  const QFont font = LabelFont(in.Font);
  const Colour ink = LabelColour(in.Font.Color);
  const std::vector<std::string> none;
  for (int k = 1; k <= 12; ++k) {
    const std::string text = NumeralLabel(in.Style, k, none);
    const TextSize ts = MeasureText(font, text);
    DrawText(B, font, ink, at[k].X - RoundHalfAway(ts.w / 2.0L), at[k].Y - RoundHalfAway(ts.h / 2.0L), text);
  }
  if (in.WorkPicture && !in.WorkPicture->Empty()) Rekey(B, in.WorkPicture->PixelColour(0, 0) & 0x00FFFFFF);
  image = std::move(B);
  return true;
}

bool RenderNumeralsRadial(const NumeralRenderInput& in, Bitmap& image) {
  if (!IsRadial(in.Style)) return false;
  const int W = in.ImageWidth, H = in.ImageHeight;
  if (W <= 0 || H <= 0) {
    image = Bitmap();
    return true;
  }
  const NumeralInsets d = NumeralEllipseInsets(W, H);
  const std::vector<std::string> custom =
      in.Style == NumeralStyle::CustomRadial ? SplitCustomNumerals(in.CustomText) : std::vector<std::string>();
  const Colour back = NumeralBackColour(in.Font.Color);
  const Colour ink = LabelColour(in.Font.Color);
  const QFont font = LabelFont(in.Font);
  const bool loaded = in.WorkPicture && !in.WorkPicture->Empty();

  // Guide: the ellipse's outline and outside white, its inside black. Each
  // hour reads the turned guide along one column for the distance from the
  // centre up to the outline; the distances are found first and the guide
  // let go before the numeral picture is made, so that the two full-size
  // pictures are never held at once.
  const int left = std::max(d.dx, 1), top = std::max(d.dy, 1);
  const int r0 = std::min((W - d.dx) - left, (H - d.dy) - top) / 2;
  int reach[13] = {};
  {
    // Drawn as PadForTurn would give it (a white border round it), in place.
    Bitmap guide = Filled(W + 2, H + 2, kBlack);
    {
      imaging::Canvas& c = guide.GetCanvas();
      c.pen.Color = kWhite;
      c.pen.Width = 1;
      c.brush.Color = kBlack;
      c.brush.Clear = false;
      c.Ellipse(imaging::Rect{left + 1, top + 1, W - d.dx + 1, H - d.dy + 1});
      for (int y : {0, H + 1}) std::memset(guide.ScanLine(y), 255, 3 * size_t(W + 2));
      for (int y = 1; y <= H; ++y) {
        std::memset(guide.ScanLine(y), 255, 3);
        std::memset(guide.ScanLine(y) + 3 * size_t(W + 1), 255, 3);
      }
    }
    FloodFillWhite(guide, 1, 1);
    for (int k = 1; k <= 12; ++k) {
      // The guide turned with fill white, read along one column.
      const FreeTurn guideTurn(W, H, float(360 - 30 * k));
      const int cxg = RoundHalfAway(guideTurn.ResultWidth() / 2.0L);
      const int cyg = RoundHalfAway(guideTurn.ResultHeight() / 2.0L);
      auto guideWhite = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= guideTurn.ResultWidth() || y >= guideTurn.ResultHeight()) return false;
        uint8_t p[3] = {255, 255, 255};  // the fill
        guideTurn.Pixel(guide, x, y, p);
        return p[0] == 255 && p[1] == 255 && p[2] == 255;
      };
      int r = r0;
      while (r <= cyg && !guideWhite(cxg, cyg - r)) ++r;
      reach[k] = r;
    }
  }

  Bitmap B = Filled(W, H, back);

  // The work picture at 24 bits (a copy only when it has another format).
  const Bitmap workCopy =
      loaded && in.WorkPicture->GetPixelFormat() != PixelFormat::pf24bit ? Copy24(*in.WorkPicture) : Bitmap();
  const Bitmap* work = !loaded ? nullptr : workCopy.Empty() ? in.WorkPicture : &workCopy;
  const Colour fill = loaded ? (work->PixelColour(0, 0) & 0x00FFFFFF) : back;
  const int lw = loaded ? work->Width() : std::max(1, in.BackgroundWidth);
  const int lh = loaded ? work->Height() : std::max(1, in.BackgroundHeight);

  // Each hour turns the guide and the label picture so that the hour stands
  // at twelve o'clock, draws the label there and turns the label picture
  // back. Only the pixels near the label survive the label mask, so only
  // those pixels of the turns are computed (FreeTurn gives exactly the whole
  // turn's pixels). The guide and the label's ground are the same for every
  // hour and are prepared once.
  const Bitmap plainGround = loaded ? Bitmap() : Filled(lw, lh, back);
  const Bitmap& ground = loaded ? *work : plainGround;

  for (int k = 1; k <= 12; ++k) {
    const std::string text = NumeralLabel(in.Style, k, custom);
    const TextSize ts = MeasureText(font, text);
    const int hw = ts.w / 2, hh = ts.h / 2;
    const float there = float(360 - 30 * k);

    // Distance from the centre straight up to the turned ellipse's outline.
    const int r = reach[k];

    // The label mask turned: white throughout (a blend of white with the
    // white fill), with the label drawn in black. Only a block round the
    // label is drawn; the block grows until the label's pixels stay clear of
    // every edge of it that is not an edge of the picture.
    const FreeTurn turnThere(lw, lh, there);
    const int tw1 = turnThere.ResultWidth(), th1 = turnThere.ResultHeight();
    const int cx = RoundHalfAway(tw1 / 2.0L), cy = RoundHalfAway(th1 / 2.0L);
    const int tx = cx - hw, ty = cy - r - hh;  // the label's top-left corner
    int bl = tw1, bt = th1, br = -1, bb = -1;   // the label's pixels
    for (int pad = std::max(8, ts.h);; pad *= 2) {
      const int x0 = std::max(0, tx - pad), y0 = std::max(0, ty - pad);
      const int x1 = std::min(tw1, tx + ts.w + pad), y1 = std::min(th1, ty + ts.h + pad);
      bl = tw1, bt = th1, br = -1, bb = -1;
      if (x1 <= x0 || y1 <= y0) break;
      Bitmap block = Filled(x1 - x0, y1 - y0, kWhite);
      DrawText(block, font, kBlack, tx - x0, ty - y0, text);
      for (int y = 0; y < block.Height(); ++y) {
        const uint8_t* p = block.ScanLine(y);
        for (int x = 0; x < block.Width(); ++x, p += 3)
          if (p[0] != 255 || p[1] != 255 || p[2] != 255) {
            bl = std::min(bl, x0 + x), br = std::max(br, x0 + x);
            bt = std::min(bt, y0 + y), bb = std::max(bb, y0 + y);
          }
      }
      const bool whole = x0 == 0 && y0 == 0 && x1 == tw1 && y1 == th1;
      if (br < 0 || whole ||
          ((x0 == 0 || bl > x0 + 1) && (y0 == 0 || bt > y0 + 1) && (x1 == tw1 || br < x1 - 2) &&
           (y1 == th1 || bb < y1 - 2)))
        break;
    }
    // No label pixel: the label picture would be the back colour throughout
    // and the composite would leave B as it is.
    if (br < 0) continue;

    // The part of the padded label picture and label mask that the turn back
    // reads: one pixel round the label (the padding where that lies outside
    // the picture). The label picture there is the ground turned, the label
    // drawn over it.
    const int pl = bl - 1, pt = bt - 1;  // picture pixel at the part's (0, 0)
    const int pw = br - bl + 3, ph = bb - bt + 3;
    Bitmap L1 = Filled(pw, ph, fill), Mk1 = Filled(pw, ph, kWhite);
    {
      // Where those pixels sample the ground, and the block of the ground
      // (with its one-pixel border of fill) that holds the samples.
      struct At {
        int x, y;
        float sx, sy;
      };
      std::vector<At> at;
      int gx0 = lw, gy0 = lh, gx1 = -1, gy1 = -1;
      for (int y = 0; y < ph; ++y)
        for (int x = 0; x < pw; ++x) {
          float sx, sy;
          if (pl + x < 0 || pt + y < 0 || pl + x >= tw1 || pt + y >= th1 || !turnThere.Source(pl + x, pt + y, sx, sy))
            continue;
          at.push_back({x, y, sx, sy});
          const int fx = int(std::floor(sx)), fy = int(std::floor(sy));
          gx0 = std::min(gx0, fx), gx1 = std::max(gx1, fx + 1);
          gy0 = std::min(gy0, fy), gy1 = std::max(gy1, fy + 1);
        }
      if (!at.empty()) {
        const Bitmap part = Block(ground, gx0, gy0, gx1 - gx0 + 1, gy1 - gy0 + 1, fill);
        for (const At& a : at) turnThere.Sample(part, a.sx, a.sy, L1.ScanLine(a.y) + 3 * size_t(a.x), gx0 + 1, gy0 + 1);
      }
    }
    DrawText(L1, font, ink, tx - pl, ty - pt, text);
    DrawText(Mk1, font, kBlack, tx - pl, ty - pt, text);
    const uint8_t fillPx[3] = {imaging::BlueOf(fill), imaging::GreenOf(fill), imaging::RedOf(fill)};
    for (int y = 0; y < ph; ++y)
      for (int x = 0; x < pw; ++x)
        if (pl + x < 0 || pt + y < 0 || pl + x >= tw1 || pt + y >= th1) {
          std::memcpy(L1.ScanLine(y) + 3 * size_t(x), fillPx, 3);
          std::memset(Mk1.ScanLine(y) + 3 * size_t(x), 255, 3);
        }

    // And back: the label returns to hour k's place, its top pointing out.
    // A result pixel whose four source pixels all lie off the label keeps a
    // pure white mask, so the label picture there becomes the back colour
    // whatever it held; only the others are computed, and of those only the
    // ones whose mask is not pure white keep their label picture pixel.
    const FreeTurn turnBack(tw1, th1, float(30 * k));
    const int RW = turnBack.ResultWidth(), RH = turnBack.ResultHeight();
    // A label picture wider than the numeral picture is cut down to it,
    // centred. One that is only taller is cut down to its height, so that
    // the composite never grows the numeral picture or moves the labels
    // already on it.
    int cutX = 0, cutY = 0, Lw = RW, Lh = RH;
    if (RW > W) {
      cutX = RoundHalfAway((RW - W) / 2.0L), cutY = RoundHalfAway((RH - H) / 2.0L);
      Lw = W, Lh = H;
    } else if (RH > H) {
      cutY = RoundHalfAway((RH - H) / 2.0L);
      Lh = H;
    }
    // The label picture, centred on B, shows the back colour except at these
    // pixels (B's coordinates).
    struct Kept {
      int x, y;
      uint8_t px[3];
    };
    std::vector<Kept> kept;
    const int left = (W - Lw) / 2, top = (H - Lh) / 2;
    bool cornerKept = false;  // the label picture's pixel (0, 0) is one of them
    uint8_t corner[3] = {0, 0, 0};
    const imaging::Rect near = turnBack.ResultRectOf(float(bl - 1), float(bt - 1), float(br + 1), float(bb + 1));
    for (int y = near.Top; y < near.Bottom; ++y)
      for (int x = near.Left; x < near.Right; ++x) {
        float sx, sy;
        if (!turnBack.Source(x, y, sx, sy)) continue;
        const float fx = std::floor(sx), fy = std::floor(sy);
        if (fx < float(bl - 1) || fx > float(br) || fy < float(bt - 1) || fy > float(bb)) continue;
        const int lx = x - cutX, ly = y - cutY;
        if (lx < 0 || ly < 0 || lx >= Lw || ly >= Lh) continue;
        uint8_t m[3] = {255, 255, 255};
        turnBack.Sample(Mk1, sx, sy, m, pl + 1, pt + 1);
        if (m[0] == 255 && m[1] == 255 && m[2] == 255) continue;
        Kept e{left + lx, top + ly, {0, 0, 0}};
        std::memcpy(e.px, fillPx, 3);
        turnBack.Sample(L1, sx, sy, e.px, pl + 1, pt + 1);
        if (lx == 0 && ly == 0) {
          cornerKept = true;
          std::memcpy(corner, e.px, 3);
        }
        kept.push_back(e);
      }

    // Laid over B with its pixel (0, 0) colour transparent: the border round
    // a smaller label picture and every pixel of that colour leave B alone.
    const uint8_t backPx[3] = {imaging::BlueOf(back), imaging::GreenOf(back), imaging::RedOf(back)};
    const uint8_t* key = cornerKept ? corner : backPx;
    auto isKey = [key](const uint8_t* p) { return p[0] == key[0] && p[1] == key[1] && p[2] == key[2]; };
    if (!isKey(backPx)) {
      // The back colour is not the transparent one: the whole label picture
      // paints B, the back colour wherever it keeps no pixel of its own.
      std::vector<std::array<uint8_t, 3>> under;
      for (const Kept& e : kept) {
        const uint8_t* b = B.ScanLine(e.y) + 3 * size_t(e.x);
        under.push_back({b[0], b[1], b[2]});
      }
      for (int y = top; y < top + Lh; ++y) {
        uint8_t* b = B.ScanLine(y) + 3 * size_t(left);
        for (int x = 0; x < Lw; ++x, b += 3) std::memcpy(b, backPx, 3);
      }
      for (size_t i = 0; i < kept.size(); ++i)
        std::memcpy(B.ScanLine(kept[i].y) + 3 * size_t(kept[i].x), isKey(kept[i].px) ? under[i].data() : kept[i].px,
                    3);
    } else {
      for (const Kept& e : kept)
        if (!isKey(e.px)) std::memcpy(B.ScanLine(e.y) + 3 * size_t(e.x), e.px, 3);
    }
  }
  if (loaded) Rekey(B, fill);
  image = std::move(B);
  return true;
}

void RenderNumerals(const NumeralRenderInput& in, Bitmap& image) {
  RenderNumeralsUpright(in, image);
  RenderNumeralsRadial(in, image);
}

void NumeralStyleChanged(const NumeralRenderInput& in, Bitmap& image) {
  if (in.Style == NumeralStyle::None) {
    image = Bitmap();
    return;
  }
  RenderNumerals(in, image);
}

}  // namespace maker
