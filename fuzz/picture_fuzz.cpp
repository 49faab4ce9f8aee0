// Feeds arbitrary bytes to the picture loader (BMP, GIF, JPEG, PNG by
// content), then takes a loaded picture down the thumbnail path: 24 bits and
// a small Lagrange resample.
#include <cstddef>
#include <cstdint>

#include "imaging/bitmap_ops.h"
#include "imaging/picture_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto b = imaging::LoadPictureFromBytes(data, size);
  if (b && uint64_t(b->Width()) * uint64_t(b->Height()) <= 4u << 20) {
    b->SetPixelFormat(imaging::PixelFormat::pf24bit);
    imaging::ResampleBitmap(*b, 7, 5, imaging::rfLagrange);
  }
  return 0;
}
