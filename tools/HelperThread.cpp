#include "tools/HelperThread.h"

#include <utility>

namespace qmr {

HelperThread::HelperThread() : thread_([this] { Run(); }) {}

HelperThread::~HelperThread() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  thread_.join();
}

std::uint64_t HelperThread::Hand(std::function<void()> work) {
  std::uint64_t number = 0;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    waiting_.push_back(std::move(work));
    number = ++handed_;
  }
  changed_.notify_all();
  return number;
}

void HelperThread::WaitFor(std::uint64_t number) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return done_ >= number; });
}

void HelperThread::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return ending_ || !waiting_.empty(); });
    if (waiting_.empty()) return;
    const std::function<void()> work = std::move(waiting_.front());
    waiting_.pop_front();
    lock.unlock();
    work();
    lock.lock();
    ++done_;
    changed_.notify_all();
  }
}

}  // namespace qmr
