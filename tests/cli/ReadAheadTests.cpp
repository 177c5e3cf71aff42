// Reading a large trend's files ahead: the run of files the rebuild will
// read, in its order, never far ahead of it, and nothing for small trends.
#include <chrono>
#include <mutex>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "trends/ReadAhead.h"

namespace cli_test {
namespace {

using qmr::ReadAhead;

std::vector<long> Numbers(long count) {
  std::vector<long> numbers(static_cast<std::size_t>(count));
  std::iota(numbers.begin(), numbers.end(), 0L);
  return numbers;
}

// The files warmed, and whether any was warmed further ahead of the reads
// told than the lead allows.
struct Warmed {
  std::mutex mutex;
  std::vector<std::string> paths;
  std::size_t reads = 0;
  bool tooFarAhead = false;

  ReadAhead::Warm Recorder() {
    return [this](const std::string& path) {
      const std::lock_guard<std::mutex> lock(mutex);
      if (paths.size() >= reads + ReadAhead::kLead) tooFarAhead = true;
      paths.push_back(path);
    };
  }
  void Read(ReadAhead& ahead) {
    {
      const std::lock_guard<std::mutex> lock(mutex);
      ++reads;
    }
    ahead.FileRead();
  }
  std::size_t Count() {
    const std::lock_guard<std::mutex> lock(mutex);
    return paths.size();
  }
  // Waits, within reason, until `count` files were warmed.
  bool WaitFor(std::size_t count) {
    for (int i = 0; i < 2000 && Count() < count; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return Count() == count;
  }
};

TEST(ReadAhead, WarmsTheRunUpToTheFirstMissingNumberNeverTooFarAhead) {
  std::vector<long> numbers = Numbers(1000);
  numbers.push_back(1001);  // beyond the gap at 1000: the rebuild does not read it
  Warmed warmed;
  {
    ReadAhead ahead(qmr::TrendPath::OfFile("/plant/T.000"), numbers, warmed.Recorder());
    // Nothing read yet: the thread stops at its lead.
    ASSERT_TRUE(warmed.WaitFor(ReadAhead::kLead));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(warmed.Count(), ReadAhead::kLead);
    for (int i = 0; i < 1000; ++i) warmed.Read(ahead);
    ASSERT_TRUE(warmed.WaitFor(1000));
  }
  EXPECT_FALSE(warmed.tooFarAhead);
  EXPECT_EQ(warmed.paths.front(), "/plant/T.000");
  EXPECT_EQ(warmed.paths[7], "/plant/T.007");
  EXPECT_EQ(warmed.paths.back(), "/plant/T.999");
}

TEST(ReadAhead, SmallTrendsAndAnEarlyEndWarmNoMore) {
  Warmed small;
  { ReadAhead ahead(qmr::TrendPath::OfFile("T.000"), Numbers(ReadAhead::kFromFiles - 1), small.Recorder()); }
  EXPECT_EQ(small.Count(), 0u);

  // A rebuild that fails part way ends its read-ahead at once.
  Warmed stopped;
  { ReadAhead ahead(qmr::TrendPath::OfFile("T.000"), Numbers(32767), stopped.Recorder()); }
  EXPECT_LE(stopped.Count(), ReadAhead::kLead);
}

}  // namespace
}  // namespace cli_test
