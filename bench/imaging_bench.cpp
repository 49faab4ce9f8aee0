// Imaging benchmark, run by hand through bench/imaging.sh (see README).
//
//   imaging_bench <work folder> [resample|rotate|jpeg|thumbs|camera]...
//
// Every baseline runs in this same process on the same pixels or bytes in
// memory, and only the operation itself is timed:
// 1. ResampleBitmap, 4000x3000 -> 800x600 and 600x600 -> 1200x1200, each of
//    the six filters, against ImageMagick's ResizeImage with the matching
//    filter to the same size.
// 2. RotateBitmapFree of a 4000x3000 picture by 30 degrees against
//    ImageMagick's RotateImage by 30 degrees (what `-rotate 30` runs).
//    Both tables are printed twice: one thread each, then all cores each.
// 3. ReadJpeg of a 24-megapixel JPEG against TurboJPEG decoding the same
//    bytes to the same blue-green-red pixels (checked equal).
// 4. DrawThumbnailCell over a folder of JPEGs of 12 megapixels against
//    reading and decoding the same files with TurboJPEG (a thumbnail decodes
//    the whole picture, so the full decode is the floor of its cost).
// 5. ReadJpeg of an 8000x6000 camera-like JPEG (written by WriteJpeg, as the
//    maker loads them) against libjpeg alone on the same bytes, on one core
//    and on all cores (checked equal).
// Each figure is the best of several runs. The baselines are compiled in
// when their development packages were found (bench/imaging.sh installs
// them); otherwise their columns say n/a.
#include <QGuiApplication>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/photo.h"
#include "imaging/bitmap_ops.h"
#include "imaging/jpeg_fast.h"
#include "imaging/parallel_rows.h"
#include "imaging/picture_io.h"
#include "imaging/picture_loader.h"

#ifdef HAVE_MAGICKCORE
#include <magick/MagickCore.h>
#include <omp.h>
#endif
#ifdef HAVE_TURBOJPEG
#include <turbojpeg.h>
#endif

using namespace imaging;
namespace fs = std::filesystem;

namespace {

struct Timing {
  double wall = 1e30;  // seconds, best run
  double cpu = 0;      // process CPU seconds of that run: cpu / wall = cores kept busy
};

double CpuNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Best of `runs`; prepare() runs untimed before each run.
Timing Best(int runs, const std::function<void()>& prepare, const std::function<void()>& f) {
  Timing best;
  for (int i = 0; i < runs; ++i) {
    prepare();
    const double c0 = CpuNow();
    const auto t0 = std::chrono::steady_clock::now();
    f();
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = CpuNow();
    const double wall = std::chrono::duration<double>(t1 - t0).count();
    if (wall < best.wall) best = Timing{wall, c1 - c0};
  }
  return best;
}

Timing Best(int runs, const std::function<void()>& f) {
  return Best(runs, [] {}, f);
}

std::string LoadAverage() {
  std::ifstream f("/proc/loadavg");
  std::string a, b, c;
  f >> a >> b >> c;
  return a + " " + b + " " + c;
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

// One process-wide thread setting for both sides.
struct Threads {
  unsigned ours;    // row bands of our operations
  unsigned magick;  // ImageMagick's thread resource limit
};

#ifdef HAVE_MAGICKCORE
// ImageMagick's image of the same pixels, built once outside the timing.
struct MagickImage {
  Image* image = nullptr;
  explicit MagickImage(const Bitmap& b) {
    std::vector<uint8_t> packed(size_t(b.Width()) * size_t(b.Height()) * 3);
    for (int y = 0; y < b.Height(); ++y)
      std::memcpy(packed.data() + size_t(y) * size_t(b.Width()) * 3, b.ScanLine(y), size_t(b.Width()) * 3);
    ExceptionInfo* e = AcquireExceptionInfo();
    image = ConstituteImage(size_t(b.Width()), size_t(b.Height()), "BGR", CharPixel, packed.data(), e);
    DestroyExceptionInfo(e);
  }
  ~MagickImage() {
    if (image) DestroyImage(image);
  }
  MagickImage(const MagickImage&) = delete;
  MagickImage& operator=(const MagickImage&) = delete;
};

const char* CacheName(CacheType t) {
  switch (t) {
    case MemoryCache: return "memory";
    case MapCache: return "memory-mapped file";
    case DiskCache: return "disk";
    default: return "other";
  }
}

// Times fn(image, exception), which returns a new image; gives its size and
// where its pixels were kept.
template <class Fn>
Timing MagickBest(int runs, const MagickImage& src, size_t* outW, size_t* outH, Fn fn, CacheType* cache = nullptr) {
  ExceptionInfo* e = AcquireExceptionInfo();
  Image* result = nullptr;
  bool failed = false;
  const Timing t = Best(
      runs,
      [&] {
        if (result) result = DestroyImage(result);
      },
      [&] {
        result = fn(src.image, e);
        failed = failed || !result;
      });
  *outW = result ? result->columns : 0;
  *outH = result ? result->rows : 0;
  if (cache) *cache = result ? GetImagePixelCacheType(result) : UndefinedCache;
  if (result) DestroyImage(result);
  DestroyExceptionInfo(e);
  return failed ? Timing{} : t;
}
#endif

// ImageMagick caps its thread limit at OpenMP's current maximum, which its
// own limit of 1 lowers; so OpenMP's is set first.
void SetThreads(const Threads& t) {
  SetRowBandLimit(t.ours);
#ifdef HAVE_MAGICKCORE
  omp_set_num_threads(int(t.magick));
  SetMagickResourceLimit(ThreadResource, t.magick);
#endif
}

unsigned MagickThreads() {
#ifdef HAVE_MAGICKCORE
  return unsigned(GetMagickResourceLimit(ThreadResource));
#else
  return 0;
#endif
}

std::string Busy(const Timing& t) {
  char s[32];
  std::snprintf(s, sizeof s, "%.1f", t.cpu / t.wall);
  return s;
}

void ResampleSection(const Threads& threads, int runs) {
  struct Filter {
    imaging::ResampleFilter id;
    const char* name;
#ifdef HAVE_MAGICKCORE
    FilterTypes im;
#endif
  };
#ifdef HAVE_MAGICKCORE
#define IM_FILTER(x) , x
#else
#define IM_FILTER(x)
#endif
  const Filter filters[] = {
      {rfNearest, "nearest" IM_FILTER(PointFilter)},      {rfBilinear, "bilinear" IM_FILTER(TriangleFilter)},
      {rfBicubic, "bicubic" IM_FILTER(CubicFilter)},      {rfLagrange, "Lagrange" IM_FILTER(LagrangeFilter)},
      {rfBSpline, "B-spline" IM_FILTER(SplineFilter)},    {rfMitchell, "Mitchell" IM_FILTER(MitchellFilter)},
  };
#undef IM_FILTER
  struct Size {
    int w, h, nw, nh;
  };
  SetThreads(threads);
  for (const Size s : {Size{4000, 3000, 800, 600}, Size{600, 600, 1200, 1200}}) {
    const Bitmap src = Scene(s.w, s.h, 11);
#ifdef HAVE_MAGICKCORE
    const MagickImage isrc(src);
#endif
    const double mp = s.nw * double(s.nh) / 1e6;
    std::printf("\nresample %dx%d -> %dx%d, output megapixels per second (busy = CPU time / wall time)\n", s.w, s.h,
                s.nw, s.nh);
    std::printf("  %-9s %8s %5s %12s %5s %8s\n", "filter", "ours", "busy", "ImageMagick", "busy", "ratio");
    for (const Filter& f : filters) {
      Bitmap b;
      bool ok = true;
      const Timing t = Best(
          runs, [&] { b = src; },  // the call replaces its picture, so each run gets a fresh copy
          [&] { ok = ResampleBitmap(b, s.nw, s.nh, f.id) && ok; });
      if (!ok || b.Width() != s.nw || b.Height() != s.nh) {
        std::printf("  %-9s failed\n", f.name);
        continue;
      }
      std::printf("  %-9s %8.1f %5s", f.name, mp / t.wall, Busy(t).c_str());
#ifdef HAVE_MAGICKCORE
      // Cubic with B = 0 and C = 1 is cubic convolution with a = -1.
      if (f.id == rfBicubic) {
        SetImageArtifact(isrc.image, "filter:b", "0");
        SetImageArtifact(isrc.image, "filter:c", "1");
      }
      size_t iw = 0, ih = 0;
      const Timing m = MagickBest(runs, isrc, &iw, &ih, [&](const Image* im, ExceptionInfo* e) {
        return ResizeImage(im, size_t(s.nw), size_t(s.nh), f.im, 1.0, e);
      });
      if (f.id == rfBicubic) {
        DeleteImageArtifact(isrc.image, "filter:b");
        DeleteImageArtifact(isrc.image, "filter:c");
      }
      if (iw != size_t(s.nw) || ih != size_t(s.nh))
        std::printf(" %12s\n", "failed");
      else
        std::printf(" %12.1f %5s %7.2fx\n", mp / m.wall, Busy(m).c_str(), m.wall / t.wall);
#else
      std::printf(" %12s\n", "n/a");
#endif
    }
  }
}

void RotateSection(const Threads& threads, int runs) {
  SetThreads(threads);
  const Bitmap src = Scene(4000, 3000, 17);
  Bitmap b;
  const Timing t = Best(runs, [&] { b = src; }, [&] { RotateBitmapFree(b, 0, 30.0f); });
  std::printf("\nfree rotation 4000x3000 by 30 degrees, seconds (busy = CPU time / wall time)\n");
  std::printf("  ours         %dx%d  %.3f s  busy %s\n", b.Width(), b.Height(), t.wall, Busy(t).c_str());
#ifdef HAVE_MAGICKCORE
  const MagickImage isrc(src);
  size_t iw = 0, ih = 0;
  CacheType cache = UndefinedCache;
  const Timing m = MagickBest(
      runs, isrc, &iw, &ih, [](const Image* im, ExceptionInfo* e) { return RotateImage(im, 30.0, e); }, &cache);
  std::printf("  ImageMagick  %zux%zu  %.3f s  busy %s   ratio %.2fx   (its pixels: %s)\n", iw, ih, m.wall,
              Busy(m).c_str(), m.wall / t.wall, CacheName(cache));
  std::printf("  (ImageMagick's RotateImage resamples through its distortion filter; ours interpolates bilinearly\n"
              "   against the fill colour, so the pixels differ and only the work is alike)\n");
#else
  std::printf("  ImageMagick  n/a\n");
#endif
}

#ifdef HAVE_TURBOJPEG
// TurboJPEG's decoding of the bytes. It writes into a bitmap of ours, so that
// both sides get the same kind of memory (our large buffers take huge pages,
// which saves most of the page faults of a fresh picture) and only the
// decoding differs.
struct TurboDecoder {
  tjhandle handle = tjInitDecompress();
  ~TurboDecoder() { tjDestroy(handle); }
  TurboDecoder() = default;
  TurboDecoder(const TurboDecoder&) = delete;
  TurboDecoder& operator=(const TurboDecoder&) = delete;
  // Accurate DCT and smooth upsampling (flags 0): libjpeg's defaults, which
  // ReadJpeg uses; the faster flags give other pixels.
  Bitmap Decode(const std::vector<uint8_t>& bytes) {
    int w = 0, h = 0, sub = 0, space = 0;
    if (tjDecompressHeader3(handle, bytes.data(), static_cast<unsigned long>(bytes.size()), &w, &h, &sub, &space) != 0)
      return {};
    Bitmap out = Bitmap::Unfilled(w, h, PixelFormat::pf24bit);
    if (tjDecompress2(handle, bytes.data(), static_cast<unsigned long>(bytes.size()), out.ScanLine(0), w,
                      int(out.Stride()), h, TJPF_BGR, 0) != 0)
      return {};
    return out;
  }
};
#endif

void JpegSection(const fs::path& work, int runs) {
  // One thread each: TurboJPEG decodes on one.
  SetRowBandLimit(1);
  const fs::path file = work / "photo_24mp.jpg";
  if (!fs::exists(file)) WriteFile(file, WriteJpeg(Scene(6000, 4000, 5)));
  const std::vector<uint8_t> bytes = ReadFile(file);
  // The two decoders take turns, so that both see the same load; a decode
  // is short, so each gets three times the runs.
  Bitmap b, px;
  Timing t, d;
#ifdef HAVE_TURBOJPEG
  TurboDecoder tj;
#endif
  for (int i = 0; i < 3 * runs; ++i) {
    const Timing one = Best(1, [&] { b = ReadJpeg(bytes.data(), bytes.size()); });
    if (one.wall < t.wall) t = one;
#ifdef HAVE_TURBOJPEG
    const Timing other = Best(1, [&] { px = tj.Decode(bytes); });
    if (other.wall < d.wall) d = other;
#endif
  }
  std::printf("\nJPEG 6000x4000 (24 MP, %.1f MB) decoded from memory, one thread each, best of %d\n",
              bytes.size() / 1e6, 3 * runs);
  std::printf("  ours       %.3f s (%.1f MP/s)\n", t.wall, 24 / t.wall);
#ifdef HAVE_TURBOJPEG
  bool same = px.Width() == b.Width() && px.Height() == b.Height();
  for (int y = 0; same && y < b.Height(); ++y)
    same = std::memcmp(px.ScanLine(y), b.ScanLine(y), size_t(b.Width()) * 3) == 0;
  std::printf("  TurboJPEG  %.3f s (%.1f MP/s)   same pixels: %s   ratio ours/TurboJPEG speed %.2fx\n", d.wall,
              24 / d.wall, same ? "yes" : "NO", d.wall / t.wall);
#else
  std::printf("  TurboJPEG  n/a\n");
#endif
}

void CameraJpegSection(const fs::path& work, int runs) {
  const fs::path file = work / "camera_48mp.jpg";
  if (!fs::exists(file)) WriteFile(file, WriteJpeg(bench::Photo(8000, 6000, 3)));
  const std::vector<uint8_t> bytes = ReadFile(file);
  std::printf("\nJPEG 8000x6000 camera-like (48 MP, %.1f MB, 4:2:0, no restart markers), best of %d\n",
              bytes.size() / 1e6, 3 * runs);
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  for (const unsigned threads : {1u, cores}) {
    SetRowBandLimit(threads);
    // The two decoders take turns, so that both see the same load.
    Bitmap ours, theirs;
    Timing t, l;
    for (int i = 0; i < 3 * runs; ++i) {
      const Timing one = Best(1, [&] { ours = ReadJpeg(bytes.data(), bytes.size()); });
      if (one.wall < t.wall) t = one;
      const Timing other = Best(1, [&] { theirs = jpeg_fast::ReadWithLibjpeg(bytes.data(), bytes.size()); });
      if (other.wall < l.wall) l = other;
    }
    bool same = ours.Width() == theirs.Width() && ours.Height() == theirs.Height();
    for (int y = 0; same && y < ours.Height(); ++y)
      same = std::memcmp(ours.ScanLine(y), theirs.ScanLine(y), size_t(ours.Width()) * 3) == 0;
    std::printf("  %u thread%s: ReadJpeg %.1f ms (%.1f cores busy)   libjpeg alone %.1f ms   same pixels: %s   "
                "ratio libjpeg/ours %.2fx\n",
                threads, threads == 1 ? " " : "s", t.wall * 1e3, t.cpu / t.wall, l.wall * 1e3, same ? "yes" : "NO",
                l.wall / t.wall);
  }
}

void ThumbnailSection(const fs::path& work, int runs) {
  constexpr int kFiles = 40;
  const fs::path folder = work / "thumbs_12mp";
  fs::create_directories(folder);
  std::vector<fs::path> files;
  for (int i = 0; i < kFiles; ++i) {
    const fs::path f = folder / ("photo_" + std::to_string(i) + ".jpg");
    if (!fs::exists(f)) {
      if (i == 0) std::printf("\n(generating %d JPEGs of 4000x3000 in %s)\n", kFiles, folder.c_str());
      WriteFile(f, WriteJpeg(Scene(4000, 3000, uint32_t(i + 100))));
    }
    files.push_back(f);
  }
  const Timing t = Best(std::max(1, runs / 2), [&] {
    for (const auto& f : files)
      if (!DrawThumbnailCell(f.string(), 96, 96, 0xCDFAFF, true)) std::abort();
  });
  std::printf("\nthumbnails 96x96 of %d JPEGs of 12 MP, files read and decoded\n  ours       %.2f thumbnails/s\n",
              kFiles, kFiles / t.wall);
#ifdef HAVE_TURBOJPEG
  TurboDecoder tj;
  const Timing d = Best(std::max(1, runs / 2), [&] {
    for (const auto& f : files)
      if (tj.Decode(ReadFile(f)).Empty()) std::abort();
  });
  std::printf("  TurboJPEG  full decode only %.2f files/s   ratio %.2fx\n", kFiles / d.wall, d.wall / t.wall);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: imaging_bench <work folder> [resample|rotate|jpeg|thumbs|camera]...\n");
    return 2;
  }
  const fs::path work = argv[1];
  fs::create_directories(work);
  std::vector<std::string> parts(argv + 2, argv + argc);
  auto want = [&](const char* p) { return parts.empty() || std::find(parts.begin(), parts.end(), p) != parts.end(); };
  const int runs = std::getenv("BENCH_RUNS") ? std::max(1, std::atoi(std::getenv("BENCH_RUNS"))) : 7;
#ifdef HAVE_MAGICKCORE
  MagickCoreGenesis(argv[0], MagickFalse);
  // Room to keep its pictures in memory, as ours are (its policy file may
  // still cap these).
  SetMagickResourceLimit(MemoryResource, MagickResourceInfinity);
  SetMagickResourceLimit(MapResource, MagickResourceInfinity);
  SetMagickResourceLimit(AreaResource, MagickResourceInfinity);
  std::printf("ImageMagick %s\n", GetMagickVersion(nullptr));
#else
  std::printf("ImageMagick not compiled in (bench/imaging.sh installs libmagick++-dev)\n");
#endif
#ifndef HAVE_TURBOJPEG
  std::printf("TurboJPEG not compiled in (bench/imaging.sh installs libturbojpeg0-dev)\n");
#endif
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::printf("cores: %u   load average at start: %s   best of %d runs\n", cores, LoadAverage().c_str(), runs);
  // Ratios above 1: ours is faster.
  for (const Threads t : {Threads{1, 1}, Threads{cores, cores}}) {
    if (!want("resample") && !want("rotate")) break;
    SetThreads(t);
    std::printf("\n==== %s: our row bands at most %u, ImageMagick thread limit %u ====\n",
                t.ours == 1 ? "one thread each" : "all cores each", t.ours, MagickThreads());
    if (want("resample")) ResampleSection(t, runs);
    if (want("rotate")) RotateSection(t, runs);
  }
  SetThreads(Threads{cores, cores});
  if (want("jpeg")) JpegSection(work, runs);
  if (want("thumbs")) ThumbnailSection(work, runs);
  if (want("camera")) CameraJpegSection(work, runs);
  SetThreads(Threads{cores, cores});
  std::printf("\nload average at end: %s\n", LoadAverage().c_str());
#ifdef HAVE_MAGICKCORE
  MagickCoreTerminus();
#endif
  return 0;
}
