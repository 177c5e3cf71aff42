#include "cli/TrendRunner.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "cli/TrendOutput.h"

namespace qmr::cli {

namespace {

using Clock = std::chrono::steady_clock;

// Quiet runs draw nothing; a line appears only once a run lasts this long.
constexpr auto kFirstDraw = std::chrono::seconds(1);
constexpr auto kRedraw = std::chrono::milliseconds(200);
// Jobs that may wait per thread before Submit waits itself.
constexpr std::size_t kWaitingPerThread = 4;

}  // namespace

ProgressLine::ProgressLine(std::ostream& err, bool shown) : err_(err), shown_(shown) {}

void ProgressLine::TrendStarted(const std::string& trend) {
  if (!shown_) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  current_ = trend;
}

void ProgressLine::Walking(const std::string& folder) {
  ++folders_;
  TrendStarted(folder);
}

void ProgressLine::Tick() {
  if (!shown_) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < kFirstDraw || now - lastDrawn_ < kRedraw) return;
  lastDrawn_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const std::size_t total = total_.load();
  char rate[32];
  std::snprintf(rate, sizeof rate, "%.0f", seconds > 0 ? static_cast<double>(files_.load()) / seconds : 0.0);
  const std::size_t done = done_.load();
  std::string line = "qmr: " + std::to_string(done) + (total != 0 ? " of " + std::to_string(total) : "") +
                     ((total != 0 ? total : done) == 1 ? " trend, " : " trends, ") + rate + " data files/s";
  // While the walk goes on, how far it got: a long walk may find nothing.
  if (total == 0 && folders_ > 0) line += ", " + std::to_string(folders_) + (folders_ == 1 ? " folder" : " folders");
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!current_.empty()) line += ", " + Shown(current_);
  }
  // A line wider than the terminal would scroll instead of being redrawn.
  if (line.size() > 79) line = line.substr(0, 76) + "...";
  const std::size_t length = line.size();
  if (line.size() < drawnLength_) line.append(drawnLength_ - line.size(), ' ');
  err_ << '\r' << line << std::flush;
  drawnLength_ = length;
}

void ProgressLine::Clear() {
  if (!shown_ || drawnLength_ == 0) return;
  err_ << '\r' << std::string(drawnLength_, ' ') << '\r' << std::flush;
  drawnLength_ = 0;
}

TrendRunner::TrendRunner(unsigned threads, Print print, ProgressLine& progress)
    : threads_(std::max(1U, threads)), print_(std::move(print)), progress_(progress) {
  if (threads_ > 1)
    for (unsigned i = 0; i < threads_; ++i) workers_.emplace_back([this] { Work(); });
}

TrendRunner::~TrendRunner() { Finish(); }

void TrendRunner::Submit(Job job) {
  if (threads_ == 1) {
    TrendReport report = job();
    progress_.TrendDone();
    progress_.Clear();
    print_(report);
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
    TrendReport report = job();
    progress_.TrendDone();
    lock.lock();
    finished_.emplace(index, std::move(report));
    changed_.notify_all();
  }
}

void TrendRunner::PrintReady(std::unique_lock<std::mutex>& lock) {
  for (auto next = finished_.find(printed_); next != finished_.end(); next = finished_.find(printed_)) {
    TrendReport report = std::move(next->second);
    finished_.erase(next);
    ++printed_;
    // The workers go on while the report is printed.
    lock.unlock();
    progress_.Clear();
    print_(report);
    lock.lock();
  }
}

unsigned DefaultThreads() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : cores;
}

}  // namespace qmr::cli
