#include "imaging/picture_loader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <vector>

#include "imaging/bitmap_ops.h"
#include "imaging/jpeg_fast.h"
#include "imaging/parallel_rows.h"
#include "imaging/picture_io.h"

namespace imaging {

namespace {

constexpr size_t kHeaderBytes = 18;

uint32_t Le32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Into a pixel buffer: a photo's file is megabytes, read once and decoded
// straight away. Large files are read in parts over the cores, each part
// faulting in its own fresh memory as it is read into.
bool ReadWholeFile(const std::string& name, detail::PixelBuffer& out) {
  // Only regular files (or links to them): opening a named pipe would wait
  // for a writer for ever, and a device may never end. What was opened is
  // checked again, since the name may have changed in between; opening it
  // without waiting keeps a pipe put there meanwhile from blocking.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(name, ec)) return false;
  const int fd = open(name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  struct stat st{};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0) return false;
  const size_t size = size_t(st.st_size);
  {
    detail::FaultInByWriters byReaders;
    out.resize(size);
  }
  constexpr size_t kPart = size_t(1) << 20;
  const int parts = int((size + kPart - 1) / kPart);
  std::atomic<bool> failed{false};
  ForEachRowBand(parts, uint64_t(size), [&](int p0, int p1) {
    for (size_t at = size_t(p0) * kPart, end = std::min(size, size_t(p1) * kPart); at < end && !failed;) {
      const ssize_t n = pread(fd, out.data() + at, end - at, off_t(at));
      if (n > 0) {
        at += size_t(n);
      } else if (n == 0 || errno != EINTR) {
        failed = true;  // an error, or the file became shorter
      }
    }
  });
  return !failed;
}

}  // namespace

bool IsBmpHeader(const uint8_t* h) {
  if (h[0] != 'B' || h[1] != 'M') return false;
  // The information-header sizes the BMP reader takes: the core header,
  // the classic one and the longer ones that image editors write today.
  const uint32_t info = Le32(h + 14);
  return info == 12 || info == 40 || info == 52 || info == 56 || info == 108 || info == 124;
}

bool IsJpegHeader(const uint8_t* h) { return h[0] == 0xFF && h[1] == 0xD8; }

bool IsGifHeader(const uint8_t* h) {
  static const uint8_t tmpl[6] = {'G', 'I', 'F', '8', '7', 'A'};
  for (int i = 0; i < 6; ++i) {
    if (h[i] == tmpl[i]) continue;
    if (i == 3) return false;
    if (i == 4) {
      if (h[i] != '9') return false;
      continue;
    }
    if (h[i] != tmpl[i] + 32) return false;
  }
  return true;
}

std::unique_ptr<Bitmap> LoadPictureFromBytes(const uint8_t* data, size_t size) {
  if (!data || size < kHeaderBytes) return nullptr;
  try {
    Bitmap b;
    if (IsBmpHeader(data))
      b = ReadBmp(data, size);
    else if (IsGifHeader(data))
      b = ReadGif(data, size);
    else if (IsJpegHeader(data))
      b = ReadJpeg(data, size);
    else
      b = ReadPng(data, size);
    if (b.Empty()) return nullptr;
    return std::make_unique<Bitmap>(std::move(b));
  } catch (...) {
    return nullptr;
  }
}

std::unique_ptr<Bitmap> LoadPictureAsBitmap(const std::string& fileName) {
  detail::PixelBuffer bytes;
  try {
    if (!ReadWholeFile(fileName, bytes)) return nullptr;
  } catch (...) {
    return nullptr;
  }
  return LoadPictureFromBytes(bytes.data(), bytes.size());
}

std::unique_ptr<Bitmap> LoadPictureShowingFirst(const std::string& fileName, const jpeg_fast::FirstRows& first) {
  auto bytes = std::make_shared<detail::PixelBuffer>();
  try {
    if (!ReadWholeFile(fileName, *bytes)) return nullptr;
    if (bytes->size() >= kHeaderBytes && IsJpegHeader(bytes->data())) {
      Bitmap b;
      if (jpeg_fast::DecodeShowingFirst(bytes, first, &b)) return std::make_unique<Bitmap>(std::move(b));
    }
  } catch (...) {
    return nullptr;
  }
  return LoadPictureFromBytes(bytes->data(), bytes->size());
}

std::unique_ptr<Bitmap> DrawThumbnailCell(const std::string& fileName, int32_t Width, int32_t Height, Colour CellColor,
                                          bool Framed) {
  auto cell = std::make_unique<Bitmap>(Width, Height, PixelFormat::pf24bit);
  Canvas& cv = cell->GetCanvas();
  cv.brush.Color = CellColor;
  cv.FillRect(Rect{0, 0, Width, Height});

  std::unique_ptr<Bitmap> picture = LoadPictureAsBitmap(fileName);
  if (picture) {
    picture->SetPixelFormat(PixelFormat::pf24bit);
    using Real = long double;
    const Real cellAspect = Real(Width) / Real(Height);
    const Real pictureAspect = Real(picture->Width()) / Real(picture->Height());
    Real tw, th;
    if (pictureAspect >= cellAspect) {
      tw = Width;
      th = Width / pictureAspect;
    } else {
      tw = Height * pictureAspect;
      th = Height;
    }
    // A picture far wider or taller than the cell would scale to less than
    // one pixel; it keeps one, so the resampling never sees a size of 0.
    const int32_t iw = std::max<int32_t>(1, int32_t(tw));
    const int32_t ih = std::max<int32_t>(1, int32_t(th));
    ResampleBitmap(*picture, iw, ih, rfLagrange);
    cv.Draw(int(std::nearbyintl((Width - tw) / 2)), int(std::nearbyintl((Height - th) / 2)), *picture);
  } else {
    cv.TextCentred(Rect{0, 0, Width, Height}, "No Image");
  }
  if (Framed) cv.FrameOutline(Rect{0, 0, Width, Height});
  return cell;
}

}  // namespace imaging
