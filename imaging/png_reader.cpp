// PNG reading through libpng.
//
// Every bit depth and colour type ends as 8-bit blue, green, red: palettes
// are expanded, grey is copied to the three channels, 16-bit samples are
// scaled to 8 bits, and a tRNS chunk becomes an alpha channel. Alpha is then
// blended over white, value = (colour * a + 255 * (255 - a)) / 255 rounded,
// in the stored (not linearised) values, which is what the picture looks like
// on a white page. Gamma and colour-profile chunks are ignored.
//
// libpng reports errors by longjmp to the setjmp in DecodeInto; that function
// keeps no C++ object with a destructor of its own between the two, and all
// buffers live in the caller's frame.
#include <csetjmp>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include <png.h>

#include <QImage>

#include "imaging/picture_io.h"

namespace imaging {

namespace {

constexpr uint64_t kMaxPixelBytes = uint64_t(1) << 28;

struct Source {
  const uint8_t* p;
  size_t n;
  size_t pos;
  char message[160];
};

extern "C" void ReadFromMemory(png_structp png, png_bytep out, size_t len) {
  auto* s = static_cast<Source*>(png_get_io_ptr(png));
  if (len > s->n - s->pos) png_error(png, "file ends early");
  std::memcpy(out, s->p + s->pos, len);
  s->pos += len;
}

extern "C" void OnError(png_structp png, png_const_charp msg) {
  auto* s = static_cast<Source*>(png_get_error_ptr(png));
  std::strncpy(s->message, msg ? msg : "", sizeof s->message - 1);
  s->message[sizeof s->message - 1] = 0;
  png_longjmp(png, 1);
}

extern "C" void OnWarning(png_structp, png_const_charp) {}

struct Buffers {
  std::vector<uint8_t> pixels;
  std::vector<png_bytep> rows;
  int width = 0, height = 0, channels = 0;
  size_t rowBytes = 0;
};

// 0 on success, else 1 with the message in src->message.
int DecodeInto(Source* src, Buffers* out) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, src, OnError, OnWarning);
  if (!png) {
    std::strcpy(src->message, "out of memory");
    return 1;
  }
  png_infop info = png_create_info_struct(png);
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    std::strcpy(src->message, "out of memory");
    return 1;
  }
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return 1;
  }
  png_set_read_fn(png, src, ReadFromMemory);
  png_read_info(png, info);
  const png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
  const int depth = png_get_bit_depth(png, info), type = png_get_color_type(png, info);
  if (uint64_t(w) * h * 4 > kMaxPixelBytes) png_error(png, "picture too large");
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if ((type & PNG_COLOR_MASK_COLOR) == 0 && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
  if (depth == 16) png_set_scale_16(png);
  if ((type & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  out->width = int(w);
  out->height = int(h);
  out->channels = png_get_channels(png, info);
  out->rowBytes = png_get_rowbytes(png, info);
  if ((out->channels != 3 && out->channels != 4) || out->rowBytes < size_t(w) * size_t(out->channels))
    png_error(png, "unexpected layout");
  // png_error jumps away, so it is called only after the handler has ended.
  bool allocated = true;
  try {
    out->pixels.resize(out->rowBytes * h);
    out->rows.resize(h);
  } catch (const std::bad_alloc&) {
    allocated = false;
  }
  if (!allocated) png_error(png, "out of memory");
  for (png_uint_32 y = 0; y < h; ++y) out->rows[y] = out->pixels.data() + size_t(y) * out->rowBytes;
  png_read_image(png, out->rows.data());
  // The chunks after the pixels are not needed; a file cut after them still reads.
  png_destroy_read_struct(&png, &info, nullptr);
  return 0;
}

}  // namespace

Bitmap ReadPng(const uint8_t* data, size_t size) {
  Source src{data, data ? size : 0, 0, {0}};
  Buffers buf;
  if (DecodeInto(&src, &buf) != 0) throw PictureError(std::string("PNG エラー: ") + src.message);
  Bitmap out(buf.width, buf.height, PixelFormat::pf24bit);
  for (int y = 0; y < buf.height; ++y) {
    const uint8_t* s = buf.rows[size_t(y)];
    uint8_t* d = out.ScanLine(y);
    if (buf.channels == 3) {
      std::memcpy(d, s, 3 * size_t(buf.width));
      continue;
    }
    for (int x = 0; x < buf.width; ++x, s += 4, d += 3) {
      const unsigned a = s[3];
      for (int c = 0; c < 3; ++c) d[c] = uint8_t((s[c] * a + 255 * (255 - a) + 127) / 255);
    }
  }
  return out;
}

QImage ReadPngImage(const uint8_t* data, size_t size) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!data || !png_image_begin_read_from_memory(&image, data, size)) return QImage();
  // Blue, green, red, alpha in memory: 32-bit ARGB words on this byte order.
  image.format = PNG_FORMAT_BGRA;
  if (uint64_t(image.width) * image.height * 4 > kMaxPixelBytes) {
    png_image_free(&image);
    return QImage();
  }
  QImage out(int(image.width), int(image.height), QImage::Format_ARGB32);
  if (out.isNull() ||
      !png_image_finish_read(&image, nullptr, out.bits(), png_int_32(out.bytesPerLine()), nullptr)) {
    png_image_free(&image);
    return QImage();
  }
  return out;
}

}  // namespace imaging
