// The picture of a preview image. A layer of the clock preview is as large as
// the work picture, but mostly one colour (the transparent ground round a
// frame, a ring, the numerals or a hand), and the background shows the work
// picture itself. So a layer picture is held in one of three ways:
// - a bitmap of its own;
// - a bitmap kept elsewhere, shown without a copy (the work picture);
// - packed: tiles of 64 x 64 pixels at 24 bits, of which only those holding
//   a pixel other than the ground colour are stored.
// Read through Width, Height and PixelColour, or as a whole bitmap, every way
// gives the same pixels.
#pragma once

#include <QRect>

#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"

namespace maker {

class LayerPicture {
 public:
  LayerPicture() = default;
  // A bitmap of its own.
  LayerPicture(imaging::Bitmap own);
  LayerPicture& operator=(imaging::Bitmap own);
  LayerPicture(LayerPicture&&) noexcept = default;
  LayerPicture& operator=(LayerPicture&&) noexcept = default;
  LayerPicture(const LayerPicture&) = default;
  LayerPicture& operator=(const LayerPicture&) = default;

  // Shows `source` (null: nothing) without a copy; it must outlive the use.
  static LayerPicture Of(const imaging::Bitmap* source);
  // The 24-bit bitmap packed round the colour of its bottom-left pixel; a
  // bitmap of another format is kept as it is.
  static LayerPicture Packed(imaging::Bitmap whole);
  // A width x height picture of the colour `ground`, with `part` laid at
  // (left, top) (clipped to the picture; 24 bits).
  static LayerPicture Placed(int width, int height, imaging::Colour ground, const imaging::Bitmap& part, int left,
                             int top);

  int Width() const;
  int Height() const;
  bool Empty() const { return Width() <= 0 || Height() <= 0; }
  imaging::PixelFormat GetPixelFormat() const;
  // (x, y) must lie inside.
  imaging::Colour PixelColour(int x, int y) const;
  // The whole picture as one bitmap (a copy).
  imaging::Bitmap Whole() const;
  operator imaging::Bitmap() const { return Whole(); }

  // The bitmap when the picture is held as one (its own or shown); null when
  // packed or empty.
  const imaging::Bitmap* Solid() const;
  // The bitmap shown without a copy; null otherwise.
  const imaging::Bitmap* Referred() const { return kind_ == Kind::Refer ? ref_ : nullptr; }
  // The pixel buffer that bitmap held when it was given (null when it was
  // empty): the bitmap may have been given other pixels since.
  const void* ReferredPixels() const { return kind_ == Kind::Refer ? refPixels_ : nullptr; }
  // What tells one picture's pixels from another's: the pixel buffer.
  const void* Identity() const;
  // The picture as a bitmap of its own, made so when it is held otherwise
  // (for drawing on it).
  imaging::Bitmap& Own();

  // 24 bits only (else null): the bytes (blue, green, red) of pixel (x, y) and
  // how many pixels of the row follow from there in the same memory.
  const uint8_t* Row(int x, int y, int& count) const;
  // The rectangle of the pixels not of colour c (picture coordinates); empty
  // when there is none.
  QRect Unlike(imaging::Colour c) const;

 private:
  enum class Kind { Own, Refer, Packed };
  static constexpr int kTile = 64;
  Kind kind_ = Kind::Own;
  imaging::Bitmap own_;
  const imaging::Bitmap* ref_ = nullptr;
  const void* refPixels_ = nullptr;
  // Packed: tiles in rows, each kTile x kTile x 3 bytes in `pool_`; -1 = all
  // ground.
  int width_ = 0, height_ = 0, tilesX_ = 0;
  imaging::Colour ground_ = 0;
  std::vector<int32_t> tiles_;
  imaging::detail::PixelBuffer pool_;
  std::vector<uint8_t> groundRow_;  // kTile pixels of the ground colour
  const uint8_t* TilePixel(int x, int y) const;
};

}  // namespace maker
