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
  samples::WriteTrend(folder.path().string(), "BIG", samples::RisingTrend(2, "Largest trend", kMostFiles));

  const BatchOutcome rebuilt = RebuildChecked(folder.path(), "BIG");
  ASSERT_FALSE(rebuilt.failed) << rebuilt.description;
  const Bytes master = ReadBytes(folder.path() / "BIG.qmr");
  const MasterFacts facts = ExpectCompleteMaster(master);
  EXPECT_EQ(facts.version, 2);
  EXPECT_EQ(facts.fileCount, kMostFiles);
  ASSERT_EQ(master.size(), 176u + 32767u * 240u);
  // Rising keys: the last file first, the first file last.
  for (const int row : {0, 1, 16383, 32766}) {
    const Bytes entry = EntryAt(master, 240, static_cast<std::size_t>(row));
    const std::string stored(entry.begin(), entry.begin() + 144);
    EXPECT_EQ(stored.substr(0, stored.find('\0')),
              (folder.path() / samples::DataFileName("BIG", kMostFiles - 1 - row)).string());
  }

  samples::WriteBytes((folder.path() / "BIG.32767").string(),
                      samples::MakeDataFile(samples::RisingTrend(2, "Largest trend", 1).front()));
  const BatchOutcome overflow = RebuildChecked(folder.path(), "BIG");
  ASSERT_TRUE(overflow.failed);
  EXPECT_EQ(overflow.code, qmr::ErrorCode::Overflow);
  EXPECT_EQ(overflow.failedTrend, "BIG");
  EXPECT_EQ(ReadBytes(folder.path() / "BIG.qmr"), master);
}

// Three trends, the middle one failing (its master name is taken by a
// folder): the first is rebuilt, the third is not touched, and the batch
// names the middle one.
TEST(Batch, AFailureInTheMiddleKeepsEarlierMastersAndLeavesLaterOnes) {
  TempFolder folder;
  for (const char* name : {"A", "B", "C"})
    samples::WriteTrend(folder.path().string(), name, samples::RisingTrend(6, name, 3));
  WriteBytes(folder.path() / "A.qmr", Bytes(50, 0xAA));
  fs::create_directory(folder.path() / "B.qmr");
  WriteBytes(folder.path() / "C.qmr", Bytes(50, 0xCC));
  const FolderState before = Snapshot(folder.path());

  const BatchOutcome outcome = RunBatch(folder.path(), {"A.000", "B.000", "C.000"});
  ExpectPromises(folder.path(), {"A", "B", "C"}, before, outcome);
  ASSERT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.failedTrend, "B");
  EXPECT_EQ(outcome.events.startedTrends, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ExpectCompleteMaster(ReadBytes(folder.path() / "A.qmr")).fileCount, 3);
  EXPECT_EQ(ReadBytes(folder.path() / "C.qmr"), Bytes(50, 0xCC));
}

// The same with a failure inside the files: a trend name too long for the
// banner stops the middle trend before its master is opened.
TEST(Batch, ANameTooLongForTheBannerStopsTheBatchAtThatTrend) {
  TempFolder folder;
  samples::WriteTrend(folder.path().string(), "A", samples::RisingTrend(5, "A", 2));
  samples::WriteTrend(folder.path().string(), "B", samples::RisingTrend(5, std::string(66, 'B'), 2));
  samples::WriteTrend(folder.path().string(), "C", samples::RisingTrend(5, "C", 2));
  WriteBytes(folder.path() / "B.qmr", Bytes(70, 0xBB));
  const FolderState before = Snapshot(folder.path());

  const BatchOutcome outcome = RunBatch(folder.path(), {"A.000", "B.000", "C.000"});
  ExpectPromises(folder.path(), {"A", "B", "C"}, before, outcome);
  ASSERT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.code, qmr::ErrorCode::InvalidArgument);
  EXPECT_EQ(outcome.failedTrend, "B");
  EXPECT_FALSE(fs::exists(folder.path() / "C.qmr"));
}

}  // namespace
}  // namespace hardening
