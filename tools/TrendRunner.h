// Running the trends of one command, several at once, while their reports
// are printed in the order the trends were given, whatever finishes first.
// Each trend is still read one data file at a time and written as alone.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace qmr {

// What a run tells while it goes: a job done, and the moments at which
// something may be drawn (Tick) or must be taken away before printing (Clear).
class RunnerProgress {
 public:
  virtual ~RunnerProgress() = default;
  virtual void JobDone() = 0;
  virtual void Tick() = 0;
  virtual void Clear() = 0;
};

// Runs submitted jobs on `threads` threads (1: in the calling thread). Each
// job returns what is to be printed of it, which runs in submission order on
// the calling thread.
// At most a few jobs per thread wait at once, so memory does not grow with
// the number of trends.
class TrendRunner {
 public:
  using Print = std::function<void()>;
  using Job = std::function<Print()>;

  TrendRunner(unsigned threads, RunnerProgress& progress);
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
  RunnerProgress& progress_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::pair<std::size_t, Job>> waiting_;
  std::map<std::size_t, Print> finished_;
  std::size_t submitted_ = 0;
  std::size_t printed_ = 0;
  bool closing_ = false;
};

// The threads a run uses when -j is not given: one per core.
unsigned DefaultThreads();

}  // namespace qmr
