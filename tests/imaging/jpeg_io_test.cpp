// JPEG reading and writing. Test files of the less common kinds (grey,
// CMYK, progressive) are encoded here with libjpeg itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/picture_io.h"
#include "tests/imaging/jpeg_encode.h"

using namespace imaging;

namespace {

using jpeg_test::Bytes;

// Encodes w x h samples of `components` channels (rows top-down) at quality 100.
Bytes Encode(int w, int h, int components, J_COLOR_SPACE space, bool progressive, const Bytes& samples) {
  return jpeg_test::EncodeSamples(w, h, components, space, samples, [progressive](jpeg_compress_struct& c) {
    jpeg_set_quality(&c, 100, TRUE);
    if (progressive) jpeg_simple_progression(&c);
  });
}

void ExpectNear(Colour got, Colour want, int tol, const std::string& what) {
  EXPECT_NEAR(RedOf(got), RedOf(want), tol) << what;
  EXPECT_NEAR(GreenOf(got), GreenOf(want), tol) << what;
  EXPECT_NEAR(BlueOf(got), BlueOf(want), tol) << what;
}

std::string JpegMessage(int code) { return "JPEG エラー #" + std::to_string(code); }

}  // namespace

TEST(Jpeg, WriterAndReaderRoundTrip) {
  // Two flat halves, 16 x 8 each, so the blocks carry no ringing to test against.
  Bitmap src(32, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) src.SetPixelColour(x, y, x < 16 ? RGB(200, 30, 60) : RGB(20, 220, 120));
  const Bytes f = WriteJpeg(src);
  ASSERT_GT(f.size(), 4u);
  EXPECT_EQ(f[0], 0xFF);
  EXPECT_EQ(f[1], 0xD8);
  const Bitmap b = ReadJpeg(f.data(), f.size());
  ASSERT_EQ(b.GetPixelFormat(), PixelFormat::pf24bit);
  ASSERT_EQ(b.Width(), 32);
  ASSERT_EQ(b.Height(), 16);
  ExpectNear(b.PixelColour(3, 3), RGB(200, 30, 60), 6, "left");
  ExpectNear(b.PixelColour(28, 12), RGB(20, 220, 120), 6, "right");
}

TEST(Jpeg, WriterTakesPaletteBitmaps) {
  Bitmap src(8, 8, PixelFormat::pf1bit);
  const Bytes f = WriteJpeg(src);
  const Bitmap b = ReadJpeg(f.data(), f.size());
  EXPECT_EQ(b.Width(), 8);
  ExpectNear(b.PixelColour(4, 4), src.PixelColour(4, 4), 4, "flat");
}

TEST(Jpeg, GreyColourCmykAndProgressiveFiles) {
  const int w = 16, h = 8;
  Bytes grey(size_t(w * h)), rgb(size_t(w * h * 3)), cmyk(size_t(w * h * 4));
  for (int i = 0; i < w * h; ++i) {
    const bool left = (i % w) < 8;
    grey[size_t(i)] = left ? 40 : 210;
    rgb[size_t(i) * 3 + 0] = left ? 250 : 0;  // red | blue
    rgb[size_t(i) * 3 + 1] = 0;
    rgb[size_t(i) * 3 + 2] = left ? 0 : 250;
    // Stored the Adobe way, inverted: red = no cyan ink, full magenta and yellow.
    const uint8_t ink[4] = {0, 255, 255, 0};
    const uint8_t ink2[4] = {0, 0, 0, 128};  // half black
    for (int k = 0; k < 4; ++k) cmyk[size_t(i) * 4 + k] = uint8_t(255 - (left ? ink[k] : ink2[k]));
  }
  struct Case {
    const char* name;
    Bytes file;
    Colour left, right;
  };
  const Case cases[] = {
      {"grey", Encode(w, h, 1, JCS_GRAYSCALE, false, grey), RGB(40, 40, 40), RGB(210, 210, 210)},
      {"colour", Encode(w, h, 3, JCS_RGB, false, rgb), RGB(250, 0, 0), RGB(0, 0, 250)},
      {"progressive", Encode(w, h, 3, JCS_RGB, true, rgb), RGB(250, 0, 0), RGB(0, 0, 250)},
      {"progressive grey", Encode(w, h, 1, JCS_GRAYSCALE, true, grey), RGB(40, 40, 40), RGB(210, 210, 210)},
      {"cmyk", Encode(w, h, 4, JCS_CMYK, false, cmyk), RGB(255, 0, 0), RGB(127, 127, 127)},
  };
  for (const Case& c : cases) {
    const Bitmap b = ReadJpeg(c.file.data(), c.file.size());
    ASSERT_EQ(b.GetPixelFormat(), PixelFormat::pf24bit) << c.name;
    ASSERT_EQ(b.Width(), w) << c.name;
    ASSERT_EQ(b.Height(), h) << c.name;
    ExpectNear(b.PixelColour(2, 4), c.left, 8, c.name);
    ExpectNear(b.PixelColour(13, 4), c.right, 8, c.name);
  }
}

TEST(Jpeg, ErrorsCarryLibjpegsMessageNumber) {
  auto messageOf = [](const Bytes& f) -> std::string {
    try {
      ReadJpeg(f.data(), f.size());
    } catch (const PictureError& e) {
      return e.what();
    }
    return "no error";
  };
  EXPECT_EQ(messageOf({}), JpegMessage(JERR_INPUT_EMPTY));
  EXPECT_EQ(messageOf({'B', 'M', 0, 0}), JpegMessage(JERR_NO_SOI));
  // A start marker followed by nothing useful.
  EXPECT_EQ(messageOf({0xFF, 0xD8, 0xFF, 0xC0, 0, 2}).rfind("JPEG エラー #", 0), 0u);
}

TEST(Jpeg, DamagedFilesNeverCrash) {
  Bytes rgb(64 * 64 * 3);
  for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 7);
  const Bytes good = Encode(64, 64, 3, JCS_RGB, true, rgb);
  // Cut short: libjpeg fills the rest and warns; the picture keeps its size.
  const Bytes cut(good.begin(), good.begin() + long(good.size() / 2));
  const Bitmap b = ReadJpeg(cut.data(), cut.size());
  EXPECT_EQ(b.Width(), 64);
  // Flipped bytes in the middle: either a picture or a PictureError.
  for (size_t at = 2; at < good.size(); at += good.size() / 40) {
    Bytes bad = good;
    bad[at] ^= 0x5A;
    try {
      ReadJpeg(bad.data(), bad.size());
    } catch (const PictureError&) {
    }
  }
}

TEST(Jpeg, AnAbsurdSizeIsRefusedBeforeDecoding) {
  Bytes rgb(8 * 8 * 3, 100);
  Bytes f = Encode(8, 8, 3, JCS_RGB, false, rgb);
  // Patch the frame header (SOF0) to 60000 x 60000.
  for (size_t i = 2; i + 8 < f.size(); ++i)
    if (f[i] == 0xFF && f[i + 1] == 0xC0) {
      f[i + 5] = 0xEA;
      f[i + 6] = 0x60;
      f[i + 7] = 0xEA;
      f[i + 8] = 0x60;
      break;
    }
  EXPECT_THROW(ReadJpeg(f.data(), f.size()), PictureError);
}
