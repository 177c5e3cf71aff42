// Reading a large trend's data files ahead of the rebuild that reads them.
// The rebuild reads one data file after the other, and on a cold cache each
// file waits for the disk in turn: a trend of 32767 files takes seconds that
// way, however many trends run beside it. A thread of its own asks the
// system for the headers of the files a little ahead, all at once, so that
// the disk serves them together and the rebuild finds them in memory. The
// rebuild reads exactly as before; only the wait goes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "trends/DataFilePath.h"
#include "trends/TrendPath.h"

namespace qmr {

class ReadAhead {
 public:
  // What warming one file means; by default the system is asked to read its
  // first page without waiting for it (nothing where it cannot be asked).
  using Warm = std::function<void(const std::string& path)>;

  // Trends of fewer data files gain nothing worth a thread.
  static constexpr std::size_t kFromFiles = 64;
  // How many files the thread stays ahead of the rebuild at most.
  static constexpr std::size_t kLead = 512;

  // For `trend`, given the numbers its folder holds for it (in order):
  // starts warming its run of files from .000 up to the first missing
  // number, when there are kFromFiles or more.
  ReadAhead(const TrendPath& trend, const std::vector<long>& numbers, Warm warm = {});
  ~ReadAhead();  // stops the thread
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The rebuild has read one more data file.
  void FileRead();

 private:
  void Run();

  DataFilePath paths_;
  std::size_t count_ = 0;
  Warm warm_;
  std::atomic<std::size_t> read_{0};
  std::mutex mutex_;
  std::condition_variable moved_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace qmr
