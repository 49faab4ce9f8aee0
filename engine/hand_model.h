// Hands as polygons in polar form around the hand centre, and the geometry
// that puts them on screen. Shared by the engine, the maker and the designer.
#pragma once

#include <cstdint>
#include <vector>

namespace engine {

struct HandPoint {
  double Angle = 0;   // radians from the hand's axis, counter-clockwise
  double Length = 0;  // fraction of the hand radius
  bool operator==(const HandPoint&) const = default;
};

using HandPolygon = std::vector<HandPoint>;

struct HandSet {
  HandPolygon Hour, Minute, Second;
  double CenterSize = 0;
  bool Symmetrical = false;
};

struct PixelPoint {
  int X = 0, Y = 0;
  bool operator==(const PixelPoint&) const = default;
};

extern const long double kPi;

// Round to the nearest integer, halves to even. Values beyond the range a
// drawing can use (and NaN) are held at +-2^24 so that a damaged clock never
// converts an out-of-range real.
int RoundHalfEven(long double v);

// x = cx + Round(cos(phi + a) * rx * l * s), y = cy + Round(-sin(phi + a) * ry * l * s).
PixelPoint PolarToScreen(const HandPoint& p, long double phi, int cx, int cy, int rx, int ry, long double s = 1.0L);

// Appends points n-1 down to 1 with the angle mirrored about the hand axis:
// -Angle (designer) or 2*pi - Angle (maker).
enum class MirrorForm { Negate, TwoPiMinus };
HandPolygon ExpandSymmetrical(const HandPolygon& half, MirrorForm form);

int Hour12(int hour);
// Minute + Trunc(Second / 60 * 10) / 10: the minute hand moves in tenths.
long double MinutePosition(int minute, int second);
// Base angles: hour hand (15 - h) / 6 * pi with 15 - h stored as a double,
// minute and second hands (75 - x) / 30 * pi.
long double HourAngle(double h);
long double MinuteAngle(double q);
long double SecondAngle(double s);

struct HandColours {
  uint32_t Outline = 0;
  uint32_t Background = 0;
};
// Black outline when both colours are non-black; else yellow when either is
// white; else white. Background white for a black outline, else black.
HandColours DeriveHandColours(uint32_t handColor, uint32_t secondHandColor);

}  // namespace engine
