// The multi-core JPEG decoder against libjpeg: whatever file the fast
// decoder takes, libjpeg must decode to the very same pixels. Small files
// are taken too, on any number of cores, and the last byte picks how many chunks the data is cut
// into, so that the joining of guessed chunks is exercised. The decode that
// returns with some rows first (the one before last byte picks which) must
// end with the same pixels.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>

#include "imaging/jpeg_fast.h"
#include "imaging/picture_io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  imaging::jpeg_fast::minPixels = 0;
  imaging::jpeg_fast::minThreads = 1;
  imaging::jpeg_fast::chunkCount = size ? 1u + data[size - 1] % 9u : 1u;
  imaging::Bitmap fast;
  if (!imaging::jpeg_fast::Decode(data, size, &fast)) return 0;
  imaging::Bitmap ref;
  try {
    ref = imaging::jpeg_fast::ReadWithLibjpeg(data, size);
  } catch (const imaging::PictureError&) {
    std::abort();  // taken by the fast decoder, refused by libjpeg
  }
  if (ref.Width() != fast.Width() || ref.Height() != fast.Height()) std::abort();
  for (int y = 0; y < ref.Height(); ++y)
    if (std::memcmp(ref.ScanLine(y), fast.ScanLine(y), size_t(ref.Width()) * 3) != 0) std::abort();
  auto file = std::make_shared<imaging::detail::PixelBuffer>(data, data + size);
  const int at = size > 1 ? data[size - 2] : 0;
  imaging::Bitmap first;
  const auto rows = [at](int, int height) { return std::pair<int, int>(height * at / 256, height * at / 256 + 16); };
  if (!imaging::jpeg_fast::DecodeShowingFirst(file, rows, &first)) std::abort();
  if (ref.Width() != first.Width() || ref.Height() != first.Height()) std::abort();
  for (int y = 0; y < ref.Height(); ++y)
    if (std::memcmp(ref.ScanLine(y), first.ScanLine(y), size_t(ref.Width()) * 3) != 0) std::abort();
  return 0;
}
