// The multi-core JPEG decoder against libjpeg on the same bytes: files made
// here with libjpeg in every sampling it takes, at sizes that are not whole
// MCUs, with and without restart markers, from noisy pictures so that the
// chunk cuts fall inside blocks.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

#include "imaging/jpeg_fast.h"
#include "imaging/parallel_rows.h"
#include "imaging/picture_io.h"
#include "tests/imaging/jpeg_encode.h"

using namespace imaging;

namespace {

using jpeg_test::Bytes;

enum class Kind { Grey, S444, S422, S420, S440, Progressive, AdobeRgb };

struct Options {
  Kind kind = Kind::S420;
  int quality = 90;
  int restartMcus = 0;  // 0: none
  int restartRows = 0;
};

// Noise over a gradient, with a flat band so that some blocks carry only DC.
Bytes Samples(int w, int h, int components, unsigned seed) {
  Bytes s(size_t(w) * size_t(h) * size_t(components));
  uint32_t r = 2654435761u * (seed + 1);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < components; ++c) {
        r = r * 1664525u + 1013904223u;
        const int base = (x * 255 / std::max(1, w - 1) + y * 97 / std::max(1, h) + c * 60) % 256;
        const bool flat = (y / 8) % 5 == 2;
        const int v = flat ? 128 : base + int(r >> 26) - 32;
        s[(size_t(y) * size_t(w) + size_t(x)) * size_t(components) + size_t(c)] = uint8_t(std::clamp(v, 0, 255));
      }
  return s;
}

Bytes Encode(int w, int h, const Options& o, unsigned seed = 1) {
  const int components = o.kind == Kind::Grey ? 1 : 3;
  return jpeg_test::EncodeSamples(
      w, h, components, components == 1 ? JCS_GRAYSCALE : JCS_RGB, Samples(w, h, components, seed),
      [&o, components](jpeg_compress_struct& c) {
        jpeg_set_quality(&c, o.quality, TRUE);
        if (o.kind == Kind::AdobeRgb) jpeg_set_colorspace(&c, JCS_RGB);
        if (components == 3 && o.kind != Kind::AdobeRgb) {
          const int hs = o.kind == Kind::S444 || o.kind == Kind::S440 ? 1 : 2;
          const int vs = o.kind == Kind::S420 || o.kind == Kind::S440 || o.kind == Kind::Progressive ? 2 : 1;
          c.comp_info[0].h_samp_factor = hs;
          c.comp_info[0].v_samp_factor = vs;
          for (int k = 1; k < 3; ++k) c.comp_info[k].h_samp_factor = c.comp_info[k].v_samp_factor = 1;
        }
        if (o.kind == Kind::Progressive) jpeg_simple_progression(&c);
        c.restart_interval = unsigned(o.restartMcus);
        c.restart_in_rows = o.restartRows;
      });
}

// Pixels equal row by row (the rows' padding is not part of the picture).
::testing::AssertionResult SamePixels(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.GetPixelFormat() != b.GetPixelFormat())
    return ::testing::AssertionFailure() << "size or format differs";
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width() * 3; ++x)
      if (a.ScanLine(y)[x] != b.ScanLine(y)[x])
        return ::testing::AssertionFailure() << "first difference at x " << x / 3 << " y " << y << ": "
                                             << int(a.ScanLine(y)[x]) << " vs " << int(b.ScanLine(y)[x]);
  return ::testing::AssertionSuccess();
}

// What a reader gives for the bytes: the picture, or the error's text.
struct Outcome {
  Bitmap pic;
  std::string error;
};
template <class Read>
Outcome Try(const Read& read, const Bytes& f) {
  Outcome o;
  try {
    o.pic = read(f.data(), f.size());
  } catch (const PictureError& e) {
    o.error = e.what();
  }
  return o;
}

// Every file is taken, whatever its size and however few the threads, and
// cut into the given number of chunks (0: two per core).
class FastJpeg : public ::testing::Test {
 protected:
  void SetUp() override {
    jpeg_fast::minPixels = 0;
    jpeg_fast::minThreads = 1;
  }
  void TearDown() override {
    jpeg_fast::minPixels = uint64_t(1) << 20;
    jpeg_fast::minThreads = 3;
    jpeg_fast::chunkCount = 0;
    SetRowBandLimit(0);
  }
};

const char* KindName(Kind k) {
  switch (k) {
    case Kind::Grey: return "grey";
    case Kind::S444: return "4:4:4";
    case Kind::S422: return "4:2:2";
    case Kind::S420: return "4:2:0";
    case Kind::S440: return "4:4:0";
    case Kind::Progressive: return "progressive";
    case Kind::AdobeRgb: return "RGB";
  }
  return "?";
}

}  // namespace

TEST_F(FastJpeg, SamePixelsAsLibjpeg) {
  struct Size {
    int w, h;
  };
  const Size sizes[] = {{1, 1}, {2, 2}, {17, 9}, {1001, 999}, {2049, 1537}};
  const Kind kinds[] = {Kind::Grey, Kind::S444, Kind::S422, Kind::S420};
  struct Coding {
    int quality, restartMcus, restartRows;
    unsigned chunks, threads;
  };
  const Coding codings[] = {
      {90, 0, 0, 0, 0},   // two chunks per core
      {75, 0, 0, 13, 3},  // more chunks than threads
      {100, 0, 0, 1, 0},  // one chunk: the decode in sequence, no guessing
      {100, 7, 0, 0, 0},  // restart intervals inside MCU rows
      {50, 0, 1, 0, 0},   // an interval per MCU row
      {90, 0, 0, 5, 1},   // guesses joined on one thread
  };
  for (const Size& s : sizes)
    for (const Kind k : kinds)
      for (const Coding& c : codings) {
        // The largest size once per sampling: it is the slowest to make.
        if (s.w > 2000 && c.quality != 90) continue;
        const Bytes f = Encode(s.w, s.h, Options{k, c.quality, c.restartMcus, c.restartRows});
        const std::string what = std::string(KindName(k)) + " " + std::to_string(s.w) + "x" + std::to_string(s.h) +
                                 " q" + std::to_string(c.quality) + " restart " + std::to_string(c.restartMcus) +
                                 "/" + std::to_string(c.restartRows) + " chunks " + std::to_string(c.chunks);
        jpeg_fast::chunkCount = c.chunks;
        SetRowBandLimit(c.threads);
        const Bitmap want = jpeg_fast::ReadWithLibjpeg(f.data(), f.size());
        Bitmap got;
        // A chroma one sample wide is the one size left to libjpeg.
        const bool declined = s.w < 3 && (k == Kind::S422 || k == Kind::S420);
        ASSERT_EQ(jpeg_fast::Decode(f.data(), f.size(), &got), !declined) << what;
        if (!declined) {
          ASSERT_TRUE(SamePixels(got, want)) << what;
        }
      }
}

TEST_F(FastJpeg, OtherKindsAreLeftToLibjpeg) {
  const Kind kinds[] = {Kind::Progressive, Kind::S440, Kind::AdobeRgb};
  for (const Kind k : kinds) {
    const Bytes f = Encode(64, 48, Options{k});
    Bitmap got;
    EXPECT_FALSE(jpeg_fast::Decode(f.data(), f.size(), &got)) << KindName(k);
    EXPECT_TRUE(SamePixels(ReadJpeg(f.data(), f.size()), jpeg_fast::ReadWithLibjpeg(f.data(), f.size())))
        << KindName(k);
  }
}

TEST_F(FastJpeg, DamagedDataGivesWhatLibjpegGives) {
  const Options withRestarts{Kind::S420, 90, 5, 0};
  const Bytes files[] = {Encode(301, 203, Options{}), Encode(301, 203, withRestarts),
                         Encode(160, 96, Options{Kind::Grey})};
  for (const unsigned chunks : {0u, 7u}) {
    jpeg_fast::chunkCount = chunks;
    for (const Bytes& good : files) {
      std::vector<Bytes> bad;
      // Cut short, inside the data and just before the end marker.
      for (size_t keep : {good.size() / 3, good.size() * 2 / 3, good.size() - 2})
        bad.emplace_back(good.begin(), good.begin() + long(keep));
      // Single bytes changed through the data, markers included.
      for (size_t at = 200; at < good.size(); at += good.size() / 23) {
        Bytes b = good;
        b[at] ^= at % 2 ? 0xFF : 0x21;
        bad.push_back(b);
      }
      // A marker where none belongs and a restart marker out of turn.
      Bytes stray = good;
      stray[good.size() / 2] = 0xFF;
      stray[good.size() / 2 + 1] = 0xC4;
      bad.push_back(stray);
      for (size_t i = 2; i + 1 < good.size(); ++i)
        if (good[i] == 0xFF && good[i + 1] == 0xD2) {
          Bytes b = good;
          b[i + 1] = 0xD5;
          bad.push_back(b);
          break;
        }
      for (size_t n = 0; n < bad.size(); ++n) {
        const Outcome got = Try(ReadJpeg, bad[n]);
        const Outcome want = Try(jpeg_fast::ReadWithLibjpeg, bad[n]);
        EXPECT_EQ(got.error, want.error) << "damage " << n;
        if (got.error.empty() && want.error.empty()) {
          EXPECT_TRUE(SamePixels(got.pic, want.pic)) << "damage " << n;
        }
      }
      // Cut short is never taken by the fast decoder.
      Bitmap pic;
      EXPECT_FALSE(jpeg_fast::Decode(bad[0].data(), bad[0].size(), &pic));
      EXPECT_FALSE(jpeg_fast::Decode(bad[2].data(), bad[2].size(), &pic));
    }
  }
}

namespace {

// The symbols of Huffman table `tableId` (class << 4 | id) in the file's
// first definition of it: where its 16 counts start.
size_t HuffmanCounts(const Bytes& f, int tableId) {
  for (size_t i = 2; i + 4 < f.size();) {
    if (f[i] != 0xFF) return 0;
    const size_t len = size_t(f[i + 2] << 8 | f[i + 3]);
    if (f[i + 1] == 0xC4)
      for (size_t at = i + 4; at + 17 <= i + 2 + len;) {
        if (f[at] == tableId) return at + 1;
        size_t total = 0;
        for (int k = 1; k <= 16; ++k) total += f[at + size_t(k)];
        at += 17 + total;
      }
    if (f[i + 1] == 0xDA) return 0;
    i += 2 + len;
  }
  return 0;
}

}  // namespace

TEST_F(FastJpeg, HuffmanTablesReadAsLibjpegReadsThem) {
  const Bytes good = Encode(320, 240, Options{});
  struct Case {
    const char* name;
    void (*patch)(Bytes&, size_t counts);
    bool taken;
  };
  const Case cases[] = {
      // Three 1-bit codes cannot be: libjpeg refuses the table.
      {"codes overflow",
       [](Bytes& f, size_t c) {
         for (size_t k = 1; k < 16; ++k)
           if (f[c + k] >= 3) {
             f[c + k] -= 3;
             f[c] += 3;
             return;
           }
       },
       false},
      // A symbol of size 0 other than sixteen zeros ends the block for libjpeg.
      {"end of block as run 1",
       [](Bytes& f, size_t c) {
         size_t total = 0;
         for (size_t k = 0; k < 16; ++k) total += f[c + k];
         for (size_t k = 0; k < total; ++k)
           if (f[c + 16 + k] == 0x00) f[c + 16 + k] = 0x10;
       },
       true},
  };
  for (const unsigned chunks : {1u, 6u}) {
    jpeg_fast::chunkCount = chunks;
    for (const Case& c : cases) {
      Bytes f = good;
      const size_t counts = HuffmanCounts(f, 0x10);
      ASSERT_NE(counts, 0u);
      c.patch(f, counts);
      Bitmap got;
      ASSERT_EQ(jpeg_fast::Decode(f.data(), f.size(), &got), c.taken) << c.name << ", chunks " << chunks;
      const Outcome want = Try(jpeg_fast::ReadWithLibjpeg, f);
      if (c.taken) {
        ASSERT_TRUE(want.error.empty()) << c.name;
        EXPECT_TRUE(SamePixels(got, want.pic)) << c.name << ", chunks " << chunks;
      } else {
        EXPECT_EQ(Try(ReadJpeg, f).error, want.error) << c.name;
      }
    }
  }
}

namespace {

// The decode that returns once the rows shown first are in, the file handed
// over as the picture loader hands it.
bool DecodeFirst(const Bytes& f, int y0, int y1, Bitmap* out) {
  auto file = std::make_shared<detail::PixelBuffer>(f.begin(), f.end());
  return jpeg_fast::DecodeShowingFirst(file, [=](int, int) { return std::pair<int, int>(y0, y1); }, out);
}

// Grey above, white below, and every quantiser raised to 255: the white
// blocks' values go beyond what the fast decoder takes, so its bands there
// fail and libjpeg has to fill them in.
Bytes ExtremeBelow(int w, int h, int whiteFrom) {
  Bytes samples(size_t(w) * size_t(h) * 3, 128);
  std::fill(samples.begin() + long(size_t(whiteFrom) * size_t(w) * 3), samples.end(), uint8_t(255));
  Bytes f = jpeg_test::EncodeSamples(w, h, 3, JCS_RGB, samples, [](jpeg_compress_struct& c) { jpeg_set_quality(&c, 100, TRUE); });
  for (size_t i = 2; i + 4 < f.size() && f[i] == 0xFF && f[i + 1] != 0xDA;) {
    const size_t len = size_t(f[i + 2] << 8 | f[i + 3]);
    if (f[i + 1] == 0xDB)
      for (size_t at = i + 4; at + 65 <= i + 2 + len; at += 65) std::fill(f.begin() + long(at + 1), f.begin() + long(at + 65), uint8_t(255));
    i += 2 + len;
  }
  return f;
}

}  // namespace

// Whichever rows come first, on however many cores, the whole picture ends
// up libjpeg's; the picture may be copied, moved or dropped at once.
TEST_F(FastJpeg, RowsShownFirstThenTheRest) {
  struct Case {
    const char* name;
    Bytes file;
  };
  const Case files[] = {
      {"4:2:0", Encode(1003, 997, Options{})},
      {"4:2:2 with restarts", Encode(801, 603, Options{Kind::S422, 90, 9, 0})},
      {"grey", Encode(640, 480, Options{Kind::Grey})},
  };
  struct Rows {
    int y0, y1;
  };
  const Rows rows[] = {{0, 100}, {450, 530}, {-300, 5000}, {900, 2000}, {10, 10}, {-50, -10}};
  for (const unsigned threads : {0u, 1u, 3u}) {
    SetRowBandLimit(threads);
    for (const Case& c : files) {
      const Bitmap want = jpeg_fast::ReadWithLibjpeg(c.file.data(), c.file.size());
      for (const Rows& r : rows) {
        const std::string what = std::string(c.name) + " rows " + std::to_string(r.y0) + ".." +
                                 std::to_string(r.y1) + " threads " + std::to_string(threads);
        Bitmap got;
        ASSERT_TRUE(DecodeFirst(c.file, r.y0, r.y1, &got)) << what;
        const Bitmap copy = got;  // taken while the rest may still be on its way
        Bitmap moved = std::move(got);
        EXPECT_TRUE(SamePixels(copy, want)) << what;
        EXPECT_TRUE(SamePixels(moved, want)) << what;
        for (int y = 0; y < want.Height(); y += 97)
          EXPECT_EQ(std::memcmp(moved.ReadyScanLine(y), want.ScanLine(y), size_t(want.Width()) * 3), 0) << what;
      }
      // Dropped before its rows are all in.
      for (int k = 0; k < 3; ++k) {
        Bitmap dropped;
        ASSERT_TRUE(DecodeFirst(c.file, 0, 16, &dropped));
      }
    }
  }
}

TEST_F(FastJpeg, BandsThatNeedLibjpegAreFilledByIt) {
  const Bytes f = ExtremeBelow(1024, 1024, 900);
  const Bitmap want = jpeg_fast::ReadWithLibjpeg(f.data(), f.size());
  Bitmap direct;
  ASSERT_FALSE(jpeg_fast::Decode(f.data(), f.size(), &direct));  // the fixture does reach libjpeg
  // The failing bands after the return, and before it.
  for (const auto& [y0, y1] : {std::pair{0, 200}, std::pair{950, 1024}}) {
    Bitmap got;
    ASSERT_TRUE(DecodeFirst(f, y0, y1, &got));
    EXPECT_TRUE(SamePixels(got, want)) << "rows " << y0 << ".." << y1;
  }
}
