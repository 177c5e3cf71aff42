// Things other than a data file standing where one should be, a data file
// that vanishes between the look-up and the open, and trend names with
// blanks, several dots, bytes beyond ASCII or near the file system's length
// limit. Linux only: the links and pipes are made with POSIX calls, and
// Windows strips trailing blanks and dots from file names.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <sys/stat.h>

#include "Harness.h"

namespace engine_test {
namespace {

class OddEntry : public EngineTest {
 protected:
  // A trend of three version 6 files whose .001 is then replaced by what
  // `make` puts there: the run of data files ends at .001, so the master
  // lists .000 alone and .002 is never looked at.
  template <typename Make>
  void ExpectRunEndsAtTheOddEntry(Make make) {
    const auto files = RisingTrend(6, "Odd", 3);
    WriteTrend(folder(), "T", files);
    fs::remove(DataPath("T", 1));
    make(DataPath("T", 1));

    const RecordingEvents outcome = RebuildChecked("T");

    ASSERT_FALSE(outcome.failed) << outcome.failedDescription;
    EXPECT_TRUE(outcome.unrecognisedPaths.empty());
    EXPECT_EQ(Master("T"), ExpectedMaster("T", {files[0]}, 6, "Odd", {0}));
  }
};

TEST_F(OddEntry, AFolderEndsTheRun) {
  ExpectRunEndsAtTheOddEntry([](const std::string& at) {
    fs::create_directory(at);
    WriteBytes(at + "/inside", Bytes(10, 1));
  });
}

TEST_F(OddEntry, ADanglingLinkEndsTheRun) {
  ExpectRunEndsAtTheOddEntry([this](const std::string& at) { fs::create_symlink(PathOf("nowhere.bin"), at); });
}

TEST_F(OddEntry, ALinkLoopEndsTheRun) {
  ExpectRunEndsAtTheOddEntry([this](const std::string& at) {
    fs::create_symlink(PathOf("loop.b"), at);
    fs::create_symlink(at, PathOf("loop.b"));
  });
}

TEST_F(OddEntry, ALinkToItselfEndsTheRun) {
  ExpectRunEndsAtTheOddEntry([](const std::string& at) { fs::create_symlink(at, at); });
}

// Opening a pipe for reading waits for a writer that never comes: the
// rebuild must not even try.
TEST_F(OddEntry, ANamedPipeEndsTheRunWithoutWaiting) {
  ExpectRunEndsAtTheOddEntry([](const std::string& at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); });
}

TEST_F(OddEntry, ANamedPipeAsTheFirstFileGivesAnEmptyMaster) {
  ASSERT_EQ(mkfifo(DataPath("T", 0).c_str(), 0600), 0);

  const RecordingEvents outcome = RebuildChecked("T");

  ASSERT_FALSE(outcome.failed) << outcome.failedDescription;
  EXPECT_EQ(Master("T"), ExpectedHeader(0, "", 0));
}

class VanishingFile : public EngineTest {};

// Another program deletes .001 right after the rebuild found it: the open
// fails, the batch names the trend and the file, and the old master stays.
TEST_F(VanishingFile, DeletedBetweenLookUpAndOpenFailsAndKeepsTheOldMaster) {
  WriteTrend(folder(), "T", RisingTrend(6, "Gone", 3));
  const Bytes oldMaster(500, 0x5A);
  WriteBytes(PathOf("T.qmr"), oldMaster);
  const std::string victim = DataPath("T", 1);
  const FolderState before = Snapshot(folder());

  int deleted = 0;
  const auto previous = qmr::SetFileExistsHook([&](const std::string& path, bool found) {
    if (found && path == victim) {
      fs::remove(victim);
      ++deleted;
    }
  });
  const RecordingEvents outcome = RunBatch(folder(), {"T.000"});
  qmr::SetFileExistsHook(previous);

  ASSERT_EQ(deleted, 1);
  ASSERT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.failedCode, qmr::ErrorCode::FileNotFound);
  EXPECT_EQ(outcome.failedTrend, "T");
  EXPECT_NE(outcome.failedDescription.find(victim), std::string::npos) << outcome.failedDescription;
  // The deleted file is the test's doing; everything else must be as it was.
  FolderState expected = before;
  expected.erase("T.001");
  ExpectPromises(folder(), {"T"}, expected, outcome);
  EXPECT_EQ(Master("T"), oldMaster);
}

class OddName : public EngineTest, public ::testing::WithParamInterface<std::string> {};

// The master takes the name before the last dot, whatever bytes it holds,
// and every entry keeps the data file's path byte for byte.
TEST_P(OddName, IsRebuiltUnderItsOwnName) {
  const std::string name = GetParam();
  const auto files = RisingTrend(4, "Odd name", 3);
  WriteTrend(folder(), name, files);

  const RecordingEvents outcome = RebuildChecked(name);

  ASSERT_FALSE(outcome.failed) << outcome.failedDescription;
  EXPECT_EQ(outcome.startedTrends, std::vector<std::string>{name});
  EXPECT_EQ(Master(name), ExpectedMaster(name, files, 4, "Odd name", {2, 1, 0}));
}

INSTANTIATE_TEST_SUITE_P(Names, OddName,
                         ::testing::Values(std::string("tank level"), std::string(" lead and trail "),
                                           std::string("line.2.temp"), std::string("a..b."),
                                           std::string("T\xC3\xA4nk \xE2\x82\xAC"),  // UTF-8
                                           std::string("T\xE4nk\xFF\x80")),          // not UTF-8
                         [](const auto& info) { return Numbered("Name", static_cast<long long>(info.index)); });

class LongName : public EngineTest {};

// A trend name of 240 bytes: NAME.000 and NAME.qmr are well within the file
// system's 255 bytes per name, so replacing the master must work too,
// whatever name the temporary file of the replacement gets.
TEST_F(LongName, ANameNearTheFileSystemLimitIsRebuilt) {
  const std::string name(240, 'L');
  if (folder().size() + 1 + name.size() + 4 > 272)
    GTEST_SKIP() << "the temporary folder's path is too long for this case";
  const auto files = RisingTrend(6, "Long name", 2);
  WriteTrend(folder(), name, files);

  const RecordingEvents outcome = RebuildChecked(name);

  ASSERT_FALSE(outcome.failed) << outcome.failedDescription;
  EXPECT_EQ(Master(name), ExpectedMaster(name, files, 6, "Long name", {1, 0}));
}

}  // namespace
}  // namespace engine_test

#endif  // _WIN32
