// Imaging benchmark, run by hand through bench/imaging.sh (see README).
//
//   imaging_bench <work folder>
//
// 1. ResampleBitmap, 4000x3000 -> 800x600 and 600x600 -> 1200x1200, each of
//    the six filters, in output megapixels per second, next to ImageMagick's
//    `convert -resize` with the matching filter on the same picture (its time
//    for start-up and reading is measured alone and taken off).
// 2. ReadJpeg of a 24-megapixel JPEG against `djpeg` on the same file.
// 3. DrawThumbnailCell over a folder of 100 JPEGs of 12 megapixels against
//    `djpeg` decoding the same files (a thumbnail decodes the whole picture,
//    so the full decode is the floor of its cost).
// The inputs are generated in the work folder on the first run and reused.
// Each figure is the best of several runs.
#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "imaging/bitmap_ops.h"
#include "imaging/picture_io.h"
#include "imaging/picture_loader.h"

using namespace imaging;
namespace fs = std::filesystem;

namespace {

double Seconds(const std::function<void()>& f, int runs) {
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
  }
  return best;
}

bool Run(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0; }

double CommandSeconds(const std::string& cmd, int runs, bool* ok) {
  *ok = true;
  return Seconds([&] { *ok = Run(cmd) && *ok; }, runs);
}

// A picture with detail at every scale: gradients, rings and a little noise.
Bitmap Scene(int w, int h, uint32_t seed) {
  Bitmap b(w, h);
  uint32_t r = seed;
  for (int y = 0; y < h; ++y) {
    uint8_t* p = b.ScanLine(y);
    for (int x = 0; x < w; ++x, p += 3) {
      r = r * 1664525u + 1013904223u;
      const double dx = x - w * 0.4, dy = y - h * 0.6;
      const double ring = 127 + 120 * std::sin(std::sqrt(dx * dx + dy * dy) * 0.05);
      const int noise = int(r >> 28) - 8;
      p[0] = uint8_t(std::clamp(int(ring) + noise, 0, 255));
      p[1] = uint8_t(std::clamp(x * 255 / w + noise, 0, 255));
      p[2] = uint8_t(std::clamp(((x / 37 + y / 23) & 1) * 180 + y * 60 / h + noise, 0, 255));
    }
  }
  return b;
}

void WriteFile(const fs::path& p, const std::vector<uint8_t>& bytes) {
  std::ofstream f(p, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> ReadFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary | std::ios::ate);
  std::vector<uint8_t> v(size_t(f.tellg()));
  f.seekg(0);
  f.read(reinterpret_cast<char*>(v.data()), std::streamsize(v.size()));
  return v;
}

void WritePpm(const fs::path& p, const Bitmap& b) {
  std::ofstream f(p, std::ios::binary);
  f << "P6\n" << b.Width() << " " << b.Height() << "\n255\n";
  std::vector<char> row(size_t(b.Width()) * 3);
  for (int y = 0; y < b.Height(); ++y) {
    const uint8_t* s = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x) {
      row[size_t(x) * 3] = char(s[x * 3 + 2]);
      row[size_t(x) * 3 + 1] = char(s[x * 3 + 1]);
      row[size_t(x) * 3 + 2] = char(s[x * 3]);
    }
    f.write(row.data(), std::streamsize(row.size()));
  }
}

std::string Convert() {
  for (const char* c : {"/usr/bin/convert-im6.q16", "/usr/bin/magick", "/usr/bin/convert"})
    if (fs::exists(c)) return c;
  return {};
}

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

void ResampleSection(const fs::path& work, const std::string& convert) {
  struct Filter {
    ResampleFilter id;
    const char* name;
    const char* im;  // ImageMagick options for the same kernel
  };
  const Filter filters[] = {
      {rfNearest, "nearest", "-filter Point"},
      {rfBilinear, "bilinear", "-filter Triangle"},
      {rfBicubic, "bicubic", "-filter Cubic -define filter:b=0 -define filter:c=1"},  // a = -1
      {rfLagrange, "Lagrange", "-filter Lagrange"},
      {rfBSpline, "B-spline", "-filter Spline"},
      {rfMitchell, "Mitchell", "-filter Mitchell"},
  };
  struct Size {
    int w, h, nw, nh;
  };
  for (const Size s : {Size{4000, 3000, 800, 600}, Size{600, 600, 1200, 1200}}) {
    const Bitmap src = Scene(s.w, s.h, 11);
    // ImageMagick reads its own memory-mapped cache format (.mpc) almost for
    // free and writes to null:, so what is left is the resize itself; the
    // time of the same command without -resize is still taken off.
    const fs::path ppm = work / ("resample_" + std::to_string(s.w) + ".ppm");
    const fs::path in = work / ("resample_" + std::to_string(s.w) + ".mpc");
    const std::string out = "null:";
    if (!convert.empty()) {
      WritePpm(ppm, src);
      Run(convert + " " + Quote(ppm) + " " + Quote(in));
    }
    const double mp = s.nw * double(s.nh) / 1e6;
    bool ok = true;
    double io = 0;
    if (!convert.empty()) io = CommandSeconds(convert + " " + Quote(in) + " " + out, 3, &ok);
    std::printf("\nresample %dx%d -> %dx%d (output megapixels per second)\n", s.w, s.h, s.nw, s.nh);
    std::printf("  %-9s %10s %12s %8s\n", "filter", "ours", "ImageMagick", "ratio");
    for (const Filter& f : filters) {
      double t = 1e30;
      for (int run = 0; run < 3; ++run) {
        Bitmap b = src;  // the call replaces its picture, so each run gets a fresh copy
        t = std::min(t, Seconds([&] { ResampleBitmap(b, s.nw, s.nh, f.id); }, 1));
      }
      std::printf("  %-9s %10.1f", f.name, mp / t);
      if (convert.empty() || !ok) {
        std::printf(" %12s\n", "n/a");
        continue;
      }
      bool rok = true;
      const double ti = CommandSeconds(convert + " " + Quote(in) + " " + f.im + " -resize " + std::to_string(s.nw) +
                                           "x" + std::to_string(s.nh) + "! " + out,
                                       3, &rok);
      const double net = std::max(ti - io, 1e-4);
      if (rok)
        std::printf(" %12.1f %7.2fx\n", mp / net, (mp / t) / (mp / net));
      else
        std::printf(" %12s\n", "failed");
    }
  }
}

void JpegSection(const fs::path& work, bool haveDjpeg) {
  const fs::path file = work / "photo_24mp.jpg";
  if (!fs::exists(file)) WriteFile(file, WriteJpeg(Scene(6000, 4000, 5)));
  const double t = Seconds(
      [&] {
        const auto bytes = ReadFile(file);
        const Bitmap b = ReadJpeg(bytes.data(), bytes.size());
        if (b.Width() != 6000) std::abort();
      },
      5);
  std::printf("\nJPEG 6000x4000 (24 MP), file read and decode\n  ours  %.3f s (%.1f MP/s)\n", t, 24 / t);
  if (!haveDjpeg) {
    std::printf("  djpeg n/a\n");
    return;
  }
  bool ok = true;
  const double d = CommandSeconds("djpeg -ppm -outfile /dev/null " + Quote(file), 5, &ok);
  if (ok)
    std::printf("  djpeg %.3f s (%.1f MP/s)   ratio ours/djpeg speed %.2fx\n", d, 24 / d, d / t);
}

void ThumbnailSection(const fs::path& work, bool haveDjpeg) {
  const fs::path folder = work / "thumbs_12mp";
  fs::create_directories(folder);
  std::vector<fs::path> files;
  for (int i = 0; i < 100; ++i) {
    const fs::path f = folder / ("photo_" + std::to_string(i) + ".jpg");
    if (!fs::exists(f)) {
      if (i == 0) std::printf("\n(generating 100 JPEGs of 4000x3000 in %s)\n", folder.c_str());
      WriteFile(f, WriteJpeg(Scene(4000, 3000, uint32_t(i + 100))));
    }
    files.push_back(f);
  }
  const double t = Seconds(
      [&] {
        for (const auto& f : files) {
          auto cell = DrawThumbnailCell(f.string(), 96, 96, 0xCDFAFF, true);
          if (!cell) std::abort();
        }
      },
      2);
  std::printf("\nthumbnails 96x96 of 100 JPEGs of 12 MP\n  ours  %.2f thumbnails/s\n", 100 / t);
  if (!haveDjpeg) return;
  bool ok = true;
  std::string cmd = "for f in " + Quote(folder) + "/*.jpg; do djpeg -ppm -outfile /dev/null \"$f\" || exit 1; done";
  const double d = CommandSeconds("sh -c " + Quote(cmd), 2, &ok);
  if (ok)
    std::printf("  djpeg full decode only %.2f files/s   ratio ours/djpeg %.2fx\n", 100 / d, d / t);
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: imaging_bench <work folder> [resample|jpeg|thumbs]...\n");
    return 2;
  }
  const fs::path work = argv[1];
  fs::create_directories(work);
  std::vector<std::string> parts(argv + 2, argv + argc);
  auto want = [&](const char* p) { return parts.empty() || std::find(parts.begin(), parts.end(), p) != parts.end(); };
  const std::string convert = Convert();
  const bool haveDjpeg = Run("command -v djpeg");
  if (convert.empty()) std::printf("ImageMagick not found: apt-get install imagemagick (benchmark only)\n");
  if (!haveDjpeg) std::printf("djpeg not found: apt-get install libjpeg-turbo-progs (benchmark only)\n");
  std::printf("threads available: %u\n", std::thread::hardware_concurrency());
  if (want("resample")) ResampleSection(work, convert);
  if (want("jpeg")) JpegSection(work, haveDjpeg);
  if (want("thumbs")) ThumbnailSection(work, haveDjpeg);
  return 0;
}
