// Rows of a bitmap that other threads are still writing: a large picture
// whose decode goes on in the background once the rows shown first are in.
// The bitmap holds it (Bitmap::AwaitRows); its accessors wait here.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace imaging::detail {

class PendingRows {
 public:
  explicit PendingRows(int rows);
  ~PendingRows();  // waits for the writers
  PendingRows(const PendingRows&) = delete;
  PendingRows& operator=(const PendingRows&) = delete;

  // The writers' side. A writer thread is handed over as soon as it is
  // started; before it ends, every row must have been marked in.
  void Adopt(std::thread writer);
  void RowsIn(int y0, int y1);  // rows y0 .. y1 - 1 are final
  bool RowIn(int y) const { return in_[size_t(y)].load(std::memory_order_acquire) != 0; }

  // The readers' side; both may be called from any thread.
  void WaitRow(int y) const;  // row y is final
  void WaitAll() const;       // every row is final and the writers have ended

 private:
  int rows_;
  std::unique_ptr<std::atomic<uint8_t>[]> in_;
  std::atomic<uint32_t> progress_{0};
  mutable std::once_flag joined_;
  mutable std::mutex writersLock_;
  mutable std::vector<std::thread> writers_;
};

}  // namespace imaging::detail
