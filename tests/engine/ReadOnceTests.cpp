// The rebuild opens each data file once, also when a thread opens a large
// trend's files ahead of the reads; the thread's opens, its early end and
// its failures reach the rebuild in number order: with the headers in memory
// or not, read in batches or one by one.
#include <gtest/gtest.h>

#ifdef __linux__
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>
#endif

#include <map>
#include <vector>

#include "Harness.h"
#include "tools/BatchReads.h"
#include "trends/DataFileReader.h"

namespace engine_test {
namespace {

// More than two batches of the thread ahead.
constexpr int kFiles = 600;

// The entries of a trend of `count` files with rising keys: newest first.
std::vector<int> NewestFirst(int count) {
  std::vector<int> order;
  for (int number = count - 1; number >= 0; --number) order.push_back(number);
  return order;
}

struct Reading {
  bool batches;  // the system permits batch reads
  bool cold;     // the data files' pages are not in memory
};

class ReadOnce : public EngineTest, public ::testing::WithParamInterface<Reading> {
 protected:
  void SetUp() override { allowedBefore_ = qmr::BatchReads::Allow(GetParam().batches); }
  void TearDown() override {
    qmr::BatchReads::Allow(allowedBefore_);
    EngineTest::TearDown();
  }
  // Writes the trend, and when the case is cold, puts its files' pages out
  // of memory.
  void Write(const std::string& trend, const std::vector<SampleFile>& files) {
    WriteTrend(folder(), trend, files);
#ifdef __linux__
    if (!GetParam().cold) return;
    sync();
    for (int number = 0; number < static_cast<int>(files.size()); ++number) {
      const int fd = open(DataPath(trend, number).c_str(), O_RDONLY | O_CLOEXEC);
      ASSERT_GE(fd, 0);
      posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
      close(fd);
    }
#endif
  }

 private:
  bool allowedBefore_ = true;
};

#ifdef __linux__
// Every open of a file in a folder, by whatever code, as the kernel tells
// it: the count per file name.
class OpenCounter {
 public:
  explicit OpenCounter(const std::string& folder)
      : fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), watch_(inotify_add_watch(fd_, folder.c_str(), IN_OPEN)) {}
  ~OpenCounter() { close(fd_); }
  bool Watching() const { return fd_ >= 0 && watch_ >= 0; }
  std::map<std::string, int> Counts() const {
    std::map<std::string, int> counts;
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t got; (got = read(fd_, buffer, sizeof buffer)) > 0;)
      for (ssize_t at = 0; at < got;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        if (event->len > 0) ++counts[event->name];
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    return counts;
  }

 private:
  int fd_;
  int watch_;
};

TEST_P(ReadOnce, EachDataFileIsOpenedOnceWithTheThreadAhead) {
  const auto files = RisingTrend(6, "Once", kFiles);
  Write("T", files);
  const OpenCounter opens(folder());
  ASSERT_TRUE(opens.Watching());

  // The batch alone: the checked rebuild would read the files for its
  // snapshots too.
  const RecordingEvents outcome = RunBatch(folder(), {"T.000"});

  ASSERT_FALSE(outcome.failed) << outcome.failedDescription;
  const std::map<std::string, int> counts = opens.Counts();
  for (int number = 0; number < kFiles; ++number) {
    const auto found = counts.find(DataFileName("T", number));
    EXPECT_EQ(found == counts.end() ? 0 : found->second, 1) << DataFileName("T", number);
  }
  EXPECT_EQ(Master("T"), ExpectedMaster("T", files, 6, "Once", NewestFirst(kFiles)));
}
#endif

// The thread ahead stops where the rebuild stops: at the first missing
// number, and at the first entry that is not a regular file.
TEST_P(ReadOnce, TheRunEndsAtAGapOrAFolderAsWithoutTheThread) {
  const auto files = RisingTrend(6, "Gap", kFiles);
  Write("T", files);
  fs::remove(DataPath("T", kFiles - 10));
  Write("U", files);
  fs::remove(DataPath("U", 300));
  fs::create_directory(DataPath("U", 300));

  RebuildChecked("T");
  RebuildChecked("U");

  EXPECT_EQ(Master("T"), ExpectedMaster("T", {files.begin(), files.end() - 10}, 6, "Gap", NewestFirst(kFiles - 10)));
  EXPECT_EQ(Master("U"), ExpectedMaster("U", {files.begin(), files.begin() + 300}, 6, "Gap", NewestFirst(300)));
}

// A file the listing saw that is gone when the thread opens it fails the
// rebuild there, naming that file, and leaves the old master alone.
TEST_P(ReadOnce, AFailureAheadReachesTheRebuildAtItsFile) {
  const auto files = RisingTrend(6, "Gone", kFiles);
  Write("T", files);
  WriteBytes(PathOf("T.qmr"), Bytes(176, 7));
  const std::string gone = DataPath("T", 450);
  const auto previous = qmr::SetFileExistsHook([&](const std::string& path, bool) {
    if (path == gone) fs::remove(gone);
  });

  const RecordingEvents outcome = RunBatch(folder(), {"T.000"});

  qmr::SetFileExistsHook(previous);
  EXPECT_TRUE(outcome.failed);
  EXPECT_NE(outcome.failedDescription.find("T.450"), std::string::npos) << outcome.failedDescription;
  EXPECT_EQ(Master("T"), Bytes(176, 7));
}

INSTANTIATE_TEST_SUITE_P(Ways, ReadOnce,
                         ::testing::Values(Reading{true, false}, Reading{true, true}, Reading{false, false},
                                           Reading{false, true}),
                         [](const ::testing::TestParamInfo<Reading>& info) {
                           return std::string(info.param.batches ? "Batches" : "OneByOne") +
                                  (info.param.cold ? "Cold" : "Warm");
                         });

}  // namespace
}  // namespace engine_test
