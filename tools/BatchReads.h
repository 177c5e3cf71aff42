// Reading the first bytes of many open files with one system call, where
// the system permits it (io_uring on Linux). Files written one after the
// other often lie one after the other on the disk: asked for together, the
// disk serves their first blocks in a few large reads instead of one small
// read each, which on a cold cache is most of a rebuild's time.
#pragma once

#include <limits>
#include <memory>
#include <span>

namespace qmr {

class BatchReads {
 public:
  // For `depth` reads in flight at most. Where the system has no batch
  // reads or refuses them (containers often do), Available() is false.
  explicit BatchReads(unsigned depth);
  ~BatchReads();  // waits for the reads in flight
  BatchReads(const BatchReads&) = delete;
  BatchReads& operator=(const BatchReads&) = delete;

  bool Available() const noexcept { return ring_ != nullptr; }
  // Test seam: whether batch reads are tried at all (as where the system
  // refuses them); returns what was set before.
  static bool Allow(bool allowed);

  // A result the batch did not give: read that file by itself.
  static constexpr long kNotRead = std::numeric_limits<long>::min();

  // Starts one read at offset 0 of each `files[i]` into `into[i]`, all at
  // once; `results[i]` becomes the count of bytes read, minus the system's
  // error number, or kNotRead. The buffers and results must stay until
  // Finish(results). With `waitNow`, the same system call also waits for
  // them (for a caller about to call Finish). Only where Available().
  void Start(std::span<const int> files, std::span<const std::span<unsigned char>> into, std::span<long> results,
             bool waitNow = false);
  // Waits until every read that Start gave `results` is done.
  void Finish(std::span<long> results);

 private:
  struct Ring;
  std::unique_ptr<Ring> ring_;
};

}  // namespace qmr
