// Work done on a thread of its own ahead of the one that uses its results,
// in order. A rebuild reads its data files one after the other; on a cold
// disk each file would wait for the disk in turn. A producer a little ahead
// opens them (and asks the system for their first page) while the rebuild
// reads the ones before, and hands over each result exactly once, so that
// nothing is opened twice.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace qmr {

template <class Item>
class WorkAhead {
 public:
  // Makes item `index` (0, 1, 2, ... in turn), `ahead` of the last one taken;
  // returns false when nothing after it will be asked for (the end of a run
  // of files). What it throws reaches the one who takes that item.
  using Produce = std::function<bool(std::size_t index, std::size_t ahead, Item& item)>;

  // Items 0 to count - 1, at most `lead` of them made and not yet taken.
  WorkAhead(std::size_t count, std::size_t lead, Produce produce)
      : slots_(lead), count_(static_cast<std::uint32_t>(count)), produce_(std::move(produce)) {
    thread_ = std::thread([this] { Run(); });
  }

  // Stops the producer; items made and not taken are destroyed.
  ~WorkAhead() {
    taken_.store(kStop);
    Wake(takenMoved_);
    thread_.join();
  }
  WorkAhead(const WorkAhead&) = delete;
  WorkAhead& operator=(const WorkAhead&) = delete;

  std::size_t count() const { return count_; }

  // Item `index`, waiting for it to be made: asked for in order, each once,
  // below count(), never past the one that ended the run.
  Item Take(std::size_t index) {
    const auto wanted = static_cast<std::uint32_t>(index);
    std::uint32_t made = made_.load();
    if (made <= wanted) {
      // Woken once a batch is ready rather than for every item, so that a
      // producer slower than its user does not cost a wake-up per item.
      std::unique_lock<std::mutex> lock(mutex_);
      // No more than the window lets the producer make before this one is taken.
      const auto batch = std::min<std::uint32_t>(kBatch, static_cast<std::uint32_t>(slots_.size()));
      wantMade_.store(std::min(wanted + batch, count_));
      madeMoved_.wait(lock, [&] { return made_.load() > wanted; });
    }
    Slot& slot = slots_[index % slots_.size()];
    Item item = std::move(slot.item);
    const std::exception_ptr failure = std::exchange(slot.failure, nullptr);
    taken_.store(wanted + 1);
    if (wanted + 1 >= wantTaken_.load()) Wake(takenMoved_);
    if (failure) std::rethrow_exception(failure);
    return item;
  }

 private:
  static constexpr std::uint32_t kStop = std::numeric_limits<std::uint32_t>::max();
  static constexpr std::uint32_t kBatch = 32;

  struct Slot {
    Item item{};
    std::exception_ptr failure;
  };

  void Run() {
    const auto lead = static_cast<std::uint32_t>(slots_.size());
    for (std::uint32_t index = 0; index < count_; ++index) {
      std::uint32_t taken = taken_.load();
      if (taken != kStop && index >= taken + lead) {
        // Full: wait until half the window is taken, not for every item.
        std::unique_lock<std::mutex> lock(mutex_);
        wantTaken_.store(index - lead / 2);
        takenMoved_.wait(lock, [&] {
          taken = taken_.load();
          return taken == kStop || taken >= index - lead / 2;
        });
      }
      if (taken == kStop) return;
      Slot& slot = slots_[index % lead];
      slot.item = Item{};
      bool more = false;
      try {
        more = produce_(index, index - taken, slot.item);
      } catch (...) {
        slot.failure = std::current_exception();
      }
      made_.store(index + 1);
      if (!more || index + 1 >= wantMade_.load()) Wake(madeMoved_);
      if (!more) return;
    }
  }

  // Taking the lock orders the wake-up after the sleeper's last look at the
  // count: it either saw the new count or is waiting already.
  void Wake(std::condition_variable& moved) {
    { const std::lock_guard<std::mutex> lock(mutex_); }
    moved.notify_one();
  }

  std::vector<Slot> slots_;
  const std::uint32_t count_;
  Produce produce_;
  // Sequentially consistent throughout: each side stores its count, then
  // reads the other's wish, so that one of the two always sees the other.
  // A side sleeps only when the other is behind; the lock is taken then.
  std::atomic<std::uint32_t> made_{0};           // items made so far
  std::atomic<std::uint32_t> taken_{0};          // items taken so far, or kStop
  std::atomic<std::uint32_t> wantMade_{kStop};   // the user sleeps until this many are made
  std::atomic<std::uint32_t> wantTaken_{kStop};  // the producer sleeps until this many are taken
  std::mutex mutex_;
  std::condition_variable madeMoved_;
  std::condition_variable takenMoved_;
  std::thread thread_;
};

}  // namespace qmr
