#include "handdesigner/plotting.h"

#include <cmath>
#include <cstdlib>

namespace designer {

std::vector<imaging::Point> HandVertices(const engine::HandPolygon& polygon, bool symmetrical, int cx, int cy,
                                         int rx, int ry) {
  const engine::HandPolygon whole =
      symmetrical ? engine::ExpandSymmetrical(polygon, engine::MirrorForm::Negate) : polygon;
  std::vector<imaging::Point> vertices;
  vertices.reserve(whole.size());
  for (const auto& p : whole) {
    const engine::PixelPoint px = engine::PolarToScreen(p, 0.0L, cx, cy, rx, ry);
    vertices.push_back({px.X, px.Y});
  }
  return vertices;
}

void PlotHand(imaging::Canvas& canvas, const engine::HandPolygon& polygon, bool symmetrical, int cx, int cy, int rx,
              int ry, imaging::Colour fill, imaging::Colour line) {
  const auto vertices = HandVertices(polygon, symmetrical, cx, cy, rx, ry);
  if (vertices.size() < 2) return;
  canvas.pen.Color = line;
  canvas.pen.Width = 1;
  canvas.brush.Color = fill;
  canvas.brush.Clear = false;
  canvas.Polygon(vertices);
}

void PlotDisc(imaging::Canvas& canvas, double centerSize, int cx, int cy, int rx, int ry, imaging::Colour line) {
  // The rectangle from (cx - a, cy - b) to (cx + a, cy + b) is the same
  // rectangle whichever way round its corners come, so a negative size (read
  // from a file, or typed) draws the disc of its magnitude.
  const int a = std::abs(engine::RoundHalfEven((long double)rx * centerSize));
  const int b = std::abs(engine::RoundHalfEven((long double)ry * centerSize));
  canvas.pen.Color = line;
  canvas.pen.Width = 1;
  canvas.brush.Color = kSecondFill;
  canvas.brush.Clear = false;
  canvas.Ellipse({cx - a, cy - b, cx + a, cy + b});
}

engine::HandPoint PointFromSliders(int x, int y) {
  const int l = x - EditCenterX;
  const int v = EditCenterY - y;
  const long double dist = std::sqrt((long double)(l * l + v * v));
  long double angle;
  if (l != 0) {
    angle = std::nearbyint(std::atan((long double)v / (long double)l) * 10000.0L) / 10000.0L;
    if (l < 0) angle += 3.1416L;
  } else if (v > 0) {
    angle = 1.5708L;
  } else if (v < 0) {
    angle = 4.7124L;
  } else {
    angle = 0;
  }
  const long double length = std::nearbyint(dist / (long double)EditRadius * 1000.0L) / 1000.0L;
  // + 0.0 turns a negative zero into zero.
  return {double(angle) + 0.0, double(length) + 0.0};
}

imaging::Point SlidersFromPoint(const engine::HandPoint& p) {
  const long double x = std::cos((long double)p.Angle) * (long double)EditRadius * (long double)p.Length;
  const long double y = -std::sin((long double)p.Angle) * (long double)EditRadius * (long double)p.Length;
  return {engine::RoundHalfEven(x) + EditCenterX, engine::RoundHalfEven(y) + EditCenterY};
}

}  // namespace designer
