// A thread that runs the work handed to it, in turn, while the thread that
// hands it goes on. A rebuild shares with it the opens of a part of a
// trend's data files that must wait for the disk: the system's work of
// looking up a name and setting up its file then runs on two processors.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace qmr {

class HelperThread {
 public:
  HelperThread();
  // Runs what was handed over, then ends the thread.
  ~HelperThread();
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;

  // Runs `work` on the thread after all work handed over before it;
  // returns its number for WaitFor. What `work` throws ends the program.
  std::uint64_t Hand(std::function<void()> work);
  // Waits until the work numbered `number` has run.
  void WaitFor(std::uint64_t number);

 private:
  void Run();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> waiting_;
  std::uint64_t handed_ = 0;
  std::uint64_t done_ = 0;
  bool ending_ = false;
  std::thread thread_;  // last: started once the rest is set up
};

}  // namespace qmr
