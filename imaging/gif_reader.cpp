// GIF reading through giflib: the first image only.
//
// The picture has the size of the file's logical screen (grown to hold the
// first image if that lies partly outside it). The first image is placed at
// its position; the rest of the screen takes the background index. Pixels keep
// their palette index, so the transparent index shows its palette colour. The
// colour table is the image's own, else the file's global one, padded with
// black to 256 entries.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include <gif_lib.h>

#include "imaging/picture_io.h"

namespace imaging {

namespace {

struct Source {
  const uint8_t* p;
  size_t n;
  size_t pos;
  uint8_t stamp[3];  // the signature's letters, upper-cased for giflib
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int len) {
  auto* s = static_cast<Source*>(gif->UserData);
  if (len <= 0) return 0;
  const size_t k = std::min(size_t(len), s->n - s->pos);
  std::memcpy(out, s->p + s->pos, k);
  for (size_t i = 0; i < k && s->pos + i < 3; ++i) out[i] = s->stamp[s->pos + i];
  s->pos += k;
  return int(k);
}

[[noreturn]] void Raise(int code) {
  char text[64];
  std::snprintf(text, sizeof text, "GIF エラー #%d", code);
  throw PictureError(text);
}

// Closes the file on every way out.
struct GifFile {
  GifFileType* g = nullptr;
  ~GifFile() {
    if (g) {
      int err = 0;
      DGifCloseFile(g, &err);
    }
  }
  [[noreturn]] void Fail() const { Raise(g && g->Error ? g->Error : D_GIF_ERR_READ_FAILED); }
};

}  // namespace

Bitmap ReadGif(const uint8_t* data, size_t size) {
  // Lower-case signatures ("gif89a") are GIF files too; giflib knows only
  // the upper-case form, so it is shown that.
  Source src{data, data ? size : 0, 0, {0, 0, 0}};
  for (size_t i = 0; i < 3 && i < src.n; ++i)
    src.stamp[i] = uint8_t(data[i] >= 'a' && data[i] <= 'z' ? data[i] - 32 : data[i]);
  int err = 0;
  GifFile f;
  f.g = DGifOpen(&src, ReadFromMemory, &err);
  if (!f.g) Raise(err);
  GifFileType* g = f.g;
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(g, &type) == GIF_ERROR) f.Fail();
    if (type == TERMINATE_RECORD_TYPE) Raise(D_GIF_ERR_NO_IMAG_DSCR);
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* ext = nullptr;
      if (DGifGetExtension(g, &code, &ext) == GIF_ERROR) f.Fail();
      while (ext) {
        if (DGifGetExtensionNext(g, &ext) == GIF_ERROR) f.Fail();
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(g) == GIF_ERROR) f.Fail();
    const GifImageDesc& d = g->Image;
    if (d.Width <= 0 || d.Height <= 0 || d.Left < 0 || d.Top < 0) Raise(D_GIF_ERR_WRONG_RECORD);
    const int64_t w = std::max<int64_t>(g->SWidth, int64_t(d.Left) + d.Width);
    const int64_t h = std::max<int64_t>(g->SHeight, int64_t(d.Top) + d.Height);
    if (!FitsPictureCap(w, h)) Raise(D_GIF_ERR_NOT_ENOUGH_MEM);

    const ColorMapObject* map = d.ColorMap ? d.ColorMap : g->SColorMap;
    Bitmap out(int(w), int(h), PixelFormat::pf8bit);
    std::vector<Colour> pal(256, 0);
    if (map) {
      for (int i = 0; i < map->ColorCount && i < 256; ++i)
        pal[size_t(i)] = RGB(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
    } else {
      for (int i = 0; i < 256; ++i) pal[size_t(i)] = RGB(uint8_t(i), uint8_t(i), uint8_t(i));
    }
    out.Palette() = pal;
    const uint8_t background = g->SColorMap ? uint8_t(g->SBackGroundColor) : 0;
    for (int y = 0; y < int(h); ++y) std::memset(out.ScanLine(y), background, size_t(w));

    std::vector<GifPixelType> line(size_t(d.Width));
    auto readRow = [&](int y) {
      if (DGifGetLine(g, line.data(), d.Width) == GIF_ERROR) f.Fail();
      std::memcpy(out.ScanLine(d.Top + y) + d.Left, line.data(), line.size());
    };
    if (d.Interlace) {
      static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass)
        for (int y = start[pass]; y < d.Height; y += step[pass]) readRow(y);
    } else {
      for (int y = 0; y < d.Height; ++y) readRow(y);
    }
    return out;
  }
}

}  // namespace imaging
