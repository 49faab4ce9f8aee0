// Hand plotting of the designer and the geometry of its edit view: every hand
// is drawn pointing right (base angle 0) about a fixed centre, and a point is
// moved by two sliders that stand for its pixel position in the edit view.
#pragma once

#include <vector>

#include "engine/hand_model.h"
#include "imaging/bitmap.h"

namespace designer {

constexpr imaging::Colour kHandFill = imaging::RGB(255, 0, 0);    // hour and minute hands
constexpr imaging::Colour kSecondFill = imaging::RGB(0, 0, 255);  // second hand and centre disc

// Centre and radius of the overview and the edit view (both 256 x 128).
constexpr int EditCenterX = 80;
constexpr int EditCenterY = 64;
constexpr int EditRadius = 166;

// The screen vertices of a hand: its points, then for a symmetrical hand the
// points n-1 down to 1 with the angle negated.
std::vector<imaging::Point> HandVertices(const engine::HandPolygon& polygon, bool symmetrical, int cx, int cy,
                                         int rx, int ry);

// Draws the hand as one closed polygon (nothing with fewer than two vertices).
void PlotHand(imaging::Canvas& canvas, const engine::HandPolygon& polygon, bool symmetrical, int cx, int cy, int rx,
              int ry, imaging::Colour fill, imaging::Colour line);

// The centre disc: radii Round(rx * size) and Round(ry * size).
void PlotDisc(imaging::Canvas& canvas, double centerSize, int cx, int cy, int rx, int ry, imaging::Colour line);

// The point the sliders stand for: angle in four decimals (between -pi/2 and
// 3 pi/2), length in three.
engine::HandPoint PointFromSliders(int x, int y);

// The slider positions of a point in the edit view.
imaging::Point SlidersFromPoint(const engine::HandPoint& p);

}  // namespace designer
