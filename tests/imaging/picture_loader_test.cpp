// Format detection by content, loading of the four formats, thumbnail cells.
// PNG and GIF test files are encoded here with libpng and giflib.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QImage>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <png.h>

#include "imaging/bitmap_ops.h"
#include "imaging/picture_io.h"
#include "imaging/picture_loader.h"

using namespace imaging;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

struct PngSpec {
  int w, h, colorType, depth;
  Bytes pixels;  // packed rows as PNG stores them (no filter byte)
  bool interlaced = false;
  std::vector<png_color> palette = {};
  Bytes trns = {};
};

void PngWrite(png_structp png, png_bytep data, size_t len) {
  auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + len);
}

Bytes EncodePng(const PngSpec& s) {
  Bytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, PngWrite, nullptr);
  png_set_IHDR(png, info, png_uint_32(s.w), png_uint_32(s.h), s.depth, s.colorType,
               s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), int(s.palette.size()));
  if (!s.trns.empty()) {
    if (s.colorType == PNG_COLOR_TYPE_PALETTE) {
      png_set_tRNS(png, info, s.trns.data(), int(s.trns.size()), nullptr);
    } else {
      png_color_16 c{};
      c.gray = s.trns[0];
      c.red = s.trns[0];
      c.green = s.trns[1 % s.trns.size()];
      c.blue = s.trns[2 % s.trns.size()];
      png_set_tRNS(png, info, nullptr, 0, &c);
    }
  }
  png_write_info(png, info);
  const size_t rowBytes = s.pixels.size() / size_t(s.h);
  std::vector<png_bytep> rows;
  for (int y = 0; y < s.h; ++y) rows.push_back(const_cast<uint8_t*>(s.pixels.data()) + size_t(y) * rowBytes);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

struct GifOut {
  Bytes bytes;
};
int GifWrite(GifFileType* g, const GifByteType* data, int len) {
  static_cast<GifOut*>(g->UserData)->bytes.insert(static_cast<GifOut*>(g->UserData)->bytes.end(), data, data + len);
  return len;
}

// Screen sw x sh with a global table; one image (x, y, w, h) of `indices`.
Bytes EncodeGif(int sw, int sh, int bg, int x, int y, int w, int h, const Bytes& indices, bool interlace = false,
                bool localMap = false, int transparent = -1) {
  GifOut out;
  int err = 0;
  GifFileType* g = EGifOpen(&out, GifWrite, &err);
  GifColorType global[4] = {{10, 20, 30}, {200, 0, 0}, {0, 200, 0}, {0, 0, 200}};
  GifColorType local[4] = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}};
  ColorMapObject* gm = GifMakeMapObject(4, global);
  ColorMapObject* lm = localMap ? GifMakeMapObject(4, local) : nullptr;
  EGifSetGifVersion(g, true);
  EGifPutScreenDesc(g, sw, sh, 2, bg, gm);
  if (transparent >= 0) {
    GraphicsControlBlock gcb{};
    gcb.TransparentColor = transparent;
    GifByteType ext[4];
    EGifGCBToExtension(&gcb, ext);
    EGifPutExtension(g, GRAPHICS_EXT_FUNC_CODE, 4, ext);
  }
  EGifPutImageDesc(g, x, y, w, h, interlace, lm);
  // giflib expects the rows in file order; for interlaced images that is the pass order.
  std::vector<int> order;
  if (interlace) {
    const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
    for (int p = 0; p < 4; ++p)
      for (int r = start[p]; r < h; r += step[p]) order.push_back(r);
  } else {
    for (int r = 0; r < h; ++r) order.push_back(r);
  }
  for (int r : order) EGifPutLine(g, const_cast<GifPixelType*>(indices.data()) + size_t(r) * size_t(w), w);
  EGifCloseFile(g, &err);
  GifFreeMapObject(gm);
  if (lm) GifFreeMapObject(lm);
  return out.bytes;
}

Bytes Bmp8(int w, int h, uint32_t infoSize = 40) {
  Bytes v = {'B', 'M'};
  const uint32_t stride = uint32_t((w + 3) & ~3);
  auto put32 = [&](uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
  };
  const uint32_t off = 14 + infoSize + 1024;
  put32(off + stride * uint32_t(h));
  put32(0);
  put32(off);
  put32(infoSize);
  put32(uint32_t(w));
  put32(uint32_t(h));
  v.push_back(1), v.push_back(0), v.push_back(8), v.push_back(0);
  put32(0);
  put32(stride * uint32_t(h));
  put32(0), put32(0), put32(0), put32(0);
  v.resize(14 + infoSize, 0);
  for (int i = 0; i < 256; ++i) {
    v.push_back(uint8_t(i)), v.push_back(uint8_t(255 - i)), v.push_back(90), v.push_back(0);
  }
  for (int y = 0; y < h; ++y)
    for (uint32_t x = 0; x < stride; ++x) v.push_back(uint8_t(x + uint32_t(y)));
  return v;
}

Bytes SolidBmp24(int w, int h, Colour c) {
  Bitmap b(w, h);
  b.GetCanvas().brush.Color = c;
  b.GetCanvas().FillRect(Rect{0, 0, w, h});
  return WriteBmp24(b);
}

class PictureFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("imaging_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string Put(const std::string& name, const Bytes& bytes) {
    const fs::path p = dir_ / name;
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return p.string();
  }
  fs::path dir_;
};

constexpr Colour kCell = 0xCDFAFF;

}  // namespace

TEST(FormatTests, GifSignatures) {
  const struct {
    const char* sig;
    bool gif;
  } cases[] = {{"GIF87a", true},  {"GIF89a", true},  {"gif89a", true},  {"gIf87A", true},  {"GIF89A", true},
               {"GIF88a", false}, {"GIF97a", false}, {"gif89b", false}, {"HIF89a", false}, {"GIF8 a", false},
               {"gIF89", false}};
  for (const auto& c : cases) {
    uint8_t h[18] = {};
    std::memcpy(h, c.sig, std::strlen(c.sig));
    EXPECT_EQ(IsGifHeader(h), c.gif) << c.sig;
  }
}

TEST(FormatTests, BmpAndJpegSignatures) {
  // Every information-header size the BMP reader takes, and no other.
  for (uint32_t size : {12u, 40u, 52u, 56u, 108u, 124u, 0u, 64u, 41u}) {
    Bytes h = Bmp8(1, 1, size < 40 ? 40 : size);
    h[14] = uint8_t(size);
    EXPECT_EQ(IsBmpHeader(h.data()), size != 0 && size != 64 && size != 41) << size;
  }
  Bytes notBm = Bmp8(1, 1);
  notBm[1] = 'A';
  EXPECT_FALSE(IsBmpHeader(notBm.data()));
  const uint8_t jpeg[18] = {0xFF, 0xD8, 0xFF};
  const uint8_t almost[18] = {0xFF, 0xD9};
  EXPECT_TRUE(IsJpegHeader(jpeg));
  EXPECT_FALSE(IsJpegHeader(almost));
}

TEST_F(PictureFiles, ContentDecidesNotTheName) {
  // An 8-bit BMP named .png stays a palette picture: the BMP reader took it.
  auto bmp = LoadPictureAsBitmap(Put("picture.png", Bmp8(3, 2)));
  ASSERT_TRUE(bmp);
  EXPECT_EQ(bmp->GetPixelFormat(), PixelFormat::pf8bit);
  EXPECT_EQ(bmp->Width(), 3);

  const Bytes rgb = {10, 20, 30, 40, 50, 60};
  auto png = LoadPictureAsBitmap(Put("picture.bmp", EncodePng({2, 1, PNG_COLOR_TYPE_RGB, 8, rgb})));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->GetPixelFormat(), PixelFormat::pf24bit);
  EXPECT_EQ(png->PixelColour(1, 0), RGB(40, 50, 60));

  Bitmap j(16, 16);
  auto jpg = LoadPictureAsBitmap(Put("picture.gif", WriteJpeg(j)));
  ASSERT_TRUE(jpg);
  EXPECT_EQ(jpg->Width(), 16);
}

TEST_F(PictureFiles, LongerBmpInfoHeadersLoadAsBmp) {
  // 108- and 124-byte headers, as image editors write them by default.
  for (uint32_t size : {108u, 124u}) {
    auto b = LoadPictureAsBitmap(Put("v" + std::to_string(size) + ".bmp", Bmp8(3, 2, size)));
    ASSERT_TRUE(b) << size;
    EXPECT_EQ(b->GetPixelFormat(), PixelFormat::pf8bit) << size;
    EXPECT_EQ(b->Width(), 3) << size;
    EXPECT_EQ(b->Height(), 2) << size;
  }
}

TEST_F(PictureFiles, ALargeFileIsReadWhole) {
  // Megabytes go in parts over the cores: every part lands where it belongs.
  const Bytes bytes = Bmp8(3001, 1500);
  auto fromFile = LoadPictureAsBitmap(Put("large.bmp", bytes));
  auto fromBytes = LoadPictureFromBytes(bytes.data(), bytes.size());
  ASSERT_TRUE(fromFile && fromBytes);
  ASSERT_EQ(fromFile->Height(), 1500);
  for (int y = 0; y < 1500; ++y)
    ASSERT_EQ(std::memcmp(fromFile->ScanLine(y), fromBytes->ScanLine(y), fromBytes->Stride()), 0) << y;
}

TEST_F(PictureFiles, WhatGivesNone) {
  Bytes gif88 = EncodeGif(1, 1, 0, 0, 0, 1, 1, {1});
  gif88[4] = '8';
  Bytes shortGif = EncodeGif(1, 1, 0, 0, 0, 1, 1, {1});
  const Bytes pngHead = EncodePng({1, 1, PNG_COLOR_TYPE_GRAY, 8, {7}});
  EXPECT_FALSE(LoadPictureAsBitmap(Put("gif88.gif", gif88)));
  EXPECT_FALSE(LoadPictureAsBitmap((dir_ / "missing.png").string()));
  EXPECT_FALSE(LoadPictureAsBitmap(dir_.string())) << "a folder";
  // Opening a named pipe would wait for a writer.
  ASSERT_EQ(mkfifo((dir_ / "pipe.bmp").c_str(), 0600), 0);
  EXPECT_FALSE(LoadPictureAsBitmap((dir_ / "pipe.bmp").string())) << "a named pipe";
  EXPECT_FALSE(LoadPictureAsBitmap(Put("empty.jpg", {})));
  EXPECT_FALSE(LoadPictureAsBitmap(Put("text.png", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n',
                                                         'a', 'g', 'a', 'i', 'n', '\n', 'x'})));
  // A valid 1 x 1 PNG cut to 17 bytes, and a BMP cut short.
  EXPECT_FALSE(LoadPictureAsBitmap(Put("short.png", Bytes(pngHead.begin(), pngHead.begin() + 17))));
  Bytes cutBmp = Bmp8(20, 20);
  cutBmp.resize(cutBmp.size() - 30);
  EXPECT_FALSE(LoadPictureAsBitmap(Put("cut.bmp", cutBmp)));
  Bytes cutPng = pngHead;
  cutPng.resize(cutPng.size() - 20);  // into the pixel data
  EXPECT_FALSE(LoadPictureAsBitmap(Put("cut.png", cutPng)));
}

TEST(PngReader, EveryColourTypeAndDepth) {
  const std::vector<png_color> pal = {{255, 0, 0}, {0, 0, 255}, {9, 8, 7}};
  struct Case {
    const char* name;
    PngSpec spec;
    Colour p0, p1;  // pixels (0, 0) and (1, 0)
  };
  const Case cases[] = {
      {"grey 1", {2, 1, PNG_COLOR_TYPE_GRAY, 1, {0x40}}, RGB(0, 0, 0), RGB(255, 255, 255)},
      {"grey 2", {2, 1, PNG_COLOR_TYPE_GRAY, 2, {0x70}}, RGB(85, 85, 85), RGB(255, 255, 255)},
      {"grey 4", {2, 1, PNG_COLOR_TYPE_GRAY, 4, {0xF1}}, RGB(255, 255, 255), RGB(17, 17, 17)},
      // 16-bit samples are scaled, not cut: 0x00FF becomes 1.
      {"grey 16", {2, 1, PNG_COLOR_TYPE_GRAY, 16, {0x80, 0x00, 0x00, 0xFF}}, RGB(128, 128, 128), RGB(1, 1, 1)},
      {"grey alpha", {2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {100, 255, 0, 0}}, RGB(100, 100, 100), RGB(255, 255, 255)},
      {"rgb 16",
       {2, 1, PNG_COLOR_TYPE_RGB, 16, {0xFF, 0xFF, 0, 0, 0x12, 0x34, 0, 0, 0, 0, 0xFF, 0xFF}},
       RGB(255, 0, 18),
       RGB(0, 0, 255)},
      // Half-transparent black over white: (0 * 128 + 255 * 127) / 255 = 127.
      {"rgba", {2, 1, PNG_COLOR_TYPE_RGBA, 8, {0, 0, 0, 128, 10, 20, 30, 255}}, RGB(127, 127, 127), RGB(10, 20, 30)},
      {"palette 2", {2, 1, PNG_COLOR_TYPE_PALETTE, 2, {0x20}, false, pal}, RGB(255, 0, 0), RGB(9, 8, 7)},
      {"palette tRNS", {2, 1, PNG_COLOR_TYPE_PALETTE, 8, {0, 1}, false, pal, {0}}, RGB(255, 255, 255), RGB(0, 0, 255)},
      {"grey tRNS key", {2, 1, PNG_COLOR_TYPE_GRAY, 8, {7, 8}, false, {}, {7}}, RGB(255, 255, 255), RGB(8, 8, 8)},
  };
  for (const Case& c : cases) {
    const Bytes f = EncodePng(c.spec);
    const Bitmap b = ReadPng(f.data(), f.size());
    ASSERT_EQ(b.GetPixelFormat(), PixelFormat::pf24bit) << c.name;
    ASSERT_EQ(b.Width(), 2) << c.name;
    EXPECT_EQ(b.PixelColour(0, 0), c.p0) << c.name;
    EXPECT_EQ(b.PixelColour(1, 0), c.p1) << c.name;
  }
}

TEST(PngReader, InterlacedRowsComeOutInPlace) {
  PngSpec s{9, 9, PNG_COLOR_TYPE_GRAY, 8, Bytes(81)};
  for (int i = 0; i < 81; ++i) s.pixels[size_t(i)] = uint8_t(i * 3);
  s.interlaced = true;
  const Bytes f = EncodePng(s);
  const Bitmap b = ReadPng(f.data(), f.size());
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) ASSERT_EQ(RedOf(b.PixelColour(x, y)), (y * 9 + x) * 3) << x << "," << y;
}

TEST(PngReader, AnIconKeepsItsAlpha) {
  const Bytes f = EncodePng({2, 1, PNG_COLOR_TYPE_RGBA, 8, {0, 0, 0, 128, 10, 20, 30, 255}});
  const QImage icon = ReadPngImage(f.data(), f.size());
  ASSERT_EQ(icon.size(), QSize(2, 1));
  EXPECT_EQ(icon.pixel(0, 0), qRgba(0, 0, 0, 128));
  EXPECT_EQ(icon.pixel(1, 0), qRgba(10, 20, 30, 255));
  // What is no PNG, or is cut short, gives no image.
  EXPECT_TRUE(ReadPngImage(f.data(), 20).isNull());
  EXPECT_TRUE(ReadPngImage(nullptr, 0).isNull());
}

TEST(GifReader, FirstImageOnItsScreen) {
  // Screen 5 x 4, background index 2; image 3 x 2 at (1, 1).
  const Bytes f = EncodeGif(5, 4, 2, 1, 1, 3, 2, {0, 1, 3, 3, 1, 0}, false, false, 1);
  const Bitmap b = ReadGif(f.data(), f.size());
  ASSERT_EQ(b.GetPixelFormat(), PixelFormat::pf8bit);
  ASSERT_EQ(b.Width(), 5);
  ASSERT_EQ(b.Height(), 4);
  ASSERT_EQ(b.Palette().size(), 256u);
  EXPECT_EQ(b.PixelColour(0, 0), RGB(0, 200, 0));   // background
  EXPECT_EQ(b.PixelColour(1, 1), RGB(10, 20, 30));  // index 0
  EXPECT_EQ(b.PixelColour(2, 1), RGB(200, 0, 0));   // transparent index 1: its palette colour
  EXPECT_EQ(b.PixelColour(2, 2), RGB(200, 0, 0));
  EXPECT_EQ(b.PixelColour(3, 2), RGB(10, 20, 30));
  EXPECT_EQ(b.PixelColour(4, 3), RGB(0, 200, 0));
  EXPECT_EQ(b.Palette()[200], RGB(0, 0, 0));
}

TEST(GifReader, InterlacedAndLocalTable) {
  Bytes idx(10);
  for (int i = 0; i < 10; ++i) idx[size_t(i)] = uint8_t(i % 4);
  const Bytes f = EncodeGif(1, 10, 0, 0, 0, 1, 10, idx, true, true);
  const Bitmap b = ReadGif(f.data(), f.size());
  for (int y = 0; y < 10; ++y) {
    const uint8_t v = uint8_t(y % 4 + 1);
    EXPECT_EQ(b.PixelColour(0, y), RGB(v, v, v)) << y;
  }
  // Lower-case signature loads through the loader too.
  Bytes lower = f;
  std::memcpy(lower.data(), "gif89a", 6);
  auto l = LoadPictureFromBytes(lower.data(), lower.size());
  ASSERT_TRUE(l);
  EXPECT_EQ(l->Height(), 10);
}

TEST_F(PictureFiles, ThumbnailOfAWidePicture) {
  auto cell = DrawThumbnailCell(Put("wide.bmp", SolidBmp24(200, 100, RGB(200, 0, 0))), 80, 80, kCell, false);
  ASSERT_EQ(cell->Width(), 80);
  ASSERT_EQ(cell->GetPixelFormat(), PixelFormat::pf24bit);
  // 80 x 40 at (0, 20).
  EXPECT_EQ(cell->PixelColour(40, 19), kCell);
  EXPECT_EQ(cell->PixelColour(0, 20), RGB(200, 0, 0));
  EXPECT_EQ(cell->PixelColour(79, 59), RGB(200, 0, 0));
  EXPECT_EQ(cell->PixelColour(40, 60), kCell);
  EXPECT_EQ(cell->PixelColour(0, 0), kCell);
}

TEST_F(PictureFiles, ThumbnailOfATallPictureFramed) {
  auto cell = DrawThumbnailCell(Put("tall.jpg", WriteJpeg(Bitmap(100, 300))), 80, 80, kCell, true);
  // 26 x 80 at (27, 0); the outline covers row 0 and 79 and column 0 and 79.
  EXPECT_EQ(cell->PixelColour(26, 40), kCell);
  EXPECT_EQ(cell->PixelColour(27, 40), RGB(255, 255, 255));
  EXPECT_EQ(cell->PixelColour(52, 40), RGB(255, 255, 255));
  EXPECT_EQ(cell->PixelColour(53, 40), kCell);
  for (int i = 0; i < 80; ++i) {
    EXPECT_EQ(cell->PixelColour(i, 0), 0u) << i;
    EXPECT_EQ(cell->PixelColour(i, 79), 0u) << i;
    EXPECT_EQ(cell->PixelColour(0, i), 0u) << i;
    EXPECT_EQ(cell->PixelColour(79, i), 0u) << i;
  }
}

TEST_F(PictureFiles, ThumbnailOfAPictureThinnerThanAPixel) {
  auto cell = DrawThumbnailCell(Put("line.bmp", SolidBmp24(1000, 1, RGB(0, 0, 200))), 80, 80, kCell, false);
  EXPECT_EQ(cell->PixelColour(40, 40), RGB(0, 0, 200));  // kept one pixel high, at round(39.96) = 40
  EXPECT_EQ(cell->PixelColour(40, 39), kCell);
}

TEST_F(PictureFiles, NoImageCells) {
  const std::string files[] = {(dir_ / "missing.jpg").string(), Put("empty.png", {}),
                               Put("notes.txt", Bytes(100, 'a'))};
  for (const auto& f : files) {
    for (bool framed : {false, true}) {
      auto cell = DrawThumbnailCell(f, 80, 80, kCell, framed);
      int dark = 0;
      for (int y = 30; y < 50; ++y)
        for (int x = 10; x < 70; ++x)
          if (cell->PixelColour(x, y) != kCell) ++dark;
      EXPECT_GT(dark, 20) << "text drawn in the middle: " << f;
      EXPECT_EQ(cell->PixelColour(5, 5), kCell);
      EXPECT_EQ(cell->PixelColour(0, 0), framed ? 0u : kCell);
      EXPECT_EQ(cell->PixelColour(79, 40), framed ? 0u : kCell);
    }
  }
}
