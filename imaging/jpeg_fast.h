// A JPEG decoder for the common camera kinds that uses every core and gives
// exactly libjpeg's pixels. Internal to the imaging library: ReadJpeg tries
// it first and hands everything it declines to libjpeg.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>

#include "imaging/bitmap.h"

namespace imaging::jpeg_fast {

// Smaller pictures go straight to libjpeg, which is quick enough for them.
inline std::atomic<uint64_t> minPixels{uint64_t(1) << 20};
// With fewer cores than this libjpeg alone is faster: it decodes then.
inline std::atomic<unsigned> minThreads{3};
// How many pieces the entropy-coded data is cut into for decoding in
// parallel; 0 (the default) means two per core. Tests set it.
inline std::atomic<unsigned> chunkCount{0};

// Decodes a single-scan baseline Huffman file, 8-bit, grey or YCbCr with luma
// sampled 1x1, 2x1 or 2x2 over 1x1 chroma, restart markers or none, into
// *out (24 bits, blue-green-red) exactly as libjpeg would with its accurate
// integer IDCT and smooth upsampling. Returns false and leaves *out alone
// for any other file, and for anything irregular in this one (a bad code,
// data cut short, an unexpected marker), so that libjpeg's own handling of
// it stays what the user gets. Reads nothing outside data[0 .. size).
bool Decode(const uint8_t* data, size_t size, Bitmap* out);

// Rows [first, second) of a picture of the given size: the rows a caller
// shows first.
using FirstRows = std::function<std::pair<int, int>(int width, int height)>;

// The same decode, given the file, but it returns as soon as the rows
// `first` names are in: the other rows are decoded on in the background, and
// *out waits for them wherever its pixels are used (Bitmap::ReadyScanLine
// waits for its own row only). Should a band need libjpeg after all, libjpeg
// fills the rows not yet in, so the picture is libjpeg's either way.
bool DecodeShowingFirst(std::shared_ptr<const detail::PixelBuffer> file, const FirstRows& first, Bitmap* out);

// The same file through libjpeg alone (what ReadJpeg gives for files the
// fast decoder declines), for comparing the two.
Bitmap ReadWithLibjpeg(const uint8_t* data, size_t size);

}  // namespace imaging::jpeg_fast
