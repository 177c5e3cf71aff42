// Things other than a data file standing where one should be, a data file
// that vanishes between the look-up and the open, and masters that cannot
// be written.
#include <gtest/gtest.h>

#include <string>

#include "Harness.h"
#include "samples/SampleTrends.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "trends/MasterFile.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif
#ifdef __linux__
#include <sys/mount.h>
#endif

namespace hardening {
namespace {

namespace samples = qmr::samples;

// A trend of three version 6 files whose .001 is then replaced by `make`:
// the run of data files ends at .001, so the master lists .000 alone and
// .002 is never looked at.
template <typename Make>
void ExpectRunEndsAtTheOddEntry(Make make) {
  TempFolder folder;
  samples::WriteTrend(folder.path(), "T", samples::RisingTrend(6, "Odd", 3));
  fs::remove(folder.fsPath() / "T.001");
  make(folder.fsPath(), folder.fsPath() / "T.001");

  const BatchOutcome outcome = RebuildChecked(folder.fsPath(), "T");
  ASSERT_FALSE(outcome.failed) << outcome.description;
  EXPECT_EQ(static_cast<int>(outcome.events.unrecognisedPaths.size()), 0);
  const MasterFacts facts = ExpectCompleteMaster(ReadWholeFile(folder.fsPath() / "T.qmr"));
  EXPECT_EQ(facts.version, 6);
  EXPECT_EQ(facts.fileCount, 1);
}

TEST(OddEntry, AFolderEndsTheRun) {
  ExpectRunEndsAtTheOddEntry([](const fs::path&, const fs::path& at) {
    fs::create_directory(at);
    WriteBytes(at / "inside", Bytes(10, 1));
  });
}

TEST(OddEntry, ADanglingLinkEndsTheRun) {
  ExpectRunEndsAtTheOddEntry([](const fs::path& folder, const fs::path& at) {
    fs::create_symlink(folder / "nowhere.bin", at);
  });
}

TEST(OddEntry, ALinkLoopEndsTheRun) {
  ExpectRunEndsAtTheOddEntry([](const fs::path& folder, const fs::path& at) {
    fs::create_symlink(folder / "loop.b", at);
    fs::create_symlink(at, folder / "loop.b");
  });
}

TEST(OddEntry, ALinkToItselfEndsTheRun) {
  ExpectRunEndsAtTheOddEntry([](const fs::path&, const fs::path& at) { fs::create_symlink(at, at); });
}

#ifndef _WIN32
// Opening a pipe for reading waits for a writer that never comes: the
// rebuild must not even try.
TEST(OddEntry, ANamedPipeEndsTheRunWithoutWaiting) {
  ExpectRunEndsAtTheOddEntry([](const fs::path&, const fs::path& at) {
    ASSERT_EQ(mkfifo(at.c_str(), 0600), 0);
  });
}

TEST(OddEntry, ANamedPipeAsTheFirstFileGivesAnEmptyMaster) {
  TempFolder folder;
  ASSERT_EQ(mkfifo((folder.fsPath() / "T.000").c_str(), 0600), 0);
  const BatchOutcome outcome = RebuildChecked(folder.fsPath(), "T");
  ASSERT_FALSE(outcome.failed) << outcome.description;
  const MasterFacts facts = ExpectCompleteMaster(ReadWholeFile(folder.fsPath() / "T.qmr"));
  EXPECT_EQ(facts.version, 0);
  EXPECT_EQ(facts.fileCount, 0);
}
#endif

// Another program deletes .001 right after the rebuild found it: the open
// fails, the batch names the trend and the file, and the old master stays.
TEST(VanishingFile, DeletedBetweenLookUpAndOpenFailsAndKeepsTheOldMaster) {
  TempFolder folder;
  samples::WriteTrend(folder.path(), "T", samples::RisingTrend(6, "Gone", 3));
  const Bytes oldMaster(500, 0x5A);
  WriteBytes(folder.fsPath() / "T.qmr", oldMaster);
  const fs::path victim = folder.fsPath() / "T.001";
  const FolderState before = Snapshot(folder.fsPath());

  int deleted = 0;
  const auto previous = qmr::SetFileExistsHook([&](const std::string& path, bool found) {
    if (found && fs::path(path) == victim) {
      fs::remove(victim);
      ++deleted;
    }
  });
  const BatchOutcome outcome = RunBatch(folder.fsPath(), {"T.000"});
  qmr::SetFileExistsHook(previous);

  ASSERT_EQ(deleted, 1);
  ASSERT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.code, qmr::ErrorCode::FileNotFound);
  EXPECT_EQ(outcome.failedTrend, "T");
  EXPECT_NE(outcome.description.find(victim.string()), std::string::npos) << outcome.description;
  // The deleted file is the test's doing; everything else must be as it was.
  FolderState expected = before;
  expected.erase("T.001");
  ExpectPromises(folder.fsPath(), {"T"}, expected, outcome);
  EXPECT_EQ(ReadWholeFile(folder.fsPath() / "T.qmr"), oldMaster);
}

// NAME.qmr is a folder: the master cannot replace it; the folder and what it
// holds stay, no temporary file is left, and the failure names the trend.
TEST(MasterWrite, AFolderNamedLikeTheMasterIsLeftAsItWas) {
  TempFolder folder;
  samples::WriteTrend(folder.path(), "T", samples::RisingTrend(5, "Blocked", 2));
  fs::create_directory(folder.fsPath() / "T.qmr");
  WriteBytes(folder.fsPath() / "T.qmr" / "keep.txt", Bytes(3, 'k'));

  const BatchOutcome outcome = RebuildChecked(folder.fsPath(), "T");
  ASSERT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.failedTrend, "T");
  EXPECT_NE(outcome.description.find("T.qmr"), std::string::npos) << outcome.description;
}

// A device that fails part way through the master (simulated below the
// temporary file): the old master stays byte for byte, no temporary file is
// left, and the error reaches the user with the trend's name.
TEST(MasterWrite, AWriteThatFailsPartWayKeepsTheOldMaster) {
  for (const std::size_t failAt : {std::size_t{0}, std::size_t{1}}) {
    SCOPED_TRACE("failing at chunk " + std::to_string(failAt));
    TempFolder folder;
    // 200 entries of 448 bytes: a master of more than one write.
    samples::WriteTrend(folder.path(), "T", samples::RisingTrend(6, "Full", 200));
    const Bytes oldMaster(1000, 0xC3);
    WriteBytes(folder.fsPath() / "T.qmr", oldMaster);

    std::size_t chunks = 0;
    const auto previous = qmr::SetWriteFaultHook([&](std::size_t, std::size_t) {
      if (chunks++ == failAt) throw qmr::Error(qmr::ErrorCode::DiskFull);
    });
    const BatchOutcome outcome = RebuildChecked(folder.fsPath(), "T");
    qmr::SetWriteFaultHook(previous);

    ASSERT_GT(chunks, failAt) << "the master was written in fewer writes than expected";
    ASSERT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.code, qmr::ErrorCode::DiskFull);
    EXPECT_EQ(outcome.failedTrend, "T");
    EXPECT_EQ(ReadWholeFile(folder.fsPath() / "T.qmr"), oldMaster);
  }
}

#ifdef __linux__
// A real full disk: a memory file system just big enough for the data files
// and a one-page old master, too small for the new master. Needs the right
// to mount, so it is skipped where the tests do not run as root.
TEST(MasterWrite, ARealFullDiskKeepsTheOldMaster) {
  TempFolder folder;
  const fs::path disk = folder.fsPath() / "disk";
  fs::create_directory(disk);
  // 40 data files of one 4 KiB page each, the old master's page, and three
  // pages to spare: the new master needs five (176 + 40 x 448 bytes).
  if (mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=176k") != 0)
    GTEST_SKIP() << "cannot mount a small file system here";
  struct Unmount {
    fs::path at;
    ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
  } unmount{disk};

  samples::WriteTrend(disk.string(), "T", samples::RisingTrend(6, "Full disk", 40));
  const Bytes oldMaster(100, 0xD1);
  WriteBytes(disk / "T.qmr", oldMaster);

  const BatchOutcome outcome = RebuildChecked(disk, "T");
  ASSERT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.code, qmr::ErrorCode::DiskFull);
  EXPECT_EQ(outcome.failedTrend, "T");
  EXPECT_EQ(ReadWholeFile(disk / "T.qmr"), oldMaster);
}
#endif

TEST(MasterWrite, AFailedFirstMasterLeavesNoFileAtAll) {
  TempFolder folder;
  samples::WriteTrend(folder.path(), "T", samples::RisingTrend(4, "Fresh", 3));
  const auto previous = qmr::SetWriteFaultHook([](std::size_t, std::size_t) {
    throw qmr::Error(qmr::ErrorCode::DeviceIO);
  });
  const BatchOutcome outcome = RebuildChecked(folder.fsPath(), "T");
  qmr::SetWriteFaultHook(previous);
  ASSERT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.code, qmr::ErrorCode::DeviceIO);
  EXPECT_FALSE(fs::exists(fs::symlink_status(folder.fsPath() / "T.qmr")));
}

}  // namespace
}  // namespace hardening
