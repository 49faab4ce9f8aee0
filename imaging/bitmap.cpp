#include "imaging/bitmap.h"
#include "imaging/parallel_rows.h"
#include "imaging/pending_rows.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPolygon>
#include <QString>

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <limits>

namespace imaging {

int BitsPerPixel(PixelFormat f) {
  switch (f) {
    case PixelFormat::pf1bit: return 1;
    case PixelFormat::pf4bit: return 4;
    case PixelFormat::pf8bit: return 8;
    case PixelFormat::pf24bit: return 24;
    case PixelFormat::pf32bit: return 32;
  }
  return 24;
}

size_t RowStride(int width, PixelFormat f) {
  if (width <= 0) return 0;
  const uint64_t bits = uint64_t(width) * uint64_t(BitsPerPixel(f));
  const uint64_t stride = ((bits + 31) / 32) * 4;
  if (stride > uint64_t(std::numeric_limits<int32_t>::max())) return 0;
  return size_t(stride);
}

namespace {

// A fixed palette for conversions to palette formats.
std::vector<Colour> FixedPalette(PixelFormat f) {
  std::vector<Colour> p;
  if (f == PixelFormat::pf1bit) {
    p = {RGB(0, 0, 0), RGB(255, 255, 255)};
  } else if (f == PixelFormat::pf4bit) {
    static const uint8_t vga[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                       {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {128, 128, 128},
                                       {192, 192, 192}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                       {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (auto& c : vga) p.push_back(RGB(c[0], c[1], c[2]));
  } else {
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) p.push_back(RGB(uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51)));
    for (int i = 0; i < 40; ++i) {
      const uint8_t v = uint8_t(i * 255 / 39);
      p.push_back(RGB(v, v, v));
    }
  }
  return p;
}

int NearestIndex(const std::vector<Colour>& pal, Colour c) {
  int best = 0;
  long bestd = std::numeric_limits<long>::max();
  for (size_t i = 0; i < pal.size(); ++i) {
    const long dr = long(RedOf(pal[i])) - RedOf(c);
    const long dg = long(GreenOf(pal[i])) - GreenOf(c);
    const long db = long(BlueOf(pal[i])) - BlueOf(c);
    const long d = dr * dr + dg * dg + db * db;
    if (d < bestd) {
      bestd = d;
      best = int(i);
    }
  }
  return best;
}

int IndexAt(const uint8_t* row, int x, PixelFormat f) {
  switch (f) {
    case PixelFormat::pf1bit: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case PixelFormat::pf4bit: return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
    default: return row[x];
  }
}

void SetIndexAt(uint8_t* row, int x, PixelFormat f, int idx) {
  switch (f) {
    case PixelFormat::pf1bit: {
      const uint8_t m = uint8_t(0x80 >> (x & 7));
      row[x >> 3] = idx ? (row[x >> 3] | m) : (row[x >> 3] & ~m);
      break;
    }
    case PixelFormat::pf4bit:
      if (x & 1)
        row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (idx & 0x0F));
      else
        row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | ((idx & 0x0F) << 4));
      break;
    default: row[x] = uint8_t(idx); break;
  }
}

QString MapFontName(const std::string& name) {
  // The Japanese Windows UI fonts map to the installed Japanese P-Gothic.
  if (name.empty() || name == "ＭＳ Ｐゴシック" || name == "MS UI Gothic" || name == "ＭＳ ゴシック" ||
      name == "MS Sans Serif")
    return QStringLiteral("IPAPGothic");
  return QString::fromStdString(name);
}

QColor ToQColor(Colour c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

}  // namespace

namespace detail {

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kHugeFrom = size_t(8) << 20;
constexpr size_t kPopulateFrom = size_t(64) << 10;
}  // namespace

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

// Faults in the whole pages of [p, p + bytes) in one call, where a trap for
// each 4 KiB page costs about twice as much (more on a virtual machine).
// Contents stay as they are; a kernel without the call gets the pages
// touched one by one.
void Populate(void* p, size_t bytes) {
  constexpr uintptr_t kPage = 4096;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(p) + kPage - 1) & ~(kPage - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(p) + bytes) & ~(kPage - 1);
  if (end <= begin) return;
  if (madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE) == 0) return;
  for (uintptr_t a = begin; a < end; a += kPage) {
    auto* byte = reinterpret_cast<volatile uint8_t*>(a);
    *byte = *byte;
  }
}

namespace {

// Faults in fresh memory whose contents do not matter by writing a byte of
// each page. Where the memory is backed by huge pages, the first write of a
// huge page brings all of it; Populate does the same work page by page,
// which on a virtual machine costs twice the whole time of a photo's decode.
void FaultIn(uint8_t* p, size_t bytes) {
  for (size_t at = 0; at < bytes; at += 4096) reinterpret_cast<volatile uint8_t*>(p)[at] = 0;
}

thread_local bool writersFaultIn = false;

}  // namespace

FaultInByWriters::FaultInByWriters() : before_(writersFaultIn) { writersFaultIn = true; }
FaultInByWriters::~FaultInByWriters() { writersFaultIn = before_; }

void* AllocatePixels(size_t bytes) {
  if (bytes >= kHugeFrom) {
    const size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (!p) throw std::bad_alloc();
    madvise(p, rounded, MADV_HUGEPAGE);  // a hint; without it plain pages serve
    if (writersFaultIn) return p;
    // Every page of a pixel buffer is written soon after. Faulting them in
    // over all cores first spreads the kernel's zeroing of fresh memory,
    // which on one core costs as much as decoding a photo.
    auto* base = static_cast<uint8_t*>(p);
    const int chunks = int(rounded / kHugePage);
    ForEachRowBand(chunks, uint64_t(rounded), [&](int c0, int c1) {
      FaultIn(base + size_t(c0) * kHugePage, size_t(c1 - c0) * kHugePage);
    });
    return p;
  }
  void* p = ::operator new(bytes);
  if (bytes >= kPopulateFrom) Populate(p, bytes);
  return p;
}

void FreePixels(void* p, size_t bytes) noexcept {
  if (bytes >= kHugeFrom)
    std::free(p);
  else
    ::operator delete(p);
}

}  // namespace detail

Bitmap::Bitmap() : canvas_(std::make_unique<Canvas>(*this)) {}

Bitmap::Bitmap(int width, int height, PixelFormat f) : Bitmap() {
  format_ = f;
  if (f != PixelFormat::pf24bit && f != PixelFormat::pf32bit) palette_ = FixedPalette(f);
  SetSize(width, height);
}

Bitmap Bitmap::Unfilled(int width, int height, PixelFormat f) {
  Bitmap b;
  b.format_ = f;
  if (f != PixelFormat::pf24bit && f != PixelFormat::pf32bit) b.palette_ = FixedPalette(f);
  if (width <= 0 || height <= 0) return b;
  const size_t stride = RowStride(width, f);
  if (stride == 0 || uint64_t(stride) * uint64_t(height) > (uint64_t(1) << 32)) throw std::bad_alloc();
  b.data_.resize(stride * size_t(height));
  b.width_ = width;
  b.height_ = height;
  b.stride_ = stride;
  return b;
}

Bitmap::Bitmap(const Bitmap& o) : Bitmap() { *this = o; }

// The pixels are copied as one block into storage left unfilled (the
// buffer's elements are not initialised one by one first).
Bitmap& Bitmap::operator=(const Bitmap& o) {
  if (this != &o) {
    o.WaitForRows();
    EndPending();
    std::vector<Colour> palette = o.palette_;
    const size_t n = o.data_.size();
    if (n > data_.capacity()) {
      detail::PixelBuffer fresh;
      fresh.reserve(n);
      data_.swap(fresh);
    }
    palette_.swap(palette);
    data_.resize(n);
    if (n > 0) std::memcpy(data_.data(), o.data_.data(), n);
    width_ = o.width_;
    height_ = o.height_;
    format_ = o.format_;
    stride_ = o.stride_;
  }
  return *this;
}

Bitmap::Bitmap(Bitmap&& o) noexcept
    : width_(o.width_), height_(o.height_), format_(o.format_), stride_(o.stride_), data_(std::move(o.data_)),
      palette_(std::move(o.palette_)), canvas_(std::make_unique<Canvas>(*this)), pending_(std::move(o.pending_)) {
  o.width_ = o.height_ = 0;
  o.stride_ = 0;
}

Bitmap& Bitmap::operator=(Bitmap&& o) noexcept {
  if (this != &o) {
    EndPending();
    pending_ = std::move(o.pending_);
    width_ = o.width_;
    height_ = o.height_;
    format_ = o.format_;
    stride_ = o.stride_;
    data_ = std::move(o.data_);
    palette_ = std::move(o.palette_);
    o.width_ = o.height_ = 0;
    o.stride_ = 0;
  }
  return *this;
}

Bitmap::~Bitmap() { EndPending(); }

void Bitmap::AwaitRows(std::unique_ptr<detail::PendingRows> rows) {
  EndPending();
  pending_ = std::move(rows);
}

void Bitmap::WaitForRows() const {
  if (pending_) pending_->WaitAll();
}

void Bitmap::EndPending() {
  if (!pending_) return;
  pending_->WaitAll();
  pending_.reset();
}

const uint8_t* Bitmap::ReadyScanLine(int y) const {
  if (pending_) pending_->WaitRow(y);
  return data_.data() + size_t(y) * stride_;
}

void Bitmap::SetSize(int w, int h) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  if (w == width_ && h == height_) return;
  EndPending();
  const size_t nstride = RowStride(w, format_);
  detail::PixelBuffer nd;
  if (w > 0 && h > 0) {
    if (nstride == 0 || uint64_t(nstride) * uint64_t(h) > (uint64_t(1) << 32)) throw std::bad_alloc();
    const bool paletted = format_ != PixelFormat::pf24bit && format_ != PixelFormat::pf32bit;
    nd.assign(nstride * size_t(h), paletted ? 0 : 0xFF);
    const int cw = std::min(w, width_), ch = std::min(h, height_);
    const size_t copyBytes = (size_t(cw) * size_t(BitsPerPixel(format_)) + 7) / 8;
    for (int y = 0; y < ch; ++y) {
      if (copyBytes) std::memcpy(nd.data() + size_t(y) * nstride, ScanLine(y), copyBytes);
      if (paletted && BitsPerPixel(format_) < 8) {
        // Clear the bits of the partial byte beyond the old width.
        for (int x = cw; x < w && x < int(copyBytes * 8 / BitsPerPixel(format_)); ++x)
          SetIndexAt(nd.data() + size_t(y) * nstride, x, format_, 0);
      }
    }
  } else {
    w = std::max(w, 0);
    h = std::max(h, 0);
  }
  data_ = std::move(nd);
  width_ = w;
  height_ = h;
  stride_ = (w > 0 && h > 0) ? nstride : RowStride(w, format_);
}

Colour Bitmap::PixelColour(int x, int y) const {
  const uint8_t* row = ScanLine(y);
  switch (format_) {
    case PixelFormat::pf24bit: {
      const uint8_t* p = row + 3 * size_t(x);
      return RGB(p[2], p[1], p[0]);
    }
    case PixelFormat::pf32bit: {
      const uint8_t* p = row + 4 * size_t(x);
      return RGB(p[2], p[1], p[0]);
    }
    default: {
      const int i = IndexAt(row, x, format_);
      return size_t(i) < palette_.size() ? palette_[size_t(i)] : 0;
    }
  }
}

void Bitmap::SetPixelColour(int x, int y, Colour c) {
  uint8_t* row = ScanLine(y);
  switch (format_) {
    case PixelFormat::pf24bit: {
      uint8_t* p = row + 3 * size_t(x);
      p[0] = BlueOf(c);
      p[1] = GreenOf(c);
      p[2] = RedOf(c);
      break;
    }
    case PixelFormat::pf32bit: {
      uint8_t* p = row + 4 * size_t(x);
      p[0] = BlueOf(c);
      p[1] = GreenOf(c);
      p[2] = RedOf(c);
      p[3] = 0;
      break;
    }
    default: SetIndexAt(row, x, format_, NearestIndex(palette_, c)); break;
  }
}

void Bitmap::SetPixelFormat(PixelFormat f) {
  if (f == format_) return;
  EndPending();
  Bitmap out;
  out.format_ = f;
  if (f != PixelFormat::pf24bit && f != PixelFormat::pf32bit) out.palette_ = FixedPalette(f);
  out.SetSize(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) out.SetPixelColour(x, y, PixelColour(x, y));
  width_ = out.width_;
  height_ = out.height_;
  format_ = out.format_;
  stride_ = out.stride_;
  data_ = std::move(out.data_);
  palette_ = std::move(out.palette_);
}

QImage NewPixelImage(int width, int height, int format) {
  if (width <= 0 || height <= 0 || width > (1 << 15) || height > (1 << 15)) return QImage();
  const size_t bytes = size_t(width) * size_t(height) * 4;
  void* p;
  try {
    p = detail::AllocatePixels(bytes);
  } catch (const std::bad_alloc&) {
    return QImage();
  }
  struct Owned {
    void* p;
    size_t bytes;
  };
  auto* owned = new Owned{p, bytes};
  return QImage(
      static_cast<uchar*>(p), width, height, qsizetype(width) * 4, QImage::Format(format),
      [](void* info) {
        auto* o = static_cast<Owned*>(info);
        detail::FreePixels(o->p, o->bytes);
        delete o;
      },
      owned);
}

QImage Bitmap::AsQImage() {
  if (Empty()) return QImage();
  EndPending();  // the image gives access to every row
  switch (format_) {
    case PixelFormat::pf24bit:
      return QImage(data_.data(), width_, height_, qsizetype(stride_), QImage::Format_BGR888);
    case PixelFormat::pf32bit:
      return QImage(data_.data(), width_, height_, qsizetype(stride_), QImage::Format_RGB32);
    default: {
      SetPixelFormat(PixelFormat::pf24bit);
      return AsQImage();
    }
  }
}

QImage Bitmap::ToQImage() const {
  QImage img(std::max(width_, 0), std::max(height_, 0), QImage::Format_RGB32);
  for (int y = 0; y < height_; ++y) {
    auto* d = reinterpret_cast<QRgb*>(img.scanLine(y));
    if (format_ == PixelFormat::pf24bit) {
      const uint8_t* s = ScanLine(y);
      for (int x = 0; x < width_; ++x, s += 3) d[x] = qRgb(s[2], s[1], s[0]);
    } else {
      for (int x = 0; x < width_; ++x) {
        const Colour c = PixelColour(x, y);
        d[x] = qRgb(RedOf(c), GreenOf(c), BlueOf(c));
      }
    }
  }
  return img;
}

Bitmap Bitmap::FromQImage(const QImage& src) {
  const QImage img = src.convertToFormat(QImage::Format_RGB32);
  Bitmap b(img.width(), img.height(), PixelFormat::pf24bit);
  for (int y = 0; y < img.height(); ++y) {
    const auto* s = reinterpret_cast<const QRgb*>(img.constScanLine(y));
    uint8_t* d = b.ScanLine(y);
    for (int x = 0; x < img.width(); ++x, d += 3) {
      d[0] = uint8_t(qBlue(s[x]));
      d[1] = uint8_t(qGreen(s[x]));
      d[2] = uint8_t(qRed(s[x]));
    }
  }
  return b;
}

// ---- Canvas ----

Canvas::Canvas(Bitmap& owner) : bmp_(owner) {}
Canvas::~Canvas() = default;

template <class F>
void Canvas::Paint(F&& f) {
  if (open_) {
    f(*open_);
    return;
  }
  if (bmp_.Empty()) return;
  if (bmp_.GetPixelFormat() != PixelFormat::pf24bit && bmp_.GetPixelFormat() != PixelFormat::pf32bit)
    view_.reset();  // AsQImage converts the pixels first
  const QImage::Format format =
      bmp_.GetPixelFormat() == PixelFormat::pf32bit ? QImage::Format_RGB32 : QImage::Format_BGR888;
  if (!view_ || view_->constBits() != bmp_.ScanLine(0) || view_->width() != bmp_.Width() ||
      view_->height() != bmp_.Height() || view_->format() != format)
    view_ = std::make_unique<QImage>(bmp_.AsQImage());
  QPainter p(view_.get());
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::TextAntialiasing, false);
  f(p);
}

namespace {
void SetupPen(QPainter& p, const Pen& pen) {
  QPen qp(ToQColor(pen.Color));
  qp.setWidth(pen.Width <= 1 ? 0 : pen.Width);  // 0 = cosmetic one-pixel pen
  qp.setJoinStyle(Qt::MiterJoin);
  p.setPen(qp);
}
void SetupBrush(QPainter& p, const Brush& b) {
  if (b.Clear)
    p.setBrush(Qt::NoBrush);
  else
    p.setBrush(ToQColor(b.Color));
}
}  // namespace

void Canvas::FillRect(const Rect& r) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  Paint([&](QPainter& p) { p.fillRect(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), ToQColor(brush.Color)); });
}

void Canvas::Rectangle(const Rect& r) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  Paint([&](QPainter& p) {
    SetupPen(p, pen);
    SetupBrush(p, brush);
    p.drawRect(QRect(r.Left, r.Top, r.Right - r.Left - 1, r.Bottom - r.Top - 1));
  });
}

void Canvas::FrameOutline(const Rect& r) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  Paint([&](QPainter& p) {
    SetupPen(p, pen);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(r.Left, r.Top, r.Right - r.Left - 1, r.Bottom - r.Top - 1));
  });
}

void Canvas::Ellipse(const Rect& r) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return;
  Paint([&](QPainter& p) {
    SetupPen(p, pen);
    SetupBrush(p, brush);
    p.drawEllipse(QRect(r.Left, r.Top, r.Right - r.Left - 1, r.Bottom - r.Top - 1));
  });
}

void Canvas::Batch(const std::function<void()>& shapes) {
  if (open_) {
    shapes();
    return;
  }
  Paint([&](QPainter& p) {
    open_ = &p;
    try {
      shapes();
    } catch (...) {
      open_ = nullptr;
      throw;
    }
    open_ = nullptr;
  });
}

void Canvas::Polygon(const std::vector<Point>& pts) {
  if (pts.empty()) return;
  Paint([&](QPainter& p) {
    SetupPen(p, pen);
    SetupBrush(p, brush);
    QPolygon poly;
    poly.reserve(qsizetype(pts.size()));
    for (const auto& pt : pts) poly << QPoint(pt.X, pt.Y);
    p.drawPolygon(poly);
    // A one-pixel outline leaves out the end pixel of some of its lines,
    // which can be a vertex (a hand's tip): every vertex is drawn.
    if (pen.Width <= 1) p.drawPoints(poly);
  });
}

void Canvas::Draw(int x, int y, const Bitmap& src) {
  if (src.Empty() || bmp_.Empty()) return;
  if (bmp_.format_ != PixelFormat::pf24bit && bmp_.format_ != PixelFormat::pf32bit)
    bmp_.SetPixelFormat(PixelFormat::pf24bit);
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(bmp_.Width(), x + src.Width()), y1 = std::min(bmp_.Height(), y + src.Height());
  if (bmp_.format_ == PixelFormat::pf24bit && src.format_ == PixelFormat::pf24bit) {
    for (int yy = y0; yy < y1; ++yy)
      if (x1 > x0) std::memcpy(bmp_.ScanLine(yy) + 3 * size_t(x0), src.ScanLine(yy - y) + 3 * size_t(x0 - x), 3 * size_t(x1 - x0));
    return;
  }
  for (int yy = y0; yy < y1; ++yy)
    for (int xx = x0; xx < x1; ++xx) bmp_.SetPixelColour(xx, yy, src.PixelColour(xx - x, yy - y));
}

void Canvas::DrawTransparent(int x, int y, const Bitmap& src, Colour key) {
  if (src.Empty() || bmp_.Empty()) return;
  if (bmp_.format_ != PixelFormat::pf24bit && bmp_.format_ != PixelFormat::pf32bit)
    bmp_.SetPixelFormat(PixelFormat::pf24bit);
  const int x0 = std::max(0, x), y0 = std::max(0, y);
  const int x1 = std::min(bmp_.Width(), x + src.Width()), y1 = std::min(bmp_.Height(), y + src.Height());
  for (int yy = y0; yy < y1; ++yy)
    for (int xx = x0; xx < x1; ++xx) {
      const Colour c = src.PixelColour(xx - x, yy - y);
      if (c != key) bmp_.SetPixelColour(xx, yy, c);
    }
}

static QFont MakeFont(const Font& f) {
  QFont qf(MapFontName(f.Name));
  qf.setPixelSize(std::max(1, f.Height));
  qf.setBold(f.Bold);
  qf.setItalic(f.Italic);
  qf.setStyleStrategy(QFont::NoAntialias);
  return qf;
}

void Canvas::TextOut(int x, int y, const std::string& utf8) {
  Paint([&](QPainter& p) {
    p.setFont(MakeFont(font));
    p.setPen(ToQColor(font.Color));
    const QFontMetrics fm(p.font());
    if (!brush.Clear) {
      const QString s = QString::fromStdString(utf8);
      p.fillRect(QRect(x, y, fm.horizontalAdvance(s), fm.height()), ToQColor(brush.Color));
    }
    p.drawText(QPoint(x, y + fm.ascent()), QString::fromStdString(utf8));
  });
}

int Canvas::TextWidth(const std::string& utf8) {
  return QFontMetrics(MakeFont(font)).horizontalAdvance(QString::fromStdString(utf8));
}

int Canvas::TextHeight(const std::string&) { return QFontMetrics(MakeFont(font)).height(); }

void Canvas::TextCentred(const Rect& r, const std::string& utf8) {
  Paint([&](QPainter& p) {
    p.setFont(MakeFont(font));
    p.setPen(ToQColor(font.Color));
    p.setClipRect(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top));
    p.drawText(QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top), Qt::AlignCenter | Qt::TextSingleLine,
               QString::fromStdString(utf8));
  });
}

void Canvas::SetPixel(int x, int y, Colour c) {
  if (x >= 0 && y >= 0 && x < bmp_.Width() && y < bmp_.Height()) bmp_.SetPixelColour(x, y, c);
}

Colour Canvas::GetPixel(int x, int y) const {
  if (x >= 0 && y >= 0 && x < bmp_.Width() && y < bmp_.Height()) return bmp_.PixelColour(x, y);
  return 0xFFFFFFFF;
}

}  // namespace imaging

namespace imaging::detail {

PendingRows::PendingRows(int rows) : rows_(rows), in_(new std::atomic<uint8_t>[size_t(std::max(rows, 0))]) {
  for (int y = 0; y < rows_; ++y) in_[size_t(y)].store(0, std::memory_order_relaxed);
}

PendingRows::~PendingRows() { WaitAll(); }

void PendingRows::Adopt(std::thread writer) {
  std::lock_guard<std::mutex> hold(writersLock_);
  try {
    writers_.push_back(std::move(writer));
  } catch (const std::bad_alloc&) {
    writer.join();  // no room to keep it: it is waited for here
  }
}

void PendingRows::RowsIn(int y0, int y1) {
  for (int y = std::max(y0, 0); y < std::min(y1, rows_); ++y) in_[size_t(y)].store(1, std::memory_order_release);
  progress_.fetch_add(1, std::memory_order_release);
  progress_.notify_all();
}

void PendingRows::WaitRow(int y) const {
  if (y < 0 || y >= rows_) return;
  for (;;) {
    const uint32_t seen = progress_.load(std::memory_order_acquire);
    if (RowIn(y)) return;
    progress_.wait(seen, std::memory_order_acquire);
  }
}

void PendingRows::WaitAll() const {
  std::call_once(joined_, [this] {
    std::vector<std::thread> writers;
    {
      std::lock_guard<std::mutex> hold(writersLock_);
      writers.swap(writers_);
    }
    for (std::thread& t : writers) t.join();
  });
}

}  // namespace imaging::detail
