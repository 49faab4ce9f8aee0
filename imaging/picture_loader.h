// Loading a picture file by its content, and thumbnail cells.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "imaging/bitmap.h"
#include "imaging/jpeg_fast.h"

namespace imaging {

// Format tests on the first bytes of a file; at least 18 bytes must be
// readable at `header`.
// "BM" and an information header of 12, 40, 52, 56, 108 or 124 bytes.
bool IsBmpHeader(const uint8_t* header);
// 0xFF 0xD8.
bool IsJpegHeader(const uint8_t* header);
// "GIF87a" or "GIF89a", the letters in either case.
bool IsGifHeader(const uint8_t* header);

// The whole file read and decoded: BMP, GIF or JPEG by the tests above, in
// that order, anything else through the PNG decoder. The bitmap keeps the
// format the reader produced (BMP and GIF palette pictures stay palette
// pictures). Any failure (no such file, unreadable, damaged, unknown format,
// shorter than 18 bytes) gives nullptr; nothing is reported.
std::unique_ptr<Bitmap> LoadPictureAsBitmap(const std::string& fileName);
// The same, but a large JPEG file comes back as soon as the rows `first`
// names are in, its other rows still being decoded (see
// jpeg_fast::DecodeShowingFirst): for showing a photo at once.
std::unique_ptr<Bitmap> LoadPictureShowingFirst(const std::string& fileName, const jpeg_fast::FirstRows& first);
// The same on bytes already in memory.
std::unique_ptr<Bitmap> LoadPictureFromBytes(const uint8_t* data, size_t size);

// A Width x Height 24-bit cell filled with CellColor, showing the picture of
// the file scaled to fit (Lagrange filter) and centred, or the text
// "No Image" when the file does not load; with Framed a 1-pixel black outline
// round the cell.
std::unique_ptr<Bitmap> DrawThumbnailCell(const std::string& fileName, int32_t Width, int32_t Height, Colour CellColor,
                                          bool Framed);

}  // namespace imaging
