// Splits the rows 0 .. rows - 1 of an output picture into bands over the
// available cores. Each band is computed by the same code as a single pass
// would use, so the result does not depend on the number of threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <system_error>
#include <thread>
#include <vector>

namespace imaging {

// Most bands run at once; 0 (the default) means one per core.
inline std::atomic<unsigned> rowBandLimit{0};
inline void SetRowBandLimit(unsigned bands) { rowBandLimit = bands; }

// band(y0, y1) computes rows y0 .. y1 - 1. `work` is a rough count of the
// operations of the whole picture; small pictures stay on the calling thread.
template <class Band>
void ForEachRowBand(int rows, uint64_t work, const Band& band) {
  unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  if (const unsigned limit = rowBandLimit; limit != 0) threads = std::min(threads, limit);
  threads = std::min<unsigned>(threads, unsigned(std::max(1, rows)));
  if (work < 200000) threads = 1;
  if (threads <= 1) {
    band(0, rows);
    return;
  }
  std::vector<std::thread> pool;
  pool.reserve(threads - 1);
  const int size = (rows + int(threads) - 1) / int(threads);
  for (unsigned t = 1; t < threads; ++t) {
    const int y0 = int(t) * size, y1 = std::min(rows, y0 + size);
    if (y0 >= y1) continue;
    try {
      pool.emplace_back([&band, y0, y1] { band(y0, y1); });
    } catch (const std::system_error&) {
      band(y0, y1);  // no thread to be had: do the band here
    }
  }
  band(0, std::min(rows, size));
  for (auto& th : pool) th.join();
}

}  // namespace imaging
