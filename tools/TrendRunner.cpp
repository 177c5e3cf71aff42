#include "tools/TrendRunner.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace qmr {

namespace {

// How often a waiting printer wakes to let the progress redraw.
constexpr auto kRedraw = std::chrono::milliseconds(200);
// Jobs that may wait per thread before Submit waits itself.
constexpr std::size_t kWaitingPerThread = 4;

}  // namespace

TrendRunner::TrendRunner(unsigned threads, RunnerProgress& progress)
    : threads_(std::max(1U, threads)), progress_(progress) {
  if (threads_ > 1)
    for (unsigned i = 0; i < threads_; ++i) workers_.emplace_back([this] { Work(); });
}

TrendRunner::~TrendRunner() { Finish(); }

void TrendRunner::Submit(Job job) {
  if (threads_ == 1) {
    const Print print = job();
    progress_.JobDone();
    progress_.Clear();
    print();
    progress_.Tick();
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  waiting_.emplace_back(submitted_++, std::move(job));
  changed_.notify_all();
  // Reports are printed while jobs wait; the walk pauses when too many do.
  const auto tooMany = [this] { return waiting_.size() + finished_.size() > threads_ * kWaitingPerThread; };
  const auto nextDone = [this] { return finished_.count(printed_) != 0; };
  PrintReady(lock);
  while (tooMany()) {
    changed_.wait_for(lock, kRedraw, [&] { return nextDone() || !tooMany(); });
    PrintReady(lock);
    progress_.Tick();
  }
}

void TrendRunner::Finish() {
  if (threads_ == 1 || workers_.empty()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  closing_ = true;
  changed_.notify_all();
  PrintReady(lock);
  while (printed_ < submitted_) {
    changed_.wait_for(lock, kRedraw, [this] { return finished_.count(printed_) != 0; });
    PrintReady(lock);
    progress_.Tick();
  }
  lock.unlock();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
}

void TrendRunner::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return closing_ || !waiting_.empty(); });
    if (waiting_.empty()) return;
    auto [index, job] = std::move(waiting_.front());
    waiting_.pop_front();
    lock.unlock();
    Print print = job();
    progress_.JobDone();
    lock.lock();
    finished_.emplace(index, std::move(print));
    changed_.notify_all();
  }
}

void TrendRunner::PrintReady(std::unique_lock<std::mutex>& lock) {
  for (auto next = finished_.find(printed_); next != finished_.end(); next = finished_.find(printed_)) {
    const Print print = std::move(next->second);
    finished_.erase(next);
    ++printed_;
    // The workers go on while the report is printed.
    lock.unlock();
    progress_.Clear();
    print();
    lock.lock();
  }
}

unsigned DefaultThreads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

}  // namespace qmr
