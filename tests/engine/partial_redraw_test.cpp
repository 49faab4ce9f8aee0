// What the screen shows of a running clock that redraws only what changed is,
// at every tick, the full composition of all its images: a clock run through
// minutes of injected ticks beside one that redraws everything. Also what a
// window shows before the layout has placed anything: nothing at all.
#include <QAction>
#include <QApplication>
#include <QBitmap>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <gtest/gtest.h>

#include <cmath>

#include "clock_fixture.h"

namespace {

const QRgb kCream = qRgb(0xFF, 0xFB, 0xF0);

// The window's pixels from scratch: cream, then every visible image in
// painting order, each without the pixels of its bottom-left colour.
QImage FullComposition(engine::TFormMain& w) {
  QImage out(w.size(), QImage::Format_RGB32);
  out.fill(kCream);
  for (const engine::TImage* img : {&w.ImageBG, &w.ImageFG, &w.ImageDate, &w.ImageTime, &w.ImageH, &w.ImageM, &w.ImageS}) {
    const imaging::Bitmap& pic = img->Picture;
    if (!img->Visible || pic.Empty()) continue;
    const bool wide = pic.GetPixelFormat() == imaging::PixelFormat::pf32bit;
    EXPECT_TRUE(wide || pic.GetPixelFormat() == imaging::PixelFormat::pf24bit);
    const int step = wide ? 4 : 3;
    const int ox = img->Left + (img->Center ? (img->Width - pic.Width()) / 2 : 0);
    const int oy = img->Top + (img->Center ? (img->Height - pic.Height()) / 2 : 0);
    const QRect inside = out.rect() & QRect(img->Left, img->Top, img->Width, img->Height);
    const uint8_t* k = pic.ScanLine(pic.Height() - 1);
    for (int y = 0; y < pic.Height(); ++y) {
      const uint8_t* row = pic.ScanLine(y);
      for (int x = 0; x < pic.Width(); ++x, row += step) {
        const QPoint at(ox + x, oy + y);
        const bool key = row[0] == k[0] && row[1] == k[1] && row[2] == k[2];
        if (inside.contains(at) && !(img->Transparent && key)) out.setPixel(at, qRgb(row[2], row[1], row[0]));
      }
    }
  }
  return out;
}

// The pixels that are not cream.
QRegion NotCream(const QImage& img) {
  return QRegion(QBitmap::fromImage(img.createMaskFromColor(kCream, Qt::MaskInColor)));
}

// What the window shows on the screen.
QImage OnScreen(engine::TFormMain& w) {
  QApplication::processEvents();
  QApplication::processEvents();
  return w.windowHandle()->screen()->grabWindow(w.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// "" when a shows b wherever b is not cream (the window's key colour, which
// does not show), else where and how they first differ.
std::string FirstDifference(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return "sizes differ";
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y) && b.pixel(x, y) != kCream) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "(%d, %d): %06X, expected %06X", x, y, a.pixel(x, y) & 0xFFFFFF,
                      b.pixel(x, y) & 0xFFFFFF);
        return buf;
      }
  return "";
}

// A round grey dial on a black key, displays where the hands pass over them,
// and a wide-tipped second hand reaching past the dial into the hand image's
// corners, where it changes the hand image's key colour.
clockfile::Bytes CrossingClock() {
  imaging::Bitmap bg(160, 160);
  bg.GetCanvas().brush.Color = 0;
  bg.GetCanvas().FillRect({0, 0, 160, 160});
  bg.GetCanvas().brush.Color = 0x00708090;
  bg.GetCanvas().pen.Color = 0x00708090;
  bg.GetCanvas().Ellipse({20, 20, 140, 140});
  const double pi = M_PI;
  return clockfile::BuildClockFile(
      fixture::FakeEngine(),
      {{"BMP", imaging::WriteBmp24(bg)},
       {"CL1", clockfile::ColourData(0x000000FF)},
       {"CL2", clockfile::ColourData(0x00FF0000)},
       {"HR", clockfile::PolygonData({{0, 0.55}, {pi / 2, 0.08}, {pi, 0.1}, {3 * pi / 2, 0.08}})},
       {"MN", clockfile::PolygonData({{0, 0.95}, {pi / 2, 0.05}, {pi, 0.1}, {3 * pi / 2, 0.05}})},
       {"SC", clockfile::PolygonData({{-0.1, 1.5}, {0.1, 1.5}, {pi / 2, 0.03}, {pi, 0.2}, {3 * pi / 2, 0.03}})},
       {"CTR", clockfile::DoubleData(0.08)},
       // The time below the centre, the date across the 12 o'clock line.
       {"OST", clockfile::OffsetData(20, -12)},
       {"OSD", clockfile::OffsetData(6, 30)}},
      0x03);
}

// The crossing clock twice at one injected time: one window that redraws
// only what changed, one that redraws everything.
struct SideBySide {
  fixture::ClockFixture f;
  std::unique_ptr<engine::TFormMain> partial, full;
  explicit SideBySide(const engine::DecodedTimeT& now) {
    f.WriteSettings(fixture::kNoSound);
    f.WriteClock(CrossingClock());
    f.now = now;
    partial = f.Open();
    full = f.Open();
    full->PartialRedraw = false;
  }
};

}  // namespace

TEST(PartialRedraw, EveryFrameIsTheFullComposition) {
  SideBySide clocks({2026, 12, 31, 23, 58, 30, 0});
  auto& [f, partial, full] = clocks;
  ASSERT_EQ(partial->StartupError(), "");
  partial->Start();
  partial->Timer1->stop();  // the ticks below are the only ones
  int frames = 0, keyChanges = 0, shapeChanges = 0;
  std::optional<imaging::Colour> lastKey;
  QRegion lastShape;
  auto check = [&](const engine::DecodedTimeT& t) {
    f.now = t;
    partial->Timer1Timer();
    full->Timer1Timer();
    const QImage expected = FullComposition(*full);
    const QImage shown = OnScreen(*partial);
    // The window shows its pixels inside its shape, which is the pixels
    // that are not the key colour.
    const QRegion shape = NotCream(expected);
    const QRegion mask = partial->mask() & partial->rect();
    ASSERT_TRUE(mask.xored(shape).isEmpty())
        << "shape at " << t.Hour << ":" << t.Minute << ":" << t.Second << "." << t.Millisecond;
    const std::string diff = FirstDifference(shown, expected);
    ASSERT_EQ(diff, "") << "at " << t.Hour << ":" << t.Minute << ":" << t.Second << "." << t.Millisecond;
    ++frames;
    const imaging::Bitmap& s = partial->ImageS.Picture;
    const imaging::Colour key = s.PixelColour(0, s.Height() - 1);
    if (lastKey && key != *lastKey) ++keyChanges;
    lastKey = key;
    if (!shape.xored(lastShape).isEmpty()) ++shapeChanges;
    lastShape = shape;
  };
  // Three minutes of 100 ms ticks across midnight: minute changes and the
  // date change, the hands over both displays.
  for (int i = 0; i < 1800; ++i) {
    const int ms = i * 100 + 58 * 60000 + 30000;
    const int min = ms / 60000;
    engine::DecodedTimeT t{2026, 12, 31, 23, uint16_t(min), uint16_t(ms / 1000 % 60), uint16_t(ms % 1000)};
    if (min >= 60) t = {2027, 1, 1, 0, uint16_t(min - 60), t.Second, t.Millisecond};
    check(t);
    if (HasFatalFailure()) return;
  }
  // The second hand came back to its places: from the second minute on its
  // drawings were copied in, and the frames above held them to the full
  // composition, whose hands are drawn afresh every time.
  EXPECT_EQ(partial->ImageS.Stamps.size(), 60u);
  EXPECT_TRUE(full->ImageS.Stamps.empty());
  // Half a minute of smooth sweep.
  partial->PM_O->setChecked(true);
  full->PM_O->setChecked(true);
  for (int i = 0; i < 300; ++i) {
    check({2027, 1, 1, 0, 1, uint16_t(30 + i / 10), uint16_t(i % 10 * 100)});
    if (HasFatalFailure()) return;
  }
  EXPECT_EQ(frames, 2100);
  EXPECT_TRUE(partial->ImageS.Stamps.empty());  // a sweep keeps no drawings
  // The run did go through what it is meant to: the second hand's image
  // took another key colour over its corner, and the window's shape changed.
  EXPECT_GE(keyChanges, 4);
  EXPECT_GE(shapeChanges, 100);
}

TEST(PartialRedraw, NothingShowsBeforeTheLayout) {
  // A bare engine (no clock data), and a clock whose start-up stops at its
  // sound, after the glyphs were loaded but before the layout.
  struct Case {
    const char* name;
    std::string settings;
    clockfile::Bytes clock;
  } cases[] = {
      {"bare engine", fixture::kNoSound, fixture::FakeEngine()},
      {"sound", "[ALARM]\r\nWAVE1=13\r\n",
       clockfile::BuildClockFile(fixture::FakeEngine(), {{"BMP", fixture::SolidBmp(300, 200, 0x00808080)}}, 0x03)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fixture::ClockFixture f;
    f.WriteSettings(c.settings);
    f.WriteClock(c.clock);
    auto w = f.Open();
    ASSERT_NE(w->StartupError(), "");
    w->Start();
    w->Timer1->stop();
    f.now = {2026, 12, 8, 10, 0, 1, 0};
    w->Timer1Timer();
    EXPECT_TRUE(NotCream(w->Frame()).isEmpty()) << "something is drawn";
    QApplication::processEvents();
    // A shape is set, and it holds none of the window's pixels.
    EXPECT_FALSE(w->mask().isEmpty());
    EXPECT_TRUE((w->mask() & w->rect()).isEmpty());
  }
}

TEST(PartialRedraw, AClockWithoutPicturesOrHandsShowsNothing) {
  fixture::ClockFixture f;
  f.WriteSettings(fixture::kNoSound);
  f.WriteClock(clockfile::BuildClockFile(fixture::FakeEngine(), {{"CL1", clockfile::ColourData(0x000000FF)}}, 0));
  auto w = f.Open();
  ASSERT_EQ(w->StartupError(), "");
  w->Start();
  w->Timer1->stop();
  w->Timer1Timer();
  QApplication::processEvents();
  EXPECT_TRUE(NotCream(w->Frame()).isEmpty());
  EXPECT_FALSE(w->mask().isEmpty());
  EXPECT_TRUE((w->mask() & w->rect()).isEmpty());
  // The still picture shows the whole window; back from it, nothing again.
  w->Timer1->start();
  w->ToggleStillPicture();
  QApplication::processEvents();
  EXPECT_TRUE(w->mask().isEmpty());
  w->ToggleStillPicture();
  w->Timer1->stop();
  w->Timer1Timer();
  QApplication::processEvents();
  EXPECT_FALSE(w->mask().isEmpty());
  EXPECT_TRUE((w->mask() & w->rect()).isEmpty());
}

TEST(PartialRedraw, TheDialOutlivesItsPictures) {
  // Once laid out, the background and frame live on in the composed dial
  // only: the still picture and back, and a window the desktop made larger,
  // still show them where they were.
  SideBySide clocks({2026, 12, 10, 10, 8, 30, 0});
  auto& [f, partial, full] = clocks;
  ASSERT_EQ(partial->StartupError(), "");
  for (auto* w : {partial.get(), full.get()}) {
    w->Start();
    w->Timer1->stop();
  }
  auto check = [&](const char* when) {
    partial->Timer1Timer();
    full->Timer1Timer();
    EXPECT_EQ(FirstDifference(OnScreen(*partial), FullComposition(*full)), "") << when;
  };
  check("running");
  for (const char* when : {"still picture", "running again"}) {
    partial->ToggleStillPicture();
    full->ToggleStillPicture();
    check(when);
  }
  for (auto* w : {partial.get(), full.get()}) w->resize(w->width() + 24, w->height() + 16);
  f.now.Second = 31;
  check("larger window");
}
