// Test files encoded with libjpeg itself, for the JPEG reader's tests.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include <jpeglib.h>

namespace jpeg_test {

using Bytes = std::vector<uint8_t>;

// Encodes w x h samples of `components` channels (rows top-down) in colour
// space `space`; `setup` sets the coding after libjpeg's defaults.
inline Bytes EncodeSamples(int w, int h, int components, J_COLOR_SPACE space, const Bytes& samples,
                           const std::function<void(jpeg_compress_struct&)>& setup) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* buf = nullptr;
  unsigned long len = 0;
  jpeg_mem_dest(&c, &buf, &len);
  c.image_width = JDIMENSION(w);
  c.image_height = JDIMENSION(h);
  c.input_components = components;
  c.in_color_space = space;
  jpeg_set_defaults(&c);
  setup(c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(samples.data()) + size_t(c.next_scanline) * size_t(w * components);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  Bytes out(buf, buf + len);
  jpeg_destroy_compress(&c);
  std::free(buf);
  return out;
}

}  // namespace jpeg_test
