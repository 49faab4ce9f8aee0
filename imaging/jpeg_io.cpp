// JPEG reading and writing through libjpeg. Reading tries the multi-core
// decoder (jpeg_fast.h) first; it gives the same pixels for the files it
// takes and declines the rest.
//
// libjpeg reports a fatal error by calling error_exit, which must not return.
// Ours jumps back (longjmp) to the one function that called into libjpeg.
// Those functions hold no C++ object with a destructor between setjmp and the
// libjpeg calls (the output bitmap lives in the caller's frame), so the jump
// skips only libjpeg's own C frames; after it the library state is destroyed
// and the error is turned into a PictureError in ordinary C++ code.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>
#include <jerror.h>

#include "imaging/jpeg_fast.h"
#include "imaging/picture_io.h"

namespace imaging {

namespace {

// Largest decoded picture accepted (256 MiB of 24-bit pixels).
constexpr uint64_t kMaxPixelBytes = uint64_t(1) << 28;
// A real progressive file has a dozen scans; thousands are only a way to make
// the decoder spin.
constexpr int kMaxScans = 500;

struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

extern "C" void JumpOnError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(e->jump, 1);
}

// Warnings (a file cut short, extra bytes) are not printed; libjpeg goes on
// and fills what is missing.
extern "C" void NoOutput(j_common_ptr) {}

extern "C" void LimitScans(j_common_ptr cinfo) {
  if (cinfo->is_decompressor) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) ERREXIT1(cinfo, JERR_BAD_SCAN_SCRIPT, d->input_scan_number);
  }
}

[[noreturn]] void Raise(int code) {
  char text[64];
  std::snprintf(text, sizeof text, "JPEG エラー #%d", code);
  throw PictureError(text);
}

uint8_t Mul255(unsigned a, unsigned b) { return uint8_t((a * b + 127) / 255); }

// Decodes into *out. Returns 0, or libjpeg's message number of the error;
// -1 when the output bitmap could not be allocated.
int DecodeInto(const uint8_t* data, size_t size, Bitmap* out) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  jpeg_progress_mgr progress;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JumpOnError;
  err.pub.output_message = NoOutput;
  if (setjmp(err.jump)) {
    const int code = err.pub.msg_code;
    jpeg_destroy_decompress(&cinfo);
    return code;
  }
  jpeg_create_decompress(&cinfo);
  progress.progress_monitor = LimitScans;
  cinfo.progress = &progress;
  jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);

  const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
  // libjpeg-turbo converts grey and colour straight to blue-green-red.
  cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
  if (uint64_t(cinfo.image_width) * cinfo.image_height * 3 > kMaxPixelBytes)
    ERREXIT1(&cinfo, JERR_IMAGE_TOO_BIG, 65500);
  jpeg_start_decompress(&cinfo);

  const int w = int(cinfo.output_width), h = int(cinfo.output_height);
  if (uint64_t(RowStride(w, PixelFormat::pf24bit)) * uint64_t(h) > kMaxPixelBytes)
    ERREXIT1(&cinfo, JERR_IMAGE_TOO_BIG, 65500);
  try {
    *out = Bitmap::Unfilled(w, h, PixelFormat::pf24bit);  // every row is decoded into
  } catch (const std::bad_alloc&) {
    jpeg_destroy_decompress(&cinfo);
    return -1;
  }
  JSAMPARRAY cmykRow = nullptr;
  if (cmyk) cmykRow = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, JDIMENSION(w) * 4, 1);
  // Adobe files store CMYK inverted (0 = full ink); others store it plainly.
  const bool inverted = cinfo.saw_Adobe_marker;
  if (!cmyk) {
    // Straight into the bitmap's rows, as many as libjpeg will give per call.
    // The row table lives in libjpeg's pool, freed with it on every path.
    auto* rows = static_cast<JSAMPROW*>(
        (*cinfo.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, sizeof(JSAMPROW) * size_t(h)));
    for (int y = 0; y < h; ++y) rows[y] = out->ScanLine(y);
    while (cinfo.output_scanline < cinfo.output_height)
      jpeg_read_scanlines(&cinfo, rows + cinfo.output_scanline, cinfo.output_height - cinfo.output_scanline);
  }
  while (cmyk && cinfo.output_scanline < cinfo.output_height) {
    const int y = int(cinfo.output_scanline);
    uint8_t* row = out->ScanLine(y);
    jpeg_read_scanlines(&cinfo, cmykRow, 1);
    const uint8_t* s = cmykRow[0];
    for (int x = 0; x < w; ++x, s += 4, row += 3) {
      unsigned c = s[0], m = s[1], yy = s[2], k = s[3];
      if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        yy = 255 - yy;
        k = 255 - k;
      }
      row[0] = Mul255(yy, k);
      row[1] = Mul255(m, k);
      row[2] = Mul255(c, k);
    }
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

struct Destination {
  unsigned char* buffer = nullptr;
  unsigned long length = 0;
};

int EncodeInto(const Bitmap& bmp, int quality, Destination* dest) {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  cinfo.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = JumpOnError;
  err.pub.output_message = NoOutput;
  if (setjmp(err.jump)) {
    const int code = err.pub.msg_code;
    jpeg_destroy_compress(&cinfo);
    return code;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &dest->buffer, &dest->length);
  cinfo.image_width = JDIMENSION(bmp.Width());
  cinfo.image_height = JDIMENSION(bmp.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {const_cast<uint8_t*>(bmp.ScanLine(int(cinfo.next_scanline)))};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return 0;
}

}  // namespace

Bitmap jpeg_fast::ReadWithLibjpeg(const uint8_t* data, size_t size) {
  Bitmap out;
  const int code = DecodeInto(data, data ? size : 0, &out);
  if (code == -1) throw std::bad_alloc();
  if (code != 0) Raise(code);
  return out;
}

Bitmap ReadJpeg(const uint8_t* data, size_t size) {
  Bitmap out;
  if (jpeg_fast::Decode(data, size, &out)) return out;
  return jpeg_fast::ReadWithLibjpeg(data, size);
}

std::vector<uint8_t> WriteJpeg(const Bitmap& src) {
  Bitmap converted;
  const Bitmap* b = &src;
  if (src.GetPixelFormat() != PixelFormat::pf24bit) {
    converted = src;
    converted.SetPixelFormat(PixelFormat::pf24bit);
    b = &converted;
  }
  Destination dest;
  const int code = EncodeInto(*b, 90, &dest);
  std::vector<uint8_t> bytes;
  if (code == 0 && dest.buffer) bytes.assign(dest.buffer, dest.buffer + dest.length);
  std::free(dest.buffer);
  if (code != 0) Raise(code);
  return bytes;
}

}  // namespace imaging
