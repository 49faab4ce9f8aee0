// Renders sample dials to PNG files for looking at: a picture with a frame,
// a numeral ring and each numeral style, stacked as the clock writer stacks
// them. Usage: dial_snapshot <output folder>
#include <QApplication>
#include <QImage>
#include <cmath>
#include <cstdio>
#include <string>

#include "imaging/bitmap.h"
#include "maker/dial/frame_ring.h"
#include "maker/dial/key_colour.h"
#include "maker/dial/numerals.h"

using imaging::Bitmap;
using imaging::Colour;
using namespace maker;

namespace {

Bitmap Picture(int w, int h) {
  // A circle-cropped gradient, black outside the circle.
  Bitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double dx = (x + 0.5 - w / 2.0) / (w / 2.0), dy = (y + 0.5 - h / 2.0) / (h / 2.0);
      if (dx * dx + dy * dy > 1) {
        b.SetPixelColour(x, y, 0);
      } else {
        b.SetPixelColour(x, y, imaging::RGB(uint8_t(60 + 120 * x / w), uint8_t(120 + 100 * y / h), 200));
      }
    }
  return b;
}

Bitmap FramePic() {
  // 400 x 400, a brass band from radius 170 to the edge, key magenta inside and outside.
  Bitmap b(400, 400);
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 400; ++x) {
      const double r = std::hypot(x + 0.5 - 200, y + 0.5 - 200);
      Colour c = 0x00FF00FF;
      if (r >= 170 && r < 200) c = imaging::RGB(uint8_t(150 + (x * 90) / 400), uint8_t(110 + (y * 60) / 400), 40);
      b.SetPixelColour(x, y, c);
    }
  return b;
}

Bitmap RingPic() {
  // 300 x 300, sixty ticks, long ones at the hours, key white.
  Bitmap b(300, 300);
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 300; ++x) b.SetPixelColour(x, y, 0x00FFFFFF);
  for (int i = 0; i < 60; ++i) {
    const double a = i * M_PI / 30;
    const int len = i % 5 == 0 ? 26 : 10;
    for (int r = 140 - len; r < 140; ++r)
      for (int t = -2; t <= 2; ++t) {
        const int x = int(150 + r * std::sin(a) + t * std::cos(a) * 0.5), y = int(150 - r * std::cos(a) + t * std::sin(a) * 0.5);
        b.SetPixelColour(x, y, 0x00103060);
      }
  }
  return b;
}

void Save(Bitmap& b, const std::string& path) {
  if (!b.ToQImage().save(QString::fromStdString(path))) std::fprintf(stderr, "cannot write %s\n", path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string out = argc > 1 ? argv[1] : ".";
  const int W = 200, H = 200, margin = 10;
  Bitmap work = Picture(W, H);
  Bitmap frame = FramePic(), ring = RingPic();

  FrameRenderInput fi;
  fi.SelectedRow = 1;
  fi.FramePicture = &frame;
  fi.ImageWidth = W + 2 * margin;
  fi.ImageHeight = H + 2 * margin;
  fi.FrameMargin = margin;
  fi.Smooth = true;
  fi.Background = &work;
  Bitmap fg = RenderFrame(fi).Picture;
  Save(fg, out + "/frame.png");

  RingRenderInput ri;
  ri.SelectedRow = 1;
  ri.RingPicture = &ring;
  ri.ImageLeft = 10, ri.ImageTop = 10, ri.ImageWidth = W, ri.ImageHeight = H;
  ri.BackgroundLeft = 10, ri.BackgroundTop = 10;
  ri.Smooth = true;
  ri.WorkPicture = &work;
  ri.Background = &work;
  Bitmap mj1 = RenderNumeralRing(ri).Picture;
  Save(mj1, out + "/ring.png");

  const struct {
    NumeralStyle s;
    const char* name;
  } styles[] = {{NumeralStyle::ArabicUpright, "arabic_upright"}, {NumeralStyle::RomanUpright, "roman_upright"},
                {NumeralStyle::KanjiUpright, "kanji_upright"},   {NumeralStyle::ArabicRadial, "arabic_radial"},
                {NumeralStyle::RomanRadial, "roman_radial"},     {NumeralStyle::KanjiRadial, "kanji_radial"},
                {NumeralStyle::CustomRadial, "custom_radial"}};
  for (const auto& st : styles) {
    NumeralRenderInput ni;
    ni.Style = st.s;
    ni.ImageWidth = W - 2 * 6;  // NumeralMargin -6
    ni.ImageHeight = H - 2 * 6;
    ni.Font.Height = -16;
    ni.Font.Bold = true;
    ni.CustomText = "|,|,3,|,|,6,|,|,9,|,|,12";  // the first label belongs to one o'clock
    ni.WorkPicture = &work;
    ni.BackgroundWidth = W;
    ni.BackgroundHeight = H;
    Bitmap mj2;
    RenderNumerals(ni, mj2);
    Save(mj2, out + "/numerals_" + st.name + ".png");
    // The dial as the clock shows it: picture, ring, numerals, then the frame
    // over everything (its black is transparent).
    Bitmap dial = work;
    Bitmap ringCopy = mj1;
    CompositeTransparent(dial, ringCopy);
    CompositeTransparent(dial, mj2);
    Bitmap shown(fg.Width(), fg.Height());
    for (int y = 0; y < shown.Height(); ++y)
      for (int x = 0; x < shown.Width(); ++x) shown.SetPixelColour(x, y, 0x00808080);
    for (int y = 0; y < dial.Height(); ++y)
      for (int x = 0; x < dial.Width(); ++x)
        if (dial.PixelColour(x, y) != dial.PixelColour(0, 0)) shown.SetPixelColour(x + margin, y + margin, dial.PixelColour(x, y));
    for (int y = 0; y < fg.Height(); ++y)
      for (int x = 0; x < fg.Width(); ++x)
        if (fg.PixelColour(x, y) != 0) shown.SetPixelColour(x, y, fg.PixelColour(x, y));
    Save(shown, out + "/dial_" + st.name + ".png");
  }
  // No picture loaded: the 128 x 128 preview with the default numeral font,
  // each layer laid on the preview's grey as the preview shows it (keyed by
  // its bottom-left pixel).
  for (const auto& st : styles) {
    NumeralRenderInput ni;
    ni.Style = st.s;
    ni.ImageWidth = ni.ImageHeight = 128;
    Bitmap mj2;
    RenderNumerals(ni, mj2);
    Bitmap shown(128, 128);
    for (int y = 0; y < 128; ++y)
      for (int x = 0; x < 128; ++x) {
        const Colour c = mj2.PixelColour(x, y);
        shown.SetPixelColour(x, y, c == mj2.PixelColour(0, 127) ? 0x00A0A0A0 : c);
      }
    Save(shown, out + "/plain_" + st.name + ".png");
  }
  return 0;
}
