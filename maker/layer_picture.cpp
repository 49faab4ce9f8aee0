#include "maker/layer_picture.h"

#include <algorithm>
#include <cstring>

#include "imaging/parallel_rows.h"

namespace maker {

using imaging::Bitmap;
using imaging::Colour;
using imaging::PixelFormat;

namespace {

void PutColour(uint8_t* p, Colour c) {
  p[0] = imaging::BlueOf(c);
  p[1] = imaging::GreenOf(c);
  p[2] = imaging::RedOf(c);
}

}  // namespace

LayerPicture::LayerPicture(Bitmap own) : own_(std::move(own)) {}

LayerPicture& LayerPicture::operator=(Bitmap own) { return *this = LayerPicture(std::move(own)); }

LayerPicture LayerPicture::Of(const Bitmap* source) {
  LayerPicture p;
  if (!source) return p;
  p.kind_ = Kind::Refer;
  p.ref_ = source;
  p.refPixels_ = source->Empty() ? nullptr : source->Identity();
  return p;
}

namespace {

// Builds the tiles of a width x height picture: `fill(tile, x0, y0)` writes
// the kTile x kTile block whose top-left pixel is (x0, y0) (rows of 3 * kTile
// bytes; what lies outside the picture is left as the ground); `keep(x0, y0)`
// tells whether that block holds a pixel of another colour than the ground.
template <class Keep, class Fill>
void BuildTiles(int tile, int width, int height, Colour ground, std::vector<int32_t>& tiles,
                imaging::detail::PixelBuffer& pool, Keep&& keep, Fill&& fill) {
  const int tx = (width + tile - 1) / tile, ty = (height + tile - 1) / tile;
  const size_t tileBytes = size_t(tile) * tile * 3;
  tiles.assign(size_t(tx) * ty, -1);
  const uint64_t work = uint64_t(width) * uint64_t(height);
  // First the tiles that hold another colour, then their pixels: the pool is
  // allocated once at its size. Both passes run over bands of tile rows.
  imaging::ForEachRowBand(ty, work, [&](int j0, int j1) {
    for (int j = j0; j < j1; ++j)
      for (int i = 0; i < tx; ++i)
        if (keep(i * tile, j * tile)) tiles[size_t(j) * tx + i] = 0;
  });
  int32_t kept = 0;
  for (int32_t& t : tiles)
    if (t == 0) t = kept++;
  pool.clear();
  pool.shrink_to_fit();
  pool.resize(size_t(kept) * tileBytes);
  std::vector<uint8_t> groundTile(tileBytes);
  for (size_t i = 0; i < tileBytes; i += 3) PutColour(groundTile.data() + i, ground);
  imaging::ForEachRowBand(ty, work, [&](int j0, int j1) {
    for (int j = j0; j < j1; ++j)
      for (int i = 0; i < tx; ++i) {
        const int32_t t = tiles[size_t(j) * tx + i];
        if (t < 0) continue;
        uint8_t* out = pool.data() + size_t(t) * tileBytes;
        std::memcpy(out, groundTile.data(), tileBytes);
        fill(out, i * tile, j * tile);
      }
  });
}

}  // namespace

LayerPicture LayerPicture::Packed(Bitmap whole) {
  if (whole.Empty() || whole.GetPixelFormat() != PixelFormat::pf24bit) return LayerPicture(std::move(whole));
  LayerPicture p;
  p.kind_ = Kind::Packed;
  p.width_ = whole.Width();
  p.height_ = whole.Height();
  p.tilesX_ = (p.width_ + kTile - 1) / kTile;
  p.ground_ = whole.PixelColour(0, whole.Height() - 1) & 0x00FFFFFF;
  p.groundRow_.resize(size_t(kTile) * 3);
  for (size_t i = 0; i < p.groundRow_.size(); i += 3) PutColour(p.groundRow_.data() + i, p.ground_);
  const Bitmap& src = whole;
  auto keep = [&](int x0, int y0) {
    const int w = std::min(kTile, src.Width() - x0), h = std::min(kTile, src.Height() - y0);
    for (int y = 0; y < h; ++y)
      if (std::memcmp(src.ScanLine(y0 + y) + 3 * size_t(x0), p.groundRow_.data(), 3 * size_t(w)) != 0) return true;
    return false;
  };
  BuildTiles(kTile, p.width_, p.height_, p.ground_, p.tiles_, p.pool_, keep,
             [&](uint8_t* block, int x0, int y0) {
               const int w = std::min(kTile, src.Width() - x0), h = std::min(kTile, src.Height() - y0);
               for (int y = 0; y < h; ++y)
                 std::memcpy(block + size_t(y) * kTile * 3, src.ScanLine(y0 + y) + 3 * size_t(x0), 3 * size_t(w));
             });
  return p;
}

LayerPicture LayerPicture::Placed(int width, int height, Colour ground, const Bitmap& part, int left, int top) {
  LayerPicture p;
  if (width <= 0 || height <= 0) return p;
  p.kind_ = Kind::Packed;
  p.width_ = width;
  p.height_ = height;
  p.tilesX_ = (width + kTile - 1) / kTile;
  p.ground_ = ground & 0x00FFFFFF;
  p.groundRow_.resize(size_t(kTile) * 3);
  for (size_t i = 0; i < p.groundRow_.size(); i += 3) PutColour(p.groundRow_.data() + i, p.ground_);
  const bool bgr = part.GetPixelFormat() == PixelFormat::pf24bit;
  // The laid bitmap's pixels inside the tile at (x0, y0), clipped to the
  // picture: each from `from` to `to`.
  auto covered = [&](int x0, int y0, int& xa, int& xb, int& ya, int& yb) {
    xa = std::max({x0, left, 0}), xb = std::min({x0 + kTile, left + part.Width(), width});
    ya = std::max({y0, top, 0}), yb = std::min({y0 + kTile, top + part.Height(), height});
    return xa < xb && ya < yb;
  };
  auto keep = [&](int x0, int y0) {
    int xa, xb, ya, yb;
    if (!covered(x0, y0, xa, xb, ya, yb)) return false;
    for (int y = ya; y < yb; ++y) {
      if (bgr) {
        if (std::memcmp(part.ScanLine(y - top) + 3 * size_t(xa - left), p.groundRow_.data(), 3 * size_t(xb - xa)) != 0)
          return true;
        continue;
      }
      for (int x = xa; x < xb; ++x)
        if ((part.PixelColour(x - left, y - top) & 0x00FFFFFF) != p.ground_) return true;
    }
    return false;
  };
  BuildTiles(kTile, width, height, p.ground_, p.tiles_, p.pool_, keep, [&](uint8_t* block, int x0, int y0) {
    int xa, xb, ya, yb;
    if (!covered(x0, y0, xa, xb, ya, yb)) return;
    for (int y = ya; y < yb; ++y) {
      uint8_t* d = block + size_t(y - y0) * kTile * 3 + 3 * size_t(xa - x0);
      if (bgr) {
        std::memcpy(d, part.ScanLine(y - top) + 3 * size_t(xa - left), 3 * size_t(xb - xa));
      } else {
        for (int x = xa; x < xb; ++x, d += 3) PutColour(d, part.PixelColour(x - left, y - top));
      }
    }
  });
  return p;
}

const Bitmap* LayerPicture::Solid() const {
  switch (kind_) {
    case Kind::Own: return own_.Empty() ? nullptr : &own_;
    case Kind::Refer: return ref_ && !ref_->Empty() ? ref_ : nullptr;
    case Kind::Packed: return nullptr;
  }
  return nullptr;
}

int LayerPicture::Width() const {
  if (kind_ == Kind::Packed) return width_;
  const Bitmap* b = kind_ == Kind::Own ? &own_ : ref_;
  return b ? b->Width() : 0;
}

int LayerPicture::Height() const {
  if (kind_ == Kind::Packed) return height_;
  const Bitmap* b = kind_ == Kind::Own ? &own_ : ref_;
  return b ? b->Height() : 0;
}

PixelFormat LayerPicture::GetPixelFormat() const {
  if (const Bitmap* b = Solid()) return b->GetPixelFormat();
  return PixelFormat::pf24bit;
}

const uint8_t* LayerPicture::TilePixel(int x, int y) const {
  const int32_t t = tiles_[size_t(y / kTile) * tilesX_ + x / kTile];
  if (t < 0) return nullptr;
  return pool_.data() + size_t(t) * kTile * kTile * 3 + (size_t(y % kTile) * kTile + size_t(x % kTile)) * 3;
}

Colour LayerPicture::PixelColour(int x, int y) const {
  if (kind_ != Kind::Packed) return Solid()->PixelColour(x, y);
  const uint8_t* p = TilePixel(x, y);
  return p ? imaging::RGB(p[2], p[1], p[0]) : ground_;
}

const uint8_t* LayerPicture::Row(int x, int y, int& count) const {
  if (kind_ != Kind::Packed) {
    const Bitmap* b = Solid();
    if (!b || b->GetPixelFormat() != PixelFormat::pf24bit) return nullptr;
    count = b->Width() - x;
    return b->ReadyScanLine(y) + 3 * size_t(x);
  }
  count = std::min(kTile - x % kTile, width_ - x);
  const uint8_t* p = TilePixel(x, y);
  return p ? p : groundRow_.data();
}

Bitmap LayerPicture::Whole() const {
  if (kind_ != Kind::Packed) {
    const Bitmap* b = Solid();
    return b ? *b : Bitmap();
  }
  Bitmap out = Bitmap::Unfilled(width_, height_, PixelFormat::pf24bit);
  for (int y = 0; y < height_; ++y) {
    uint8_t* d = out.ScanLine(y);
    for (int x = 0; x < width_;) {
      int n = 0;
      const uint8_t* s = Row(x, y, n);
      std::memcpy(d + 3 * size_t(x), s, 3 * size_t(n));
      x += n;
    }
  }
  return out;
}

const void* LayerPicture::Identity() const {
  if (kind_ == Kind::Packed) return pool_.empty() ? static_cast<const void*>(this) : static_cast<const void*>(pool_.data());
  const Bitmap* b = Solid();
  return b ? b->Identity() : nullptr;
}

Bitmap& LayerPicture::Own() {
  if (kind_ != Kind::Own) *this = LayerPicture(Whole());
  return own_;
}

QRect LayerPicture::Unlike(Colour c) const {
  c &= 0x00FFFFFF;
  const int W = Width(), H = Height();
  int l = W, t = H, r = -1, b = -1;
  auto scan = [&](int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1;) {
        int n = 0;
        const uint8_t* p = Row(x, y, n);
        n = std::min(n, x1 - x);
        for (int i = 0; i < n; ++i, p += 3)
          if (imaging::RGB(p[2], p[1], p[0]) != c) {
            l = std::min(l, x + i), r = std::max(r, x + i);
            t = std::min(t, y), b = std::max(b, y);
          }
        x += n;
      }
  };
  if (kind_ == Kind::Packed) {
    // Ground tiles of another colour count whole; stored tiles are looked at.
    for (int j = 0; j * kTile < H; ++j)
      for (int i = 0; i * kTile < W; ++i) {
        const int x0 = i * kTile, y0 = j * kTile, x1 = std::min(W, x0 + kTile), y1 = std::min(H, y0 + kTile);
        if (tiles_[size_t(j) * tilesX_ + i] >= 0) {
          scan(x0, y0, x1, y1);
        } else if (ground_ != c) {
          l = std::min(l, x0), r = std::max(r, x1 - 1);
          t = std::min(t, y0), b = std::max(b, y1 - 1);
        }
      }
  } else if (GetPixelFormat() == PixelFormat::pf24bit) {
    scan(0, 0, W, H);
  } else {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x)
        if ((PixelColour(x, y) & 0x00FFFFFF) != c) {
          l = std::min(l, x), r = std::max(r, x);
          t = std::min(t, y), b = std::max(b, y);
        }
  }
  if (r < 0) return QRect();
  return QRect(l, t, r - l + 1, b - t + 1);
}

}  // namespace maker
