// Hand outlines reach every vertex the geometry gives: the tip pixel is
// drawn whatever the hand's direction.
#include <gtest/gtest.h>

#include <cmath>

#include "clock_fixture.h"

namespace {

// A clock with a 241 x 241 background (hand centre (120, 120)) and thin
// hands whose tips lie far out, where a short line end shows most.
std::unique_ptr<engine::TFormMain> ThinHandClock(fixture::ClockFixture& f) {
  const double pi = M_PI;
  f.WriteSettings(fixture::kNoSound);
  f.WriteClock(clockfile::BuildClockFile(
      fixture::FakeEngine(),
      {{"BMP", fixture::SolidBmp(241, 241, 0x00808080)},
       {"CL1", clockfile::ColourData(0x000000FF)},
       {"CL2", clockfile::ColourData(0x00FF0000)},
       {"HR", clockfile::PolygonData({{0, 0.5}, {pi / 2, 0.04}, {pi, 0.1}, {3 * pi / 2, 0.04}})},
       {"MN", clockfile::PolygonData({{0, 0.85}, {pi / 2, 0.03}, {pi, 0.1}, {3 * pi / 2, 0.03}})},
       {"SC", clockfile::PolygonData({{0, 0.9}, {pi, 0.15}})},
       {"CTR", clockfile::DoubleData(0.05)}},
      0x01));
  return f.Open();
}

// The vertices of poly at phi that the drawn image does not show in the
// outline colour.
int MissedVertices(const engine::TFormMain& w, const engine::TImage& img, const engine::HandPolygon& poly,
                   long double phi) {
  int missed = 0;
  for (const auto& p : poly) {
    const auto q = engine::PolarToScreen(p, phi, w.HandCenterX, w.HandCenterY, w.HandCenterX, w.HandCenterY);
    if (img.Picture.PixelColour(q.X, q.Y) != w.HandOutlineColor) ++missed;
  }
  return missed;
}

}  // namespace

TEST(HandOutline, EveryVertexIsDrawnInEveryHandPosition) {
  fixture::ClockFixture f;
  auto w = ThinHandClock(f);
  ASSERT_EQ(w->StartupError(), "");
  ASSERT_EQ(w->HandCenterX, 120);
  int missedMinute = 0, missedHour = 0, missedSecond = 0;
  for (int tenth = 0; tenth < 600; ++tenth) {
    const double q = tenth / 10.0;
    w->DrawMinuteHand(q);
    missedMinute += MissedVertices(*w, w->ImageM, w->MinutePolygon, engine::MinuteAngle(q));
    const double h = 4 + q / 60;
    w->DrawHourHand(h);
    missedHour += MissedVertices(*w, w->ImageH, w->HourPolygon, engine::HourAngle(h));
  }
  for (int s = 0; s < 60; ++s) {
    w->DrawSecondHand(s);
    missedSecond += MissedVertices(*w, w->ImageS, w->SecondPolygon, engine::SecondAngle(s));
  }
  EXPECT_EQ(missedMinute, 0);
  EXPECT_EQ(missedHour, 0);
  EXPECT_EQ(missedSecond, 0);
}
