// Drawing the three hands into their images.
#include "engine/clock_window.h"

namespace engine {

imaging::Canvas& TImage::Canvas() {
  if (Picture.Empty()) Picture = imaging::Bitmap(Width, Height, imaging::PixelFormat::pf24bit);
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
  c.FillRect({0, 0, img.Width, img.Height});
  c.brush.Color = fill;
  // One point or none draws nothing visible as a polygon.
  if (pts.size() >= 2) c.Polygon(pts);
  if (disc) {
    const int r = RoundHalfEven((long double)HandCenterX * (long double)CenterSize);
    c.Ellipse({HandCenterX - r, HandCenterY - r, HandCenterX + r, HandCenterY + r});
  }
  Invalidate();
}

void TFormMain::DrawHourHand(double h) { DrawHand(ImageH, HourPolygon, HourAngle(h), HandColor, false); }

void TFormMain::DrawMinuteHand(double q) { DrawHand(ImageM, MinutePolygon, MinuteAngle(q), HandColor, false); }

void TFormMain::DrawSecondHand(double s) { DrawHand(ImageS, SecondPolygon, SecondAngle(s), SecondHandColor, true); }

}  // namespace engine
