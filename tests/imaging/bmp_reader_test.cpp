// The BMP and DIB reader on small files built here byte by byte.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/picture_io.h"

using namespace imaging;

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& v, uint32_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void Put32(Bytes& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
}
void Append(Bytes& v, const Bytes& w) { v.insert(v.end(), w.begin(), w.end()); }

Bytes Info(int32_t w, int32_t h, int bpp, uint32_t compression = 0, uint32_t used = 0, uint32_t size = 40) {
  Bytes v;
  Put32(v, size);
  Put32(v, uint32_t(w));
  Put32(v, uint32_t(h));
  Put16(v, 1);
  Put16(v, uint32_t(bpp));
  Put32(v, compression);
  Put32(v, 0);
  Put32(v, 2835);
  Put32(v, 2835);
  Put32(v, used);
  Put32(v, 0);
  v.resize(size, 0);
  return v;
}

Bytes Core(uint16_t w, uint16_t h, int bpp) {
  Bytes v;
  Put32(v, 12);
  Put16(v, w);
  Put16(v, h);
  Put16(v, 1);
  Put16(v, uint32_t(bpp));
  return v;
}

// File header + everything before the pixels + pixels, offset pointing at them.
Bytes File(const Bytes& headers, const Bytes& pixels) {
  Bytes v = {'B', 'M'};
  Put32(v, uint32_t(14 + headers.size() + pixels.size()));
  Put32(v, 0);
  Put32(v, uint32_t(14 + headers.size()));
  Append(v, headers);
  Append(v, pixels);
  return v;
}

Bytes Table(std::initializer_list<Colour> colours) {
  Bytes v;
  for (Colour c : colours) {
    v.push_back(BlueOf(c));
    v.push_back(GreenOf(c));
    v.push_back(RedOf(c));
    v.push_back(0);
  }
  return v;
}

Bitmap Read(const Bytes& f) { return ReadBmp(f.data(), f.size()); }

void ExpectBad(const Bytes& f) {
  try {
    Read(f);
    ADD_FAILURE() << "accepted a bad file";
  } catch (const PictureError& e) {
    EXPECT_STREQ(e.what(), "ビットマップイメージが不正です");
  }
}

constexpr Colour kRed = RGB(255, 0, 0), kGreen = RGB(0, 255, 0), kBlue = RGB(0, 0, 255),
                 kWhite = RGB(255, 255, 255), kGrey = RGB(10, 20, 30);

}  // namespace

TEST(BmpReader, TwentyFourBitRowsBottomUpAndTopDown) {
  // 3 x 2: each row 9 bytes + 3 padding.
  Bytes bottomRow = {0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0};  // red green blue
  Bytes topRow = {255, 255, 255, 30, 20, 10, 0, 0, 0, 0, 0, 0};   // white grey black
  Bytes up = bottomRow;
  Append(up, topRow);
  const Bitmap a = Read(File(Info(3, 2, 24), up));
  ASSERT_EQ(a.GetPixelFormat(), PixelFormat::pf24bit);
  ASSERT_EQ(a.Width(), 3);
  ASSERT_EQ(a.Height(), 2);
  EXPECT_EQ(a.PixelColour(0, 0), kWhite);
  EXPECT_EQ(a.PixelColour(1, 0), kGrey);
  EXPECT_EQ(a.PixelColour(0, 1), kRed);
  EXPECT_EQ(a.PixelColour(2, 1), kBlue);

  Bytes down = topRow;
  Append(down, bottomRow);
  const Bitmap b = Read(File(Info(3, -2, 24), down));
  EXPECT_EQ(b.Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(b.PixelColour(x, y), a.PixelColour(x, y)) << x << "," << y;
}

TEST(BmpReader, LastRowWithoutPaddingIsAccepted) {
  Bytes px = {0, 0, 255, 0, 0, 255, 0};  // bottom row padded, top row not
  const Bitmap b = Read(File(Info(1, 2, 24), px));
  EXPECT_EQ(b.PixelColour(0, 0), kGreen);
  EXPECT_EQ(b.PixelColour(0, 1), kRed);
}

TEST(BmpReader, WriterOutputReadsBack) {
  Bitmap src(5, 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) src.SetPixelColour(x, y, RGB(uint8_t(x * 50), uint8_t(y * 80), uint8_t(x + y)));
  const Bytes f = WriteBmp24(src);
  const Bitmap b = Read(f);
  ASSERT_EQ(b.Width(), 5);
  ASSERT_EQ(b.Height(), 3);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(b.PixelColour(x, y), src.PixelColour(x, y));
}

TEST(BmpReader, PaletteFormatsKeepTheirTable) {
  // 1 bit, 10 x 1: bits 1010000011 -> 0xA0 0xC0.
  {
    Bytes h = Info(10, 1, 1);
    Append(h, Table({kRed, kBlue}));
    const Bitmap b = Read(File(h, {0xA0, 0xC0, 0, 0}));
    ASSERT_EQ(b.GetPixelFormat(), PixelFormat::pf1bit);
    ASSERT_EQ(b.Palette().size(), 2u);
    EXPECT_EQ(b.Palette()[0], kRed);
    const Colour expect[10] = {kBlue, kRed, kBlue, kRed, kRed, kRed, kRed, kRed, kBlue, kBlue};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(b.PixelColour(x, 0), expect[x]) << x;
  }
  // 4 bit with a 3-entry table; index 15 lies past it and reads black.
  {
    Bytes h = Info(3, 1, 4, 0, 3);
    Append(h, Table({kRed, kGreen, kBlue}));
    const Bitmap b = Read(File(h, {0x21, 0xF0, 0, 0}));
    ASSERT_EQ(b.GetPixelFormat(), PixelFormat::pf4bit);
    ASSERT_EQ(b.Palette().size(), 16u);
    EXPECT_EQ(b.PixelColour(0, 0), kBlue);
    EXPECT_EQ(b.PixelColour(1, 0), kGreen);
    EXPECT_EQ(b.PixelColour(2, 0), RGB(0, 0, 0));
  }
  // 8 bit with 2 entries used; index 200 reads black.
  {
    Bytes h = Info(3, 1, 8, 0, 2);
    Append(h, Table({kGrey, kWhite}));
    const Bitmap b = Read(File(h, {1, 0, 200, 0}));
    ASSERT_EQ(b.GetPixelFormat(), PixelFormat::pf8bit);
    EXPECT_EQ(b.ScanLine(0)[2], 200);
    EXPECT_EQ(b.PixelColour(0, 0), kWhite);
    EXPECT_EQ(b.PixelColour(1, 0), kGrey);
    EXPECT_EQ(b.PixelColour(2, 0), RGB(0, 0, 0));
  }
}

TEST(BmpReader, GlyphDibAsTheGlyphToolWritesIt) {
  // 9 x 2, 1 bit, rows bottom-up, black and white table, no file header.
  Bytes d = Info(9, 2, 1, 0, 2);
  Append(d, Table({RGB(0, 0, 0), kWhite}));
  Append(d, {0xFF, 0x80, 0, 0});  // bottom row: all white
  Append(d, {0x01, 0x00, 0, 0});  // top row: only x = 7 white
  const Bitmap b = ReadDib(d.data(), d.size());
  ASSERT_EQ(b.GetPixelFormat(), PixelFormat::pf1bit);
  ASSERT_EQ(b.Width(), 9);
  for (int x = 0; x < 9; ++x) {
    EXPECT_EQ(b.PixelColour(x, 0), x == 7 ? kWhite : RGB(0, 0, 0)) << x;
    EXPECT_EQ(b.PixelColour(x, 1), kWhite) << x;
  }
}

TEST(BmpReader, CoreHeader) {
  Bytes h = Core(2, 1, 8);
  for (int i = 0; i < 256; ++i) Append(h, {uint8_t(i), uint8_t(255 - i), 7});  // 3-byte entries B G R
  const Bitmap b = Read(File(h, {3, 250, 0, 0}));
  ASSERT_EQ(b.GetPixelFormat(), PixelFormat::pf8bit);
  EXPECT_EQ(b.PixelColour(0, 0), RGB(7, 252, 3));
  EXPECT_EQ(b.PixelColour(1, 0), RGB(7, 5, 250));

  const Bitmap c = Read(File(Core(1, 1, 24), {1, 2, 3, 0}));
  EXPECT_EQ(c.PixelColour(0, 0), RGB(3, 2, 1));
}

TEST(BmpReader, SixteenAndThirtyTwoBitsBecomeTwentyFour) {
  struct Case {
    const char* name;
    int bpp;
    uint32_t compression;
    Bytes masks;
    Bytes pixels;
    Colour expect0, expect1;
  };
  Bytes m565, m32;
  Put32(m565, 0xF800);
  Put32(m565, 0x07E0);
  Put32(m565, 0x001F);
  Put32(m32, 0x000000FF);  // red in the low byte
  Put32(m32, 0x0000FF00);
  Put32(m32, 0x00FF0000);
  const Case cases[] = {
      // 5-5-5: 0x7C00 red, 0x03E0 green; 0x4210 = 16,16,16 of 31 -> 132.
      {"16 bits 555", 16, 0, {}, {0x00, 0x7C, 0x10, 0x42}, kRed, RGB(132, 132, 132)},
      {"16 bits 565", 16, 3, m565, {0xE0, 0x07, 0x1F, 0x00}, kGreen, kBlue},
      {"32 bits", 32, 0, {}, {1, 2, 3, 99, 255, 0, 0, 0}, RGB(3, 2, 1), kBlue},
      {"32 bits fields", 32, 3, m32, {1, 2, 3, 0, 0, 0, 255, 0}, RGB(1, 2, 3), kBlue},
  };
  for (const Case& c : cases) {
    Bytes h = Info(2, 1, c.bpp, c.compression);
    Append(h, c.masks);
    Bytes px = c.pixels;
    px.resize((px.size() + 3) & ~size_t(3), 0);
    const Bitmap b = Read(File(h, px));
    ASSERT_EQ(b.GetPixelFormat(), PixelFormat::pf24bit) << c.name;
    EXPECT_EQ(b.PixelColour(0, 0), c.expect0) << c.name;
    EXPECT_EQ(b.PixelColour(1, 0), c.expect1) << c.name;
  }
}

TEST(BmpReader, Rle8RunsAbsoluteDeltaAndClipping) {
  // 5 x 3, bottom row first.
  Bytes h = Info(5, 3, 8, 1, 4);
  Append(h, Table({RGB(0, 0, 0), kRed, kGreen, kBlue}));
  const Bytes rle = {
      7, 1,              // bottom row: run of 7 reds, cut at 5
      0, 0,              // end of line
      0, 3, 2, 3, 2, 0,  // middle row: absolute 2 3 2, padded
      0, 2, 1, 1,        // delta: right 1, up 1 -> (4, 2)
      1, 3,              // top row x = 4: blue
      0, 1,              // end of bitmap
  };
  const Bitmap b = Read(File(h, rle));
  ASSERT_EQ(b.GetPixelFormat(), PixelFormat::pf8bit);
  const int expect[3][5] = {{0, 0, 0, 0, 3}, {2, 3, 2, 0, 0}, {1, 1, 1, 1, 1}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(b.ScanLine(y)[x], expect[y][x]) << x << "," << y;
}

TEST(BmpReader, Rle4) {
  // 6 x 1: run of 5 alternating 1,2 then absolute 3 pixels (3,4,5) cut at 6.
  Bytes h = Info(6, 1, 4, 2, 6);
  Append(h, Table({0, kRed, kGreen, kBlue, kWhite, kGrey}));
  const Bitmap b = Read(File(h, {5, 0x12, 0, 3, 0x34, 0x50, 0, 1}));
  ASSERT_EQ(b.GetPixelFormat(), PixelFormat::pf4bit);
  const Colour expect[6] = {kRed, kGreen, kRed, kGreen, kRed, kBlue};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(b.PixelColour(x, 0), expect[x]) << x;
}

TEST(BmpReader, RleDataCutShortIsRefusedLikeCutPixels) {
  // 4 x 2: a run, end of line, an absolute run of 3 with its padding, a
  // delta, end of bitmap. Cut anywhere before the end-of-bitmap code, the
  // data still owes rows or pixels.
  Bytes h = Info(4, 2, 8, 1, 2);
  Append(h, Table({kGrey, kRed}));
  const Bytes rle = {2, 1, 0, 0, 0, 3, 1, 0, 1, 0, 0, 2, 0, 0, 0, 1};
  const Bitmap whole = Read(File(h, rle));
  EXPECT_EQ(whole.PixelColour(0, 1), kRed);
  EXPECT_EQ(whole.PixelColour(2, 1), kGrey);
  EXPECT_EQ(whole.PixelColour(0, 0), kRed);
  EXPECT_EQ(whole.PixelColour(2, 0), kRed);
  for (size_t cut = 0; cut < rle.size() - 2; ++cut) {
    SCOPED_TRACE(cut);
    ExpectBad(File(h, Bytes(rle.begin(), rle.begin() + long(cut))));
  }
  // Without an end-of-bitmap code the rows must all be there: the last
  // row's pixels, or the end of line after it; an absolute run's padding
  // byte may be missing at the very end.
  EXPECT_EQ(Read(File(h, {4, 1, 0, 0, 4, 0})).PixelColour(3, 0), kGrey);
  EXPECT_EQ(Read(File(h, {4, 1, 0, 0, 2, 0, 0, 0})).PixelColour(0, 1), kRed);
  EXPECT_EQ(Read(File(h, {4, 1, 0, 0, 2, 0, 0, 3, 1, 1, 1})).PixelColour(2, 0), kRed);
  ExpectBad(File(h, {4, 1, 0, 0, 3, 0}));
  // RLE4 the same: an absolute run of 5 needs 3 bytes.
  Bytes h4 = Info(5, 1, 4, 2, 2);
  Append(h4, Table({kGrey, kRed}));
  ExpectBad(File(h4, {0, 5, 0x11}));
  EXPECT_EQ(Read(File(h4, {0, 5, 0x11, 0x11, 0x10})).PixelColour(4, 0), kRed);
}

TEST(BmpReader, PalettePicturesTooLargeAt24BitsAreRefusedFromTheHeader) {
  // 16000 x 16000 at 8 bits would fit in 256 MiB, but not once the callers
  // take it to 24 bits: refused before a pixel is decoded.
  Bytes rle = Info(16000, 16000, 8, 1, 2);
  Append(rle, Table({kGrey, kRed}));
  ExpectBad(File(rle, {0, 1}));
  Bytes plain = Info(10000, 10000, 1, 0, 2);
  Append(plain, Table({kGrey, kRed}));
  ExpectBad(File(plain, Bytes(1252 * 10000, 0)));
  // The largest square that fits at 24 bits still loads.
  Bytes fits = Info(9000, 9000, 8, 1, 2);
  Append(fits, Table({kGrey, kRed}));
  EXPECT_EQ(Read(File(fits, {0, 1})).Width(), 9000);
}

TEST(BmpReader, HostileFilesAreRefused) {
  Bytes table8 = Table({kRed});
  Bytes huge = Info(100000, 100000, 24);
  Bytes hugeRle = Info(100000, 100000, 8, 1);
  Append(hugeRle, Table({kRed, kBlue}));
  Bytes badBpp = Info(1, 1, 7);
  Bytes zeroW = Info(0, 1, 24);
  Bytes minH = Info(1, INT32_MIN, 24);
  Bytes rleTopDown = Info(1, -1, 8, 1);
  Bytes rle8At4 = Info(1, 1, 4, 1);
  Bytes fields24 = Info(1, 1, 24, 3);
  Bytes unknownComp = Info(1, 1, 24, 9);
  Bytes header64 = Info(1, 1, 24, 0, 0, 64);
  Bytes shortTable = Info(1, 1, 8, 0, 200);
  Bytes fieldsNoMasks = Info(1, 1, 16, 3);
  Bytes full = File(Info(4, 4, 24), Bytes(48, 7));

  ExpectBad({});
  ExpectBad({'B', 'M'});
  ExpectBad(File(huge, Bytes(16, 0)));
  ExpectBad(File(hugeRle, {0, 1}));
  ExpectBad(File(badBpp, {0, 0, 0, 0}));
  ExpectBad(File(zeroW, {}));
  ExpectBad(File(minH, Bytes(4, 0)));
  ExpectBad(File(rleTopDown, {0, 1}));
  ExpectBad(File(rle8At4, {0, 1}));
  ExpectBad(File(fields24, Bytes(16, 0)));
  ExpectBad(File(unknownComp, Bytes(4, 0)));
  ExpectBad(File(header64, Bytes(4, 0)));
  ExpectBad(File(shortTable, Bytes(4, 0)));
  ExpectBad(File(fieldsNoMasks, {}));
  // Pixel data cut short anywhere.
  for (size_t cut = 1; cut < full.size(); cut += 5) {
    Bytes part(full.begin(), full.end() - long(cut));
    ExpectBad(part);
  }
  // Not a BMP file at all.
  ExpectBad(Bytes{'P', 'K', 3, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0});
  EXPECT_THROW(ReadDib(nullptr, 0), PictureError);
}

TEST(BmpReader, PixelOffsetOutsideTheFileFallsBackToTheTable) {
  Bytes f = File(Info(1, 1, 24), {9, 8, 7, 0});
  f[10] = 0xFF;  // offset far past the end
  f[11] = 0xFF;
  EXPECT_EQ(Read(f).PixelColour(0, 0), RGB(7, 8, 9));
}
