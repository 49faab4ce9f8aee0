// Drawing the three hands into their images.
#include "engine/clock_window.h"

namespace engine {

imaging::Canvas& TImage::Canvas() {
  if (Picture.Empty()) {
    Picture = imaging::Bitmap(Width, Height, imaging::PixelFormat::pf24bit);
    Drawn.reset();
  }
  return Picture.GetCanvas();
}

void TFormMain::DrawHand(TImage& img, const HandPolygon& poly, long double phi, imaging::Colour fill, bool disc) {
  std::vector<imaging::Point> pts;
  pts.reserve(poly.size());
  for (const auto& p : poly) {
    const PixelPoint q = PolarToScreen(p, phi, HandCenterX, HandCenterY, HandCenterX, HandCenterY, 1.0L);
    pts.push_back({q.X, q.Y});
  }
  imaging::Canvas& c = img.Canvas();
  c.brush.Color = HandBackgroundColor;
  c.brush.Clear = false;
  // Outside what the last drawing covered, the image holds the background
  // fill already.
  const QRect whole(0, 0, img.Picture.Width(), img.Picture.Height());
  const QRect cleared = PartialRedraw && img.Drawn ? *img.Drawn : whole;
  if (!cleared.isEmpty()) c.FillRect({cleared.left(), cleared.top(), cleared.right() + 1, cleared.bottom() + 1});
  c.brush.Color = fill;
  // One point or none draws nothing visible as a polygon.
  if (pts.size() >= 2) c.Polygon(pts);
  if (disc) {
    const int r = RoundHalfEven((long double)HandCenterX * (long double)CenterSize);
    c.Ellipse({HandCenterX - r, HandCenterY - r, HandCenterX + r, HandCenterY + r});
  }
  img.Drawn = HandBounds(pts, disc) & whole;
  // The window changes where the old and the new hand lie.
  InvalidateRegion((QRegion(cleared) + QRegion(*img.Drawn)).translated(img.Left, img.Top));
}

// What a hand drawing covers: its vertices, and the centre disc, with a
// margin for the pen.
QRect TFormMain::HandBounds(const std::vector<imaging::Point>& pts, bool disc) const {
  QRect b;
  for (const auto& p : pts) b |= QRect(p.X, p.Y, 1, 1);
  if (disc) {
    const int r = RoundHalfEven((long double)HandCenterX * (long double)CenterSize);
    b |= QRect(HandCenterX - r, HandCenterY - r, 2 * r + 1, 2 * r + 1);
  }
  return b.isEmpty() ? b : b.adjusted(-2, -2, 2, 2);
}

void TFormMain::DrawHourHand(double h) { DrawHand(ImageH, HourPolygon, HourAngle(h), HandColor, false); }

void TFormMain::DrawMinuteHand(double q) { DrawHand(ImageM, MinutePolygon, MinuteAngle(q), HandColor, false); }

void TFormMain::DrawSecondHand(double s) { DrawHand(ImageS, SecondPolygon, SecondAngle(s), SecondHandColor, true); }

}  // namespace engine
