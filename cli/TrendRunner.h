// Running the trends of one command, several at once, while their reports
// are printed in the order the trends were given, whatever finishes first.
// Each trend is still read one data file at a time and written as alone.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "cli/TrendReport.h"

namespace qmr::cli {

// One updating line on a terminal for runs that take more than a second:
// trends done of the total, data files per second, the trend in hand.
class ProgressLine {
 public:
  // `shown` false: never draws (no terminal, -q, --json).
  ProgressLine(std::ostream& err, bool shown);

  // Counters the workers update.
  void TrendStarted(const std::string& trend);
  // scan: the walk entered `folder` (from the printing thread).
  void Walking(const std::string& folder);
  void DataFileRead() { files_.fetch_add(1, std::memory_order_relaxed); }
  void TrendDone() { done_.fetch_add(1, std::memory_order_relaxed); }
  // The number of trends, once it is known (a walk learns it at its end).
  void SetTotal(std::size_t total) { total_ = total; }
  std::size_t FilesRead() const { return files_.load(); }

  // Redraws the line when it is due (from the printing thread only).
  void Tick();
  // Takes the line away before other output, and at the end.
  void Clear();

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

// Runs submitted jobs on `threads` threads (1: in the calling thread) and
// hands each report to `print`, in submission order, on the calling thread.
// At most a few jobs per thread wait at once, so memory does not grow with
// the number of trends.
class TrendRunner {
 public:
  using Job = std::function<TrendReport()>;
  using Print = std::function<void(TrendReport&)>;

  TrendRunner(unsigned threads, Print print, ProgressLine& progress);
  ~TrendRunner();
  TrendRunner(const TrendRunner&) = delete;
  TrendRunner& operator=(const TrendRunner&) = delete;

  void Submit(Job job);
  // Waits for every job and prints the rest.
  void Finish();

 private:
  void Work();
  // Prints the reports that are next in order; the lock is held on entry.
  void PrintReady(std::unique_lock<std::mutex>& lock);

  unsigned threads_;
  Print print_;
  ProgressLine& progress_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::size_t, Job>> waiting_;
  std::map<std::size_t, TrendReport> finished_;
  std::size_t submitted_ = 0;
  std::size_t printed_ = 0;
  bool closing_ = false;
};

// The threads a run uses when -j is not given: one per core.
unsigned DefaultThreads();

}  // namespace qmr::cli
