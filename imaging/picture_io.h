// Readers and writers of picture files. Readers take the file's bytes and
// never read outside them; a bad file raises PictureError with the reader's
// own message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/bitmap.h"

class QImage;

namespace imaging {

class PictureError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The largest picture the readers decode: at 24 bits per pixel, the form
// every caller brings a picture to, its rows take at most 256 MiB. A reader
// refuses a larger one from its header, before decoding any pixel, whatever
// the file's own pixel format.
inline constexpr uint64_t kMaxPictureBytes = uint64_t(1) << 28;
inline bool FitsPictureCap(int64_t width, int64_t height) {
  if (width <= 0 || height <= 0 || uint64_t(width) > kMaxPictureBytes || uint64_t(height) > kMaxPictureBytes)
    return false;
  const uint64_t stride24 = ((uint64_t(width) * 24 + 31) / 32) * 4;
  return stride24 * uint64_t(height) <= kMaxPictureBytes;
}

// A whole BMP file (file header, info header, colour table, pixels).
// Raises "ビットマップイメージが不正です" for a file it cannot read.
Bitmap ReadBmp(const uint8_t* data, size_t size);
// A packed device-independent bitmap (info header, colour table, pixels),
// the form bitmap resources are stored in.
Bitmap ReadDib(const uint8_t* data, size_t size);
// A JPEG file (grey, colour or CMYK, baseline or progressive), decoded to
// 24 bits. Raises "JPEG エラー #%d" with libjpeg's message number.
Bitmap ReadJpeg(const uint8_t* data, size_t size);
// A PNG file of any bit depth and colour type, decoded to 24 bits; pixels
// with alpha are blended over white. Raises "PNG エラー: <libpng's text>".
Bitmap ReadPng(const uint8_t* data, size_t size);
// A PNG file with its alpha, for icons (without the toolkit's image readers,
// which load every image plugin first); a null image when it cannot be read.
QImage ReadPngImage(const uint8_t* data, size_t size);
// The first image of a GIF file as an 8-bit palette picture (the colour table
// padded with black to 256 entries); the transparent index keeps its palette
// colour. Raises "GIF エラー #%d" with giflib's error number.
Bitmap ReadGif(const uint8_t* data, size_t size);

// A 24-bit BMP file of the picture (file header, 40-byte info header, rows).
std::vector<uint8_t> WriteBmp24(const Bitmap& bmp);
// A baseline JPEG file of the picture at quality 90. Raises "JPEG エラー #%d".
std::vector<uint8_t> WriteJpeg(const Bitmap& bmp);

}  // namespace imaging
