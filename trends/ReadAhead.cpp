#include "trends/ReadAhead.h"

#include <chrono>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qmr {

namespace {

// A page holds the largest data file header; the trend's data after it is
// never read.
constexpr off_t kHeaderPage = 4096;

#if !defined(_WIN32) && defined(POSIX_FADV_WILLNEED)
constexpr bool kCanAsk = true;
#else
constexpr bool kCanAsk = false;  // files are read as they come
#endif

void AskForFirstPage([[maybe_unused]] const std::string& path) {
#if !defined(_WIN32) && defined(POSIX_FADV_WILLNEED)
  // Not blocking on a pipe where a data file should be; only files are warmed.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) (void)posix_fadvise(fd, 0, kHeaderPage, POSIX_FADV_WILLNEED);
  close(fd);
#endif
}

}  // namespace

ReadAhead::ReadAhead(const TrendPath& trend, const std::vector<long>& numbers, Warm warm) : paths_(trend) {
  if (warm)
    warm_ = std::move(warm);
  else if (kCanAsk)
    warm_ = AskForFirstPage;
  else
    return;
  // The rebuild reads up to the first missing number, and no further.
  while (count_ < numbers.size() && numbers[count_] == static_cast<long>(count_)) ++count_;
  if (count_ >= kFromFiles) thread_ = std::thread([this] { Run(); });
}

ReadAhead::~ReadAhead() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  moved_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ReadAhead::FileRead() {
  // Told only when the thread may be waiting for it, not for every file.
  if (read_.fetch_add(1, std::memory_order_relaxed) % (kLead / 4) == 0) moved_.notify_all();
}

void ReadAhead::Run() {
  for (std::size_t next = 0; next < count_; ++next) {
    {
      // A wake-up lost between the count and the wait only delays the
      // thread until the next look.
      std::unique_lock<std::mutex> lock(mutex_);
      while (!stopping_ && next >= read_.load(std::memory_order_relaxed) + kLead)
        moved_.wait_for(lock, std::chrono::milliseconds(5));
      if (stopping_) return;
    }
    warm_(paths_.For(static_cast<int>(next)));
  }
}

}  // namespace qmr
