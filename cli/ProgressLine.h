// One updating line on a terminal while the trends of a long run are done.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <ostream>
#include <string>

#include "tools/TrendRunner.h"

namespace qmr::cli {

// For runs that take more than a second: trends done of the total, data
// files per second, the trend in hand.
class ProgressLine : public RunnerProgress {
 public:
  // `shown` false: never draws (no terminal, -q, --json).
  ProgressLine(std::ostream& err, bool shown);

  // Counters the workers update.
  void TrendStarted(const std::string& trend);
  // scan: the walk entered `folder` (from the printing thread).
  void Walking(const std::string& folder);
  void DataFileRead() { files_.fetch_add(1, std::memory_order_relaxed); }
  void JobDone() override { done_.fetch_add(1, std::memory_order_relaxed); }
  // The number of trends, once it is known (a walk learns it at its end).
  void SetTotal(std::size_t total) { total_ = total; }
  std::size_t FilesRead() const { return files_.load(); }

  // Redraws the line when it is due (from the printing thread only).
  void Tick() override;
  // Takes the line away before other output, and at the end.
  void Clear() override;

 private:
  std::ostream& err_;
  bool shown_;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point lastDrawn_{};
  std::atomic<std::size_t> files_{0};
  std::atomic<std::size_t> done_{0};
  std::atomic<std::size_t> total_{0};
  std::size_t folders_ = 0;  // walked so far
  std::mutex mutex_;
  std::string current_;
  std::size_t drawnLength_ = 0;
};

}  // namespace qmr::cli
