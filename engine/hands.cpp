// Drawing the three hands into their images.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/clock_window.h"

namespace engine {

namespace {

// Fills the pixels of a region with one colour, byte for byte what a
// painter's solid fill leaves, without a painter for each of its rectangles.
void FillPixels(imaging::Bitmap& b, const QRegion& region, imaging::Colour c) {
  const bool wide = b.GetPixelFormat() == imaging::PixelFormat::pf32bit;
  if (!wide && b.GetPixelFormat() != imaging::PixelFormat::pf24bit) {
    b.GetCanvas().brush.Color = c;
    for (const QRect& r : region) b.GetCanvas().FillRect({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    return;
  }
  const uint8_t px[4] = {imaging::BlueOf(c), imaging::GreenOf(c), imaging::RedOf(c), 0xFF};
  if (wide) {
    uint32_t word;
    std::memcpy(&word, px, 4);
    for (const QRect& r : region)
      for (int y = r.top(); y <= r.bottom(); ++y)
        std::fill_n(reinterpret_cast<uint32_t*>(b.ScanLine(y)) + r.left(), r.width(), word);
    return;
  }
  const int step = 3;
  for (const QRect& r : region)
    for (int y = r.top(); y <= r.bottom(); ++y) {
      uint8_t* d = b.ScanLine(y) + step * size_t(r.left());
      for (int x = r.left(); x <= r.right(); ++x, d += step) std::memcpy(d, px, size_t(step));
    }
}

}  // namespace

imaging::Canvas& TImage::Canvas() {
  if (Picture.Empty()) {
    // 32 bits a pixel: Qt fills its own pixel format on the calling thread,
    // where fills of a 24-bit picture are handed to worker threads whose
    // waking costs more than the fill.
    Picture = imaging::Bitmap(Width, Height, imaging::PixelFormat::pf32bit);
    Drawn.reset();
  }
  return Picture.GetCanvas();
}

namespace {

// A region's pixels of a 32-bit picture as runs of one colour, row by row
// of its rectangles: a hand is a few runs a row. A run is two bytes, its
// length (up to 255) and its colour's place in the stamp's colours; a
// drawing of more than 256 colours is not kept (false).
bool KeepPixels(const imaging::Bitmap& b, TImage::Stamp& stamp) {
  std::vector<uint8_t>& runs = stamp.Runs;
  std::vector<uint32_t>& colours = stamp.Colours;
  for (const QRect& r : stamp.Covered)
    for (int y = r.top(); y <= r.bottom(); ++y) {
      const uint32_t* row = reinterpret_cast<const uint32_t*>(b.ScanLine(y)) + r.left();
      for (int x = 0; x < r.width();) {
        int n = 1;
        while (n < 255 && x + n < r.width() && row[x + n] == row[x]) ++n;
        auto at = std::find(colours.begin(), colours.end(), row[x]);
        if (at == colours.end()) {
          if (colours.size() == 256) return false;
          at = colours.insert(colours.end(), row[x]);
        }
        runs.push_back(uint8_t(n));
        runs.push_back(uint8_t(at - colours.begin()));
        x += n;
      }
    }
  runs.shrink_to_fit();
  colours.shrink_to_fit();
  return true;
}

void PutPixels(imaging::Bitmap& b, const TImage::Stamp& stamp) {
  const uint8_t* run = stamp.Runs.data();
  for (const QRect& r : stamp.Covered)
    for (int y = r.top(); y <= r.bottom(); ++y) {
      uint32_t* row = reinterpret_cast<uint32_t*>(b.ScanLine(y)) + r.left();
      for (int x = 0; x < r.width(); run += 2) {
        std::fill_n(row + x, run[0], stamp.Colours[run[1]]);
        x += run[0];
      }
    }
}

}  // namespace

void TFormMain::DrawHand(TImage& img, const HandPolygon& poly, long double phi, imaging::Colour fill, bool disc,
                         bool kept) {
  imaging::Canvas& c = img.Canvas();
  c.brush.Color = HandBackgroundColor;
  c.brush.Clear = false;
  // Outside what the last drawing covered, the image holds the background
  // fill already.
  const QRect whole(0, 0, img.Picture.Width(), img.Picture.Height());
  const QRegion cleared = PartialRedraw && img.Drawn ? *img.Drawn : QRegion(whole);
  FillPixels(img.Picture, cleared & whole, HandBackgroundColor);
  const int r = RoundHalfEven((long double)HandCenterX * (long double)CenterSize);
  // Everything besides the angle that the drawing's pixels depend on.
  const std::array<uint32_t, 6> style{fill, HandBackgroundColor, c.pen.Color, uint32_t(c.pen.Width),
                                      disc ? uint32_t(r) + 1 : 0, uint32_t(whole.width()) << 16 | uint32_t(whole.height())};
  kept = kept && PartialRedraw && img.Picture.GetPixelFormat() == imaging::PixelFormat::pf32bit;
  const QPoint centre(HandCenterX, HandCenterY);
  if (!kept || img.StampPolygon != poly || img.StampCentre != centre) {
    std::vector<TImage::Stamp>().swap(img.Stamps);
    img.StampPolygon = kept ? poly : HandPolygon();
    img.StampCentre = centre;
  }
  auto stamp = std::find_if(img.Stamps.begin(), img.Stamps.end(),
                            [&](const TImage::Stamp& s) { return s.Phi == phi && s.Style == style; });
  if (stamp != img.Stamps.end()) {
    PutPixels(img.Picture, *stamp);
    img.Drawn = stamp->Covered;
  } else {
    std::vector<imaging::Point> pts;
    pts.reserve(poly.size());
    for (const auto& p : poly) {
      const PixelPoint q = PolarToScreen(p, phi, HandCenterX, HandCenterY, HandCenterX, HandCenterY, 1.0L);
      pts.push_back({q.X, q.Y});
    }
    c.brush.Color = fill;
    c.Batch([&] {
      // One point or none draws nothing visible as a polygon.
      if (pts.size() >= 2) c.Polygon(pts);
      if (disc) c.Ellipse({HandCenterX - r, HandCenterY - r, HandCenterX + r, HandCenterY + r});
    });
    img.Drawn = HandBounds(pts, disc) & whole;
    if (kept) {
      // A minute of whole seconds fits; past that the oldest goes.
      constexpr size_t kStamps = 60;
      TImage::Stamp s{phi, style, *img.Drawn, {}, {}};
      if (KeepPixels(img.Picture, s)) {
        if (img.Stamps.size() < kStamps) {
          img.Stamps.push_back(std::move(s));
        } else {
          img.Stamps[img.NextStamp] = std::move(s);
          img.NextStamp = (img.NextStamp + 1) % kStamps;
        }
      }
    }
  }
  // The window changes where the old and the new hand lie.
  InvalidateRegion(cleared.translated(img.Left, img.Top));
  InvalidateRegion(img.Drawn->translated(img.Left, img.Top));
}

// What a hand drawing covers, with a margin for the pen: in bands of rows,
// the columns that the outline's edges reach within the band (a polygon's
// row lies between its edges), and the centre disc.
QRegion TFormMain::HandBounds(const std::vector<imaging::Point>& pts, bool disc) const {
  constexpr int kMargin = 2, kBand = 8;
  QRegion region;
  if (!pts.empty()) {
    int top = pts[0].Y, bottom = pts[0].Y;
    for (const auto& p : pts) {
      top = std::min(top, p.Y);
      bottom = std::max(bottom, p.Y);
    }
    top -= kMargin;
    bottom += kMargin;
    for (int y0 = top; y0 <= bottom; y0 += kBand) {
      const int y1 = std::min(y0 + kBand - 1, bottom);
      // The band's rows widened by the margin, so that a pen pixel beside
      // an edge that leaves the band is inside too.
      const double lo = y0 - kMargin, hi = y1 + kMargin;
      double left = 1e18, right = -1e18;
      for (size_t i = 0; i < pts.size(); ++i) {
        const imaging::Point& a = pts[i];
        const imaging::Point& b = pts[(i + 1) % pts.size()];
        if (std::max(a.Y, b.Y) < lo || std::min(a.Y, b.Y) > hi) continue;
        if (a.Y == b.Y) {
          left = std::min({left, double(a.X), double(b.X)});
          right = std::max({right, double(a.X), double(b.X)});
          continue;
        }
        for (const double y : {std::clamp<double>(a.Y, lo, hi), std::clamp<double>(b.Y, lo, hi)}) {
          const double x = a.X + (b.X - a.X) * (y - a.Y) / double(b.Y - a.Y);
          left = std::min(left, x);
          right = std::max(right, x);
        }
      }
      if (left > right) continue;
      const int l = int(std::floor(left)) - kMargin, r = int(std::ceil(right)) + kMargin;
      region += QRect(l, y0, r - l + 1, y1 - y0 + 1);
    }
  }
  if (disc) {
    const int r = RoundHalfEven((long double)HandCenterX * (long double)CenterSize);
    region += QRect(HandCenterX - r - kMargin, HandCenterY - r - kMargin, 2 * (r + kMargin) + 1, 2 * (r + kMargin) + 1);
  }
  return region;
}

void TFormMain::DrawHourHand(double h) { DrawHand(ImageH, HourPolygon, HourAngle(h), HandColor, false); }

void TFormMain::DrawMinuteHand(double q) { DrawHand(ImageM, MinutePolygon, MinuteAngle(q), HandColor, false); }

void TFormMain::DrawSecondHand(double s, bool kept) {
  DrawHand(ImageS, SecondPolygon, SecondAngle(s), SecondHandColor, true, kept);
}

}  // namespace engine
