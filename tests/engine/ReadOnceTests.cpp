// The rebuild opens each data file once, whether the files are read in
// batches of many (the opens that wait for the disk shared with a helper)
// or, where the system gives none, by a thread that opens a large trend's
// files ahead of the reads; the opens made ahead, their early
// end and their failures reach the rebuild in number order, with the
// headers in memory or not.
#include <gtest/gtest.h>

#ifdef __linux__
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Harness.h"
#include "tools/FileBatch.h"
#include "tools/HelperThread.h"
#include "trends/DataFileReader.h"
#include "trends/Rebuild.h"
#include "trends/TrendFolder.h"

namespace engine_test {
namespace {

// More than two parts of a batch, or of the lead of the thread ahead.
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
  void SetUp() override { allowedBefore_ = qmr::FileBatch::Allow(GetParam().batches); }
  void TearDown() override {
    qmr::FileBatch::Allow(allowedBefore_);
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

// Data files 0 to `count` - 1 of `trend` were each opened once.
void ExpectEachOpenedOnce(const std::map<std::string, int>& counts, const std::string& trend, int count) {
  for (int number = 0; number < count; ++number) {
    const auto found = counts.find(DataFileName(trend, number));
    EXPECT_EQ(found == counts.end() ? 0 : found->second, 1) << DataFileName(trend, number);
  }
}

// Also when the batch leaves every open to the rebuild, as it leaves the
// cold ones (the system would hand them to its worker threads).
TEST_P(ReadOnce, EachDataFileIsOpenedOnce) {
  for (const bool leaveOpens : {false, true}) {
    SCOPED_TRACE(leaveOpens ? "opens left to the rebuild" : "opens in the batch");
    const auto files = RisingTrend(6, "Once", kFiles);
    Write("T", files);
    const OpenCounter opens(folder());
    ASSERT_TRUE(opens.Watching());
    const bool leftBefore = qmr::FileBatch::LeaveOpens(leaveOpens);

    // The batch alone: the checked rebuild would read the files for its
    // snapshots too.
    const RecordingEvents outcome = RunBatch(folder(), {"T.000"});

    qmr::FileBatch::LeaveOpens(leftBefore);
    ASSERT_FALSE(outcome.failed) << outcome.failedDescription;
    ExpectEachOpenedOnce(opens.Counts(), "T", kFiles);
    EXPECT_EQ(Master("T"), ExpectedMaster("T", files, 6, "Once", NewestFirst(kFiles)));
  }
}

// Batches refused halfway through a trend (as when the system stops
// granting them) leave the parts in flight to be read one by one: each file
// still opened once, the master the same.
TEST_P(ReadOnce, BatchesRefusedHalfwayStillOpenEachFileOnce) {
  const auto files = RisingTrend(6, "Half", kFiles);
  Write("T", files);
  const OpenCounter opens(folder());
  ASSERT_TRUE(opens.Watching());
  bool refused = false;
  const auto previous = qmr::SetFileExistsHook([&](const std::string& path, bool) {
    if (refused || path != DataPath("T", 300)) return;
    qmr::FileBatch::Allow(false);  // the fixture allows them again
    refused = true;
  });

  const RecordingEvents outcome = RunBatch(folder(), {"T.000"});

  qmr::SetFileExistsHook(previous);
  ASSERT_TRUE(refused);
  ASSERT_FALSE(outcome.failed) << outcome.failedDescription;
  ExpectEachOpenedOnce(opens.Counts(), "T", kFiles);
  EXPECT_EQ(Master("T"), ExpectedMaster("T", files, 6, "Half", NewestFirst(kFiles)));
}
#endif

// The opens made ahead stop where the rebuild stops: at the first missing
// number, and at the first entry that is not a regular file.
TEST_P(ReadOnce, TheRunEndsAtAGapOrAFolder) {
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

// Without read-ahead (as with -j 1) the files are opened and read in parts
// where the system permits, the next part opened while the last one is
// read, and else one by one: each file is still opened once, the run ends
// at the first entry that is no data file, and a file that vanishes fails
// the rebuild at that file.
TEST_P(ReadOnce, WithoutReadAheadEachFileIsStillOpenedOnce) {
  const auto files = RisingTrend(6, "Parts", kFiles);
  Write("T", files);
  fs::remove(DataPath("T", 520));
  fs::create_directory(DataPath("T", 520));
  const std::string gone = DataPath("T", 300);
  bool vanish = false;
  const auto previous = qmr::SetFileExistsHook([&](const std::string& path, bool) {
    if (vanish && path == gone) fs::remove(gone);
  });
  const auto compose = [&] {
    const qmr::TrendFolder listed(folder());
    qmr::RebuildOptions options;
    options.folder = &listed;
    options.readAhead = false;
    RecordingEvents events;
    return qmr::ComposeTrendMaster(PathOf("T.000"), events, options).bytes;
  };
#ifdef __linux__
  const OpenCounter opens(folder());
  ASSERT_TRUE(opens.Watching());
#endif

  EXPECT_EQ(compose(), ExpectedMaster("T", {files.begin(), files.begin() + 520}, 6, "Parts", NewestFirst(520)));
#ifdef __linux__
  ExpectEachOpenedOnce(opens.Counts(), "T", 520);
#endif
  vanish = true;
  try {
    compose();
    ADD_FAILURE() << "a vanished file did not fail the rebuild";
  } catch (const qmr::Error& error) {
    EXPECT_NE(std::string(error.what()).find("T.300"), std::string::npos) << error.what();
  }
  qmr::SetFileExistsHook(previous);
}

#ifndef _WIN32
// The listing is the trend's snapshot: a data file that appears after it,
// at the number just past the listed run, is not read.
TEST_P(ReadOnce, AFileMadeAfterTheListingPastTheRunIsNotRead) {
  const auto files = RisingTrend(6, "Late", 6);
  Write("T", files);
  fs::rename(DataPath("T", 5), PathOf("T.later"));
  const auto previous = qmr::SetFileExistsHook([&](const std::string& path, bool) {
    if (path == DataPath("T", 4)) fs::rename(PathOf("T.later"), DataPath("T", 5));
  });

  const RecordingEvents outcome = RunBatch(folder(), {"T.000"});

  qmr::SetFileExistsHook(previous);
  ASSERT_FALSE(outcome.failed) << outcome.failedDescription;
  EXPECT_TRUE(fs::exists(DataPath("T", 5)));
  EXPECT_EQ(Master("T"), ExpectedMaster("T", {files.begin(), files.begin() + 5}, 6, "Late", NewestFirst(5)));
}
#endif

#ifdef __linux__
// A child forked from a process that reads in batches shares its queue of
// calls, but each side keeps its own place in it: the child must leave the
// parent's batch alone, or the parent's next calls never start.
TEST(FileBatch, AForkedChildLeavesTheParentsBatchAlone) {
  qmr::FileBatch calls(8);
  if (!calls.Available()) GTEST_SKIP() << "no batches here";
  const auto openRoot = [&calls] {
    long opened = qmr::FileBatch::kNotDone;
    calls.AddOpen(AT_FDCWD, "/", O_RDONLY | O_DIRECTORY | O_CLOEXEC, opened);
    calls.Submit(true);
    calls.Finish({&opened, 1});
    if (opened >= 0) close(static_cast<int>(opened));
    return opened;
  };
  ASSERT_GE(openRoot(), 0);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(calls.Available() ? (openRoot(), 1) : 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

  EXPECT_GE(openRoot(), 0);
}
#endif

#ifdef __linux__
// A read that goes along with others is made with the next reads added, or
// by the Finish of its result when none come; either way its bytes arrive.
TEST(FileBatch, AReadAlongIsMadeWithTheNextReadsOrByItsFinish) {
  qmr::FileBatch calls(8);
  if (!calls.Available()) GTEST_SKIP() << "no batches here";
  const qmr::testsupport::TempFolder folder;
  const std::string master = folder.write("A.qmr", std::string_view("master bytes"));
  const std::string header = folder.write("A.000", std::string_view("header"));
  const auto readAlong = [&](bool withReads) {
    std::vector<unsigned char> bytes(64);
    long read = 0;
    const int file = open(master.c_str(), O_RDONLY | O_CLOEXEC);
    calls.AddReadAlong(file, bytes, read);
    if (withReads) {
      std::vector<unsigned char> head(64);
      long headRead = 0, closed = 0;
      calls.AddReadThenClose(open(header.c_str(), O_RDONLY | O_CLOEXEC), head, headRead, closed);
      calls.Submit(true);
      calls.Finish({&headRead, 1});
      calls.Finish({&closed, 1});
      EXPECT_EQ(std::string(head.begin(), head.begin() + std::max(headRead, 0L)), "header");
    }
    calls.Finish({&read, 1});
    close(file);
    return std::string(bytes.begin(), bytes.begin() + std::max(read, 0L));
  };
  EXPECT_EQ(readAlong(false), "master bytes");
  EXPECT_EQ(readAlong(true), "master bytes");
}
#endif

// The helper that shares a part's cold opens runs what it is handed in
// turn, away from the thread that hands it, and all of it before it ends.
TEST(HelperThread, RunsItsWorkInTurnAndAllOfItBeforeItEnds) {
  std::vector<int> ran;
  std::thread::id where;
  const auto slowly = [&ran](int number) {
    return [&ran, number] {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      ran.push_back(number);
    };
  };
  {
    qmr::HelperThread helper;
    const std::uint64_t first = helper.Hand([&] {
      slowly(1)();
      where = std::this_thread::get_id();
    });
    helper.WaitFor(first);
    EXPECT_EQ(ran, std::vector<int>{1});
    helper.Hand(slowly(2));
    helper.Hand(slowly(3));  // still waiting when the helper is told to end
  }
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
  EXPECT_NE(where, std::this_thread::get_id());
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
