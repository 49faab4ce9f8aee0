#include "engine/hand_model.h"

#include <cmath>

namespace engine {

const long double kPi = 3.14159265358979323846264338327950288L;

int RoundHalfEven(long double v) {
  constexpr long double kLimit = 16777216.0L;
  if (std::isnan(v)) return 0;
  if (v > kLimit) return int(kLimit);
  if (v < -kLimit) return -int(kLimit);
  return int(std::nearbyintl(v));
}

PixelPoint PolarToScreen(const HandPoint& p, long double phi, int cx, int cy, int rx, int ry, long double s) {
  const long double a = phi + (long double)p.Angle;
  const long double x = std::cos(a) * (long double)rx * (long double)p.Length * s;
  const long double y = -std::sin(a) * (long double)ry * (long double)p.Length * s;
  return {cx + RoundHalfEven(x), cy + RoundHalfEven(y)};
}

HandPolygon ExpandSymmetrical(const HandPolygon& half, MirrorForm form) {
  HandPolygon out = half;
  for (size_t i = half.size(); i-- > 1;) {
    HandPoint p = half[i];
    p.Angle = form == MirrorForm::Negate ? -p.Angle : double(2.0L * kPi - (long double)p.Angle);
    out.push_back(p);
  }
  return out;
}

int Hour12(int hour) { return hour > 12 ? hour - 12 : hour; }

long double MinutePosition(int minute, int second) {
  return (long double)minute + std::trunc((long double)second / 60.0L * 10.0L) / 10.0L;
}

long double HourAngle(double h) {
  const double d = 15.0 - h;
  return (long double)d / 6.0L * kPi;
}

long double MinuteAngle(double q) { return (75.0L - (long double)q) / 30.0L * kPi; }

long double SecondAngle(double s) { return (75.0L - (long double)s) / 30.0L * kPi; }

HandColours DeriveHandColours(uint32_t hand, uint32_t second) {
  HandColours c;
  if (hand != 0 && second != 0)
    c.Outline = 0;
  else if (hand == 0x00FFFFFF || second == 0x00FFFFFF)
    c.Outline = 0x0000FFFF;
  else
    c.Outline = 0x00FFFFFF;
  c.Background = c.Outline == 0 ? 0x00FFFFFF : 0;
  return c;
}

}  // namespace engine
