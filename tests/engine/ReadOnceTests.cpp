// The rebuild opens each data file once, also when a thread opens a large
// trend's files ahead of the reads; the thread's opens, its early end and
// its failures reach the rebuild in number order.
#include <gtest/gtest.h>

#ifdef __linux__
#include <sys/inotify.h>
#include <unistd.h>
#endif

#include <map>
#include <vector>

#include "Harness.h"
#include "trends/DataFileReader.h"

namespace engine_test {
namespace {

constexpr int kFiles = 3 * static_cast<int>(qmr::DataFileReader::kReadAheadFrom);

// The entries of a trend of `count` files with rising keys: newest first.
std::vector<int> NewestFirst(int count) {
  std::vector<int> order;
  for (int number = count - 1; number >= 0; --number) order.push_back(number);
  return order;
}

using ReadOnce = EngineTest;

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

TEST_F(ReadOnce, EachDataFileIsOpenedOnceWithTheThreadAhead) {
  const auto files = RisingTrend(6, "Once", kFiles);
  WriteTrend(folder(), "T", files);
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
TEST_F(ReadOnce, TheRunEndsAtAGapOrAFolderAsWithoutTheThread) {
  const auto files = RisingTrend(6, "Gap", kFiles);
  WriteTrend(folder(), "T", files);
  fs::remove(DataPath("T", kFiles - 10));
  WriteTrend(folder(), "U", files);
  fs::remove(DataPath("U", 100));
  fs::create_directory(DataPath("U", 100));

  RebuildChecked("T");
  RebuildChecked("U");

  EXPECT_EQ(Master("T"), ExpectedMaster("T", {files.begin(), files.end() - 10}, 6, "Gap", NewestFirst(kFiles - 10)));
  EXPECT_EQ(Master("U"), ExpectedMaster("U", {files.begin(), files.begin() + 100}, 6, "Gap", NewestFirst(100)));
}

// A file the listing saw that is gone when the thread opens it fails the
// rebuild there, naming that file, and leaves the old master alone.
TEST_F(ReadOnce, AFailureAheadReachesTheRebuildAtItsFile) {
  const auto files = RisingTrend(6, "Gone", kFiles);
  WriteTrend(folder(), "T", files);
  WriteBytes(PathOf("T.qmr"), Bytes(176, 7));
  const std::string gone = DataPath("T", 150);
  const auto previous = qmr::SetFileExistsHook([&](const std::string& path, bool) {
    if (path == gone) fs::remove(gone);
  });

  const RecordingEvents outcome = RunBatch(folder(), {"T.000"});

  qmr::SetFileExistsHook(previous);
  EXPECT_TRUE(outcome.failed);
  EXPECT_NE(outcome.failedDescription.find("T.150"), std::string::npos) << outcome.failedDescription;
  EXPECT_EQ(Master("T"), Bytes(176, 7));
}

}  // namespace
}  // namespace engine_test
