// The bitmap that all picture work of the kit happens on, and its canvas.
//
// Pixels live in one buffer, rows stored from the top, each row padded to a
// multiple of 4 bytes (the layout of a device-independent bitmap). A 24-bit
// pixel is blue, green, red. Colours are 32-bit values 0x00BBGGRR.
// Palette formats (1, 4 and 8 bits per pixel) keep their colour table; the
// canvas draws only on 24- and 32-bit pictures and converts a palette picture
// to 24 bits first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class QImage;
class QPainter;

namespace imaging {

using Colour = uint32_t;  // 0x00BBGGRR

constexpr Colour RGB(uint8_t r, uint8_t g, uint8_t b) {
  return Colour(r) | (Colour(g) << 8) | (Colour(b) << 16);
}
constexpr uint8_t RedOf(Colour c) { return uint8_t(c & 0xFF); }
constexpr uint8_t GreenOf(Colour c) { return uint8_t((c >> 8) & 0xFF); }
constexpr uint8_t BlueOf(Colour c) { return uint8_t((c >> 16) & 0xFF); }

enum class PixelFormat { pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };

int BitsPerPixel(PixelFormat f);

// Row stride of a bitmap row: padded to 4 bytes. Returns 0 when the size is
// absurd (overflow), so callers can refuse it.
size_t RowStride(int width, PixelFormat f);

struct Rect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;  // Right and Bottom exclusive
};

struct Point {
  int X = 0, Y = 0;
};

class Bitmap;

namespace detail {
// Pixel storage: large buffers are aligned for huge pages, which cuts the
// page faults of a fresh 20-megapixel picture from thousands to dozens; and
// growing a buffer leaves new bytes uninitialised, for readers that write
// every row anyway (SetSize still fills explicitly).
void* AllocatePixels(size_t bytes);
void FreePixels(void* p, size_t bytes) noexcept;
// While one lives, large buffers allocated on this thread are left to fault
// in as they are written: for pictures whose rows several threads write at
// once, each faulting in its own pages, instead of a pass over all of them
// first.
class PendingRows;  // imaging/pending_rows.h
class FaultInByWriters {
 public:
  FaultInByWriters();
  ~FaultInByWriters();
  FaultInByWriters(const FaultInByWriters&) = delete;
  FaultInByWriters& operator=(const FaultInByWriters&) = delete;

 private:
  bool before_;
};
template <class T>
struct PixelAllocator {
  using value_type = T;
  PixelAllocator() = default;
  template <class U>
  PixelAllocator(const PixelAllocator<U>&) noexcept {}
  T* allocate(size_t n) { return static_cast<T*>(AllocatePixels(n * sizeof(T))); }
  void deallocate(T* p, size_t n) noexcept { FreePixels(p, n * sizeof(T)); }
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... A>
  void construct(U* p, A&&... a) {
    ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
  }
  friend bool operator==(const PixelAllocator&, const PixelAllocator&) { return true; }
};
using PixelBuffer = std::vector<uint8_t, PixelAllocator<uint8_t>>;
}  // namespace detail

// A QImage of 32 bits a pixel (format is a QImage::Format of that depth) in
// pixel memory, faulted in at once; contents undefined. A null image when
// the size is empty or the memory is not to be had.
QImage NewPixelImage(int width, int height, int format);

// Pen, brush and font of a canvas, as the drawing calls use them.
struct Pen {
  Colour Color = 0;  // black
  int Width = 1;
};
struct Brush {
  Colour Color = 0x00FFFFFF;  // white
  bool Clear = false;         // no fill
};
struct Font {
  std::string Name = "IPAPGothic";
  int Height = 12;  // pixels
  Colour Color = 0;
  bool Bold = false;
  bool Italic = false;
};

// Drawing on a bitmap. Shapes are not anti-aliased; a rectangle (l, t, r, b)
// covers columns l .. r-1 and rows t .. b-1, as on a device context.
class Canvas {
 public:
  explicit Canvas(Bitmap& owner);
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;
  Pen pen;
  Brush brush;
  Font font;

  void FillRect(const Rect& r);                 // brush colour, no outline
  void Rectangle(const Rect& r);                // pen outline, brush fill unless Clear
  void FrameOutline(const Rect& r);             // pen outline only
  void Ellipse(const Rect& r);                  // pen outline, brush fill unless Clear
  void Polygon(const std::vector<Point>& pts);  // closed, pen outline, brush fill unless Clear
  void Draw(int x, int y, const Bitmap& src);   // copy the pixels of src at (x, y)
  // Draw src at (x, y) leaving out the pixels of colour key.
  void DrawTransparent(int x, int y, const Bitmap& src, Colour key);
  void TextOut(int x, int y, const std::string& utf8);
  int TextWidth(const std::string& utf8);
  int TextHeight(const std::string& utf8);
  // Text centred in r on one line, clipped to r.
  void TextCentred(const Rect& r, const std::string& utf8);
  void SetPixel(int x, int y, Colour c);
  Colour GetPixel(int x, int y) const;
  // Runs shapes (calls of the shape functions above) through one painter,
  // which costs less than one for each; the bitmap keeps its size and format
  // meanwhile.
  void Batch(const std::function<void()>& shapes);

 private:
  template <class F>
  void Paint(F&& f);
  Bitmap& bmp_;
  // The bitmap seen as a QImage, kept while its pixels stay where they are:
  // the image keeps its paint engine, which is costly to make for each shape
  // (a clock hand is drawn every second).
  std::unique_ptr<QImage> view_;
  QPainter* open_ = nullptr;  // the painter of a running Batch
};

class Bitmap {
 public:
  Bitmap();
  Bitmap(int width, int height, PixelFormat f = PixelFormat::pf24bit);
  // A bitmap whose pixels are left undefined, for readers that write every
  // row themselves. Raises std::bad_alloc for an absurd size.
  static Bitmap Unfilled(int width, int height, PixelFormat f);
  Bitmap(const Bitmap& other);
  Bitmap& operator=(const Bitmap& other);  // copy assignment: size, format, pixels
  Bitmap(Bitmap&&) noexcept;
  Bitmap& operator=(Bitmap&&) noexcept;
  ~Bitmap();

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  PixelFormat GetPixelFormat() const { return format_; }

  // Setting the size keeps the pixels that stay inside and makes new ones
  // white (palette formats: index 0).
  void SetWidth(int w) { SetSize(w, height_); }
  void SetHeight(int h) { SetSize(width_, h); }
  void SetSize(int w, int h);
  // Converting to another format keeps the picture as closely as the target
  // format allows (to a palette format: the nearest entry of a fixed palette).
  void SetPixelFormat(PixelFormat f);

  size_t Stride() const { return stride_; }
  // Every access to the pixels waits for rows still being written (see
  // AwaitRows); ReadyScanLine waits for its own row only.
  uint8_t* ScanLine(int y) {
    if (pending_) [[unlikely]] WaitForRows();
    return data_.data() + size_t(y) * stride_;
  }
  const uint8_t* ScanLine(int y) const {
    if (pending_) [[unlikely]] WaitForRows();
    return data_.data() + size_t(y) * stride_;
  }
  const uint8_t* ReadyScanLine(int y) const;
  // What tells one pixel buffer from another; reads no pixel, so never waits.
  const void* Identity() const { return data_.data(); }
  // The bitmap's rows are still being written by the threads of `rows` (a
  // decode that goes on in the background); they stay this bitmap's while it
  // is moved, and the pixels are waited for before they are read, changed
  // or let go.
  void AwaitRows(std::unique_ptr<detail::PendingRows> rows);

  std::vector<Colour>& Palette() { return palette_; }
  const std::vector<Colour>& Palette() const { return palette_; }

  // Colour of any pixel whatever the format; (x, y) must lie inside.
  Colour PixelColour(int x, int y) const;
  void SetPixelColour(int x, int y, Colour c);  // 24 and 32 bits only

  Canvas& GetCanvas() { return *canvas_; }

  // A view of the pixels as a Qt image of the same format (24 bits: BGR888);
  // valid until the bitmap changes size or format.
  QImage AsQImage();
  // A deep copy converted to 32-bit RGB, for putting on screen.
  QImage ToQImage() const;
  // A 24-bit bitmap holding img's pixels (alpha dropped).
  static Bitmap FromQImage(const QImage& img);

 private:
  int width_ = 0, height_ = 0;
  PixelFormat format_ = PixelFormat::pf24bit;
  size_t stride_ = 0;
  detail::PixelBuffer data_;
  std::vector<Colour> palette_;
  std::unique_ptr<Canvas> canvas_;
  std::unique_ptr<detail::PendingRows> pending_;
  void WaitForRows() const;
  void EndPending();  // waits, then lets the writers' record go
  friend class Canvas;
};

}  // namespace imaging
