// The largest trend the 16-bit file number allows, one file more, and a
// batch that fails in its middle.
#include <gtest/gtest.h>

#include <string>

#include "Harness.h"
#include "samples/SampleTrends.h"
#include "tools/Errors.h"

namespace hardening {
namespace {

namespace samples = qmr::samples;

// 32767 files (numbers 0 to 32766) are the most a master can list; one more
// file overflows the file number and the master just written stays as it is.
// Version 2 keeps the files at 224 bytes, the smallest header there is.
TEST(Limits, LargestTrendIsRebuiltAndOneFileMoreOverflows) {
  TempFolder folder;
  constexpr int kMostFiles = 32767;
  samples::WriteTrend(folder.path(), "BIG", samples::RisingTrend(2, "Largest trend", kMostFiles));

  const BatchOutcome rebuilt = RebuildChecked(folder.fsPath(), "BIG");
  ASSERT_FALSE(rebuilt.failed) << rebuilt.description;
  const Bytes master = ReadWholeFile(folder.fsPath() / "BIG.qmr");
  const MasterFacts facts = ExpectCompleteMaster(master);
  EXPECT_EQ(facts.version, 2);
  EXPECT_EQ(facts.fileCount, kMostFiles);
  ASSERT_EQ(master.size(), 176u + 32767u * 240u);
  // Rising keys: the last file first, the first file last.
  for (const int row : {0, 1, 16383, 32766}) {
    const Bytes entry = EntryAt(master, 240, static_cast<std::size_t>(row));
    const std::string stored(entry.begin(), entry.begin() + 144);
    EXPECT_EQ(stored.substr(0, stored.find('\0')),
              (folder.fsPath() / samples::DataFileName("BIG", kMostFiles - 1 - row)).string());
  }

  WriteBytes(folder.fsPath() / "BIG.32767",
                      samples::MakeDataFile(samples::RisingTrend(2, "Largest trend", 1).front()));
  const BatchOutcome overflow = RebuildChecked(folder.fsPath(), "BIG");
  ASSERT_TRUE(overflow.failed);
  EXPECT_EQ(overflow.code, qmr::ErrorCode::Overflow);
  EXPECT_EQ(overflow.failedTrend, "BIG");
  EXPECT_EQ(ReadWholeFile(folder.fsPath() / "BIG.qmr"), master);
}

// Three trends, the middle one failing (its master name is taken by a
// folder): the first is rebuilt, the third is not touched, and the batch
// names the middle one.
TEST(Batch, AFailureInTheMiddleKeepsEarlierMastersAndLeavesLaterOnes) {
  TempFolder folder;
  for (const char* name : {"A", "B", "C"})
    samples::WriteTrend(folder.path(), name, samples::RisingTrend(6, name, 3));
  WriteBytes(folder.fsPath() / "A.qmr", Bytes(50, 0xAA));
  fs::create_directory(folder.fsPath() / "B.qmr");
  WriteBytes(folder.fsPath() / "C.qmr", Bytes(50, 0xCC));
  const FolderState before = Snapshot(folder.fsPath());

  const BatchOutcome outcome = RunBatch(folder.fsPath(), {"A.000", "B.000", "C.000"});
  ExpectPromises(folder.fsPath(), {"A", "B", "C"}, before, outcome);
  ASSERT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.failedTrend, "B");
  EXPECT_EQ(outcome.events.startedTrends, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ExpectCompleteMaster(ReadWholeFile(folder.fsPath() / "A.qmr")).fileCount, 3);
  EXPECT_EQ(ReadWholeFile(folder.fsPath() / "C.qmr"), Bytes(50, 0xCC));
}

// The same with a failure inside the files: a trend name too long for the
// banner stops the middle trend before its master is opened.
TEST(Batch, ANameTooLongForTheBannerStopsTheBatchAtThatTrend) {
  TempFolder folder;
  samples::WriteTrend(folder.path(), "A", samples::RisingTrend(5, "A", 2));
  samples::WriteTrend(folder.path(), "B", samples::RisingTrend(5, std::string(66, 'B'), 2));
  samples::WriteTrend(folder.path(), "C", samples::RisingTrend(5, "C", 2));
  WriteBytes(folder.fsPath() / "B.qmr", Bytes(70, 0xBB));
  const FolderState before = Snapshot(folder.fsPath());

  const BatchOutcome outcome = RunBatch(folder.fsPath(), {"A.000", "B.000", "C.000"});
  ExpectPromises(folder.fsPath(), {"A", "B", "C"}, before, outcome);
  ASSERT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.code, qmr::ErrorCode::InvalidArgument);
  EXPECT_EQ(outcome.failedTrend, "B");
  EXPECT_FALSE(fs::exists(folder.fsPath() / "C.qmr"));
}

}  // namespace
}  // namespace hardening
