// The clock window as drawn at a fixed time: hand tips, digital time and the
// cream window colour where no picture covers it.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMouseEvent>
#include <QWindow>
#include <QTimer>
#include <gtest/gtest.h>

#include <cmath>

#include "clock_fixture.h"
#include "platform/layered_window.h"
#include "platform/shell.h"

namespace {

QRgb Rgb(imaging::Colour c) { return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

std::unique_ptr<engine::TFormMain> DrawnClock(fixture::ClockFixture& f) {
  imaging::Bitmap bg(200, 100);
  bg.GetCanvas().brush.Color = 0x00808080;
  bg.GetCanvas().FillRect({0, 0, 200, 100});
  bg.SetPixelColour(0, 99, 0);  // the key colour, used nowhere else
  const double pi = M_PI;
  f.WriteSettings(fixture::kNoSound);
  f.WriteClock(clockfile::BuildClockFile(
      fixture::FakeEngine(),
      {{"BMP", imaging::WriteBmp24(bg)},
       {"CL1", clockfile::ColourData(0x000000FF)},
       {"CL2", clockfile::ColourData(0x00FF0000)},
       {"HR", clockfile::PolygonData({{0, 0.5}, {pi / 2, 0.08}, {3 * pi / 2, 0.08}})},
       {"MN", clockfile::PolygonData({{0, 0.8}, {pi / 2, 0.06}, {3 * pi / 2, 0.06}})},
       {"SC", clockfile::PolygonData({{0, 0.9}, {pi / 2, 0.05}, {3 * pi / 2, 0.05}})},
       {"CTR", clockfile::DoubleData(0.1)},
       {"OST", clockfile::OffsetData(20, -20)}},
      0x01));
  auto w = f.Open();
  f.now = {2026, 12, 8, 10, 0, 15, 0};
  w->Timer1Timer();
  return w;
}

}  // namespace

TEST(ClockWindow, DrawsHandsDigitsAndTheWindowColour) {
  fixture::ClockFixture f;
  auto w = DrawnClock(f);
  ASSERT_EQ(w->StartupError(), "");
  const QImage& img = w->Frame();
  ASSERT_EQ(img.size(), QSize(200, 128));
  const QRgb cream = Rgb(engine::kWindowColour), grey = qRgb(128, 128, 128), red = qRgb(255, 0, 0),
             blue = qRgb(0, 0, 255), black = qRgb(0, 0, 0), white = qRgb(255, 255, 255);
  // The hand images: 100 x 100 at (50, 14), centre (50, 50).
  EXPECT_EQ(w->ImageS.Left, 50);
  EXPECT_EQ(w->ImageS.Top, 14);
  // The hand centre in window pixels.
  const int cx = 50 + 50, cy = 14 + 50;
  // Second hand at 15 s points to 3 o'clock: tip at (cx + 45, cy).
  EXPECT_EQ(img.pixel(cx + 12, cy), blue);
  EXPECT_EQ(img.pixel(cx + 45, cy), black);  // the outline at the tip
  EXPECT_EQ(img.pixel(cx + 47, cy), grey);
  // Minute hand near 12 (0.2 minutes), tip 40 pixels above the centre.
  EXPECT_EQ(img.pixel(cx, cy - 15), red);
  EXPECT_EQ(img.pixel(cx, cy - 42), grey);
  // Hour hand towards 10 o'clock, 12 pixels out.
  const double a = double(engine::HourAngle(10 + 0.2 / 60));
  EXPECT_EQ(img.pixel(cx + int(std::lround(std::cos(a) * 12)), cy - int(std::lround(std::sin(a) * 12))), red);
  // The centre disc in the second hand's colour.
  EXPECT_EQ(img.pixel(cx - 2, cy + 2), blue);
  // The time display at (Round(100) - 20, Round(50) + 14 + 20) = (80, 84):
  // "10:00:15" in white strokes; the glyphs' black background is left out.
  EXPECT_EQ(w->ImageTime.Left, 80);
  EXPECT_EQ(w->ImageTime.Top, 84);
  EXPECT_EQ(img.pixel(80 + 4, 84 + 1), white);
  EXPECT_EQ(img.pixel(80 + 0, 84 + 0), grey);
  // Cream where no picture covers the window, and at the key pixel.
  EXPECT_EQ(img.pixel(5, 5), cream);
  EXPECT_EQ(img.pixel(5, 120), cream);
  EXPECT_EQ(img.pixel(0, 14 + 99), cream);
  EXPECT_EQ(img.pixel(5, 20), grey);
}

TEST(ClockWindow, StillPictureShowsTenTenThirtyFive) {
  fixture::ClockFixture f;
  auto w = DrawnClock(f);
  w->Timer1->start();
  w->ToggleStillPicture();
  const QImage& img = w->Frame();
  // 35 s: the second hand points down-left of 6.
  const double a = double(engine::SecondAngle(35));
  EXPECT_EQ(img.pixel(100 + int(std::lround(std::cos(a) * 12)), 64 - int(std::lround(std::sin(a) * 12))),
            qRgb(0, 0, 255));
  EXPECT_FALSE(w->TransparentColor);
}

TEST(ClockWindow, HomePageAndAboutBox) {
  fixture::ClockFixture f;
  f.WriteSettings(fixture::kNoSound);
  f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(),
                                         {{"CPY", clockfile::Text256("(c) Maker")},
                                          {"URL", clockfile::Text256("http://clock.invalid/")}},
                                         0),
               "Kitchen.exe");
  auto w = f.Open();
  EXPECT_TRUE(w->PM_W->isVisible());
  std::string opened;
  platform::SetShellOpenHookForTest([&](const std::string& url) {
    opened = url;
    return false;
  });
  w->PM_WClick();
  platform::SetShellOpenHookForTest(nullptr);
  EXPECT_EQ(opened, "http://clock.invalid/");
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].text, "http://clock.invalid/ が開けません");
  EXPECT_EQ(f.messages[0].caption, "エラー");
  EXPECT_EQ(f.messages[0].buttons, unsigned(platform::mbAbort));
  w->PM_VClick();
  ASSERT_EQ(f.messages.size(), 2u);
  EXPECT_EQ(f.messages[1].caption, "確認");
  EXPECT_EQ(f.messages[1].text.rfind("[Kitchen]", 0), 0u);
}

// The menu draws its captions without the text shaper, which it never
// loads: they must look exactly as shaped text would, with the home page
// item shown too.
TEST(ClockWindow, MenuLooksAsWithShapedText) {
  fixture::ClockFixture f;
  f.WriteSettings(fixture::kNoSound);
  f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(), {{"URL", clockfile::Text256("http://clock.invalid/")}}, 0));
  auto w = f.Open();
  QMenu* menu = w->PopupMenu1;
  w->PM_O->setChecked(true);
  menu->setActiveAction(w->PM_N);
  menu->adjustSize();
  const QImage unshaped = menu->grab().toImage();
  QFont shaped = menu->font();
  shaped.setStyleStrategy(QFont::PreferDefault);
  menu->setFont(shaped);
  menu->adjustSize();
  const QImage reference = menu->grab().toImage();
  ASSERT_FALSE(reference.isNull());
  EXPECT_EQ(unshaped, reference);
}

// Stay on top moves the existing native window into the other band: the
// same window, at the same place, still shown.
TEST(ClockWindow, StayOnTopKeepsTheNativeWindowAndItsPlace) {
  fixture::ClockFixture f;
  f.WriteSettings(std::string(fixture::kNoSound) + "[CONFIG]\r\nLeft=120\r\nTop=90\r\n");
  f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(), {{"BMP", fixture::SolidBmp(150, 150, 0x808080)}}, 0));
  auto w = f.Open();
  w->Start();
  const WId id = w->winId();
  QWindow* native = w->windowHandle();
  ASSERT_NE(native, nullptr);
  // The window is neither hidden nor shown again, nor moved in between.
  struct Watch : QObject {
    std::vector<QEvent::Type> seen;
    bool eventFilter(QObject*, QEvent* e) override {
      const QEvent::Type t = e->type();
      if (t == QEvent::Hide || t == QEvent::Show || t == QEvent::Move || t == QEvent::WinIdChange) seen.push_back(t);
      return false;
    }
  } watch;
  w->installEventFilter(&watch);
  for (const bool on : {true, false}) {
    w->PM_TClick();
    QApplication::processEvents();
    EXPECT_TRUE(watch.seen.empty()) << watch.seen.size() << " window events, the first " << int(watch.seen[0]);
    EXPECT_EQ(w->PM_T->isChecked(), on);
    EXPECT_EQ(platform::IsTopmost(w.get()), on);
    EXPECT_EQ(native->flags().testFlag(Qt::WindowStaysOnTopHint), on);
    EXPECT_EQ(w->windowHandle(), native);
    EXPECT_EQ(w->winId(), id);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->pos(), QPoint(120, 90));
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(w->windowFlags().testFlag(Qt::FramelessWindowHint));
  }
  w->removeEventFilter(&watch);
  w->close();
  EXPECT_NE(f.ReadSettings().find("Stay_on_Top=0"), std::string::npos);
}

// Closing writes CONFIG and shows nothing, even when the write fails; the
// commands and the end of a drag still show their refused writes.
TEST(ClockWindow, RefusedWriteAtCloseIsSilentInCommandsShown) {
  fixture::ClockFixture f;
  f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(), {{"BMP", fixture::SolidBmp(150, 150, 0x808080)}}, 0));
  // The settings file is a folder: every write of it fails.
  QDir().mkpath(QString::fromStdString(f.SettingsFolder() + "/TestClock.ini"));
  auto w = f.Open();
  w->Start();
  f.messages.clear();
  w->PM_A->trigger();
  ASSERT_EQ(f.messages.size(), 1u);
  EXPECT_EQ(f.messages[0].type, platform::MsgType::Error);
  const QPoint at(20, 20), global = w->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.get(), &press);
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(w.get(), &release);
  EXPECT_EQ(f.messages.size(), 2u);
  w->close();
  EXPECT_EQ(f.messages.size(), 2u);
  EXPECT_FALSE(w->isVisible());
}
