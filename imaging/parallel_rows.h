// Splits the rows 0 .. rows - 1 of an output picture into bands over the
// available cores. Each band is computed by the same code as a single pass
// would use, so the result does not depend on the number of threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace imaging {

// Most bands run at once; 0 (the default) means one per core.
inline std::atomic<unsigned> rowBandLimit{0};
inline void SetRowBandLimit(unsigned bands) { rowBandLimit = bands; }

// band(y0, y1) computes rows y0 .. y1 - 1. `work` is a rough count of the
// operations of the whole picture; small pictures stay on the calling thread.
// An exception in any band (running out of memory, say) comes back to the
// caller once every band has ended; with several, the first band's wins.
// How many bands may run at once: the cores, within the limit.
inline unsigned RowBandThreads() {
  unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  if (const unsigned limit = rowBandLimit; limit != 0) threads = std::min(threads, limit);
  return threads;
}

template <class Band>
void ForEachRowBand(int rows, uint64_t work, const Band& band) {
  unsigned threads = RowBandThreads();
  threads = std::min<unsigned>(threads, unsigned(std::max(1, rows)));
  if (work < 200000) threads = 1;
  if (threads <= 1) {
    band(0, rows);
    return;
  }
  const int size = (rows + int(threads) - 1) / int(threads);
  // One slot per band: an exception leaving a worker's band would end the
  // program, so each band keeps its own for the caller.
  std::vector<std::exception_ptr> failed(threads);
  auto run = [&band, &failed](unsigned t, int y0, int y1) {
    try {
      band(y0, y1);
    } catch (...) {
      failed[t] = std::current_exception();
    }
  };
  std::vector<std::thread> pool;
  pool.reserve(threads - 1);
  for (unsigned t = 1; t < threads; ++t) {
    const int y0 = int(t) * size, y1 = std::min(rows, y0 + size);
    if (y0 >= y1) continue;
    try {
      pool.emplace_back(run, t, y0, y1);
    } catch (const std::system_error&) {
      run(t, y0, y1);  // no thread to be had: do the band here
    }
  }
  run(0, 0, std::min(rows, size));
  for (auto& th : pool) th.join();
  for (const auto& e : failed)
    if (e) std::rethrow_exception(e);
}

}  // namespace imaging
