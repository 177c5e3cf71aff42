// The batch: the order of its events, and where it stops.
#include <gtest/gtest.h>

#include "Harness.h"
#include "trends/Batch.h"

#ifndef _WIN32
#include "tools/FolderHandle.h"
#endif

namespace engine_test {
namespace {

using Calls = std::vector<std::string>;

class BatchTest : public EngineTest {};

TEST_F(BatchTest, OneNameIsNamedPumpedRebuiltThenTheBatchEnds) {
  const auto files = RisingTrend(6, "Tank 1", 2);
  WriteTrend(folder(), "TANK1", files);

  qmr::RebuildTrends(folder(), {"TANK1.000"}, events);

  EXPECT_EQ(events.lines, (Calls{"batch started 1", "trend started TANK1", "pump",
                                 "trend finished " + PathOf("TANK1.qmr"), "batch done"}));
  EXPECT_EQ(ReadWholeFile(PathOf("TANK1.qmr")), ExpectedMaster("TANK1", files, 6, "Tank 1", {1, 0}));
}

TEST_F(BatchTest, SeveralNamesRunInListOrderEachNamedBeforeItsRebuild) {
  WriteTrend(folder(), "B.X", RisingTrend(5, "b", 1));
  auto logged = RisingTrend(4, "logged", 3);
  logged[1].version = 0;
  WriteTrend(folder(), "LINE 2", logged);
  WriteTrend(folder(), "A", RisingTrend(2, "a", 2));

  // The unrecognised file of LINE 2 is reported after LINE 2 is named and
  // before the next trend is.
  qmr::RebuildTrends(folder(), {"B.X.000", "LINE 2.000", "A.000"}, events);

  EXPECT_EQ(events.lines,
            (Calls{"batch started 3", "trend started B.X", "pump", "trend finished " + PathOf("B.X.qmr"),
                   "trend started LINE 2", "pump", "unrecognised " + DataPath("LINE 2", 1) + ": unknown version 0",
                   "trend finished " + PathOf("LINE 2.qmr"), "trend started A", "pump",
                   "trend finished " + PathOf("A.qmr"), "batch done"}));
  for (const char* master : {"B.X.qmr", "LINE 2.qmr", "A.qmr"})
    EXPECT_TRUE(std::filesystem::is_regular_file(PathOf(master))) << master;
  // The folder and the name are joined with the separator, nothing trimmed.
  const Bytes line2 = ReadWholeFile(PathOf("LINE 2.qmr"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(line2.data()) + kMasterHeaderSize), PathOf("LINE 2.002"));
}

#ifndef _WIN32
// Listed once, then each trend opens the folder once for its data files and
// its master.
TEST_F(BatchTest, EachTrendOpensTheFolderOnce) {
  WriteTrend(folder(), "A", RisingTrend(6, "a", 2));
  WriteTrend(folder(), "B", RisingTrend(6, "b", 3));
  std::vector<std::string> opened;
  const qmr::FolderOpenHook previous = qmr::SetFolderOpenHook([&](const std::string& path) { opened.push_back(path); });

  qmr::RebuildTrends(folder(), {"A.000", "B.000"}, events);

  qmr::SetFolderOpenHook(previous);
  EXPECT_EQ(opened, (std::vector<std::string>(3, folder())));
  EXPECT_EQ(events.lines.back(), "batch done");
}
#endif

TEST_F(BatchTest, AnEmptyListStillShowsAndHidesTheStatusAndReportsTheEnd) {
  qmr::RebuildTrends(folder(), {}, events);

  EXPECT_EQ(events.lines, (Calls{"batch started 0", "batch done"}));
  EXPECT_TRUE(std::filesystem::is_empty(folder()));
}

// A trend name too long for the banner fails its trend before the master
// is opened: the batch ends there, naming it; its old master stays, the
// trends before it are rebuilt and those after it are not looked at.
TEST_F(BatchTest, ANameTooLongForTheBannerEndsTheBatchAtThatTrend) {
  WriteTrend(folder(), "FIRST", RisingTrend(6, "first", 1));
  WriteTrend(folder(), "BAD.ONE", RisingTrend(6, std::string(70, 'x'), 1));
  WriteTrend(folder(), "LAST", RisingTrend(6, "last", 1));
  WriteBytes(PathOf("BAD.ONE.qmr"), Bytes(70, 0xBB));
  const FolderState before = Snapshot(folder());

  const RecordingEvents outcome = RunBatch(folder(), {"FIRST.000", "BAD.ONE.000", "LAST.000"});

  ExpectPromises(folder(), {"FIRST", "BAD.ONE", "LAST"}, before, outcome);
  EXPECT_EQ(outcome.lines,
            (Calls{"batch started 3", "trend started FIRST", "pump", "trend finished " + PathOf("FIRST.qmr"),
                   "trend started BAD.ONE", "pump", "batch failed BAD.ONE: error 5"}));
  EXPECT_EQ(outcome.failedCode, qmr::ErrorCode::InvalidArgument);
  EXPECT_EQ(ReadWholeFile(PathOf("BAD.ONE.qmr")), Bytes(70, 0xBB));
  EXPECT_FALSE(std::filesystem::exists(PathOf("LAST.qmr")));
}

// NAME.qmr of the middle trend is a folder (holding a file), which the new
// master cannot replace: the first trend's old master is replaced by a whole
// one, the batch ends at the middle trend naming it and its NAME.qmr, the
// folder and what it holds stay, no temporary file is left, and the last
// trend's old master is not touched.
TEST_F(BatchTest, AFolderNamedLikeAMasterEndsTheBatchAndIsLeftAsItWas) {
  const auto first = RisingTrend(6, "A", 3);
  WriteTrend(folder(), "A", first);
  WriteTrend(folder(), "B", RisingTrend(6, "B", 3));
  WriteTrend(folder(), "C", RisingTrend(6, "C", 3));
  WriteBytes(PathOf("A.qmr"), Bytes(50, 0xAA));
  std::filesystem::create_directory(PathOf("B.qmr"));
  WriteBytes(PathOf("B.qmr") + qmr::kPathSeparator + "keep.txt", Bytes(3, 'k'));
  WriteBytes(PathOf("C.qmr"), Bytes(50, 0xCC));
  const FolderState before = Snapshot(folder());

  const RecordingEvents outcome = RunBatch(folder(), {"A.000", "B.000", "C.000"});

  ExpectPromises(folder(), {"A", "B", "C"}, before, outcome);
  ASSERT_TRUE(outcome.failed);
  EXPECT_EQ(outcome.failedTrend, "B");
  EXPECT_NE(outcome.failedDescription.find(PathOf("B.qmr")), std::string::npos) << outcome.failedDescription;
  ASSERT_EQ(outcome.lines.size(), 7u);
  EXPECT_EQ(Calls(outcome.lines.begin(), outcome.lines.end() - 1),
            (Calls{"batch started 3", "trend started A", "pump", "trend finished " + PathOf("A.qmr"), "trend started B",
                   "pump"}));
  EXPECT_EQ(outcome.lines.back().rfind("batch failed B: error ", 0), 0u) << outcome.lines.back();
  EXPECT_EQ(Master("A"), ExpectedMaster("A", first, 6, "A", {2, 1, 0}));
  EXPECT_EQ(ReadWholeFile(PathOf("C.qmr")), Bytes(50, 0xCC));
}

TEST_F(BatchTest, AProgramEndingInAPauseStopsTheBatchWithoutAnotherEvent) {
  for (const char* name : {"ONE", "TWO"}) WriteTrend(folder(), name, RisingTrend(5, name, 1));
  events.atPause = [](int pause) { return pause < 2; };

  qmr::RebuildTrends(folder(), {"ONE.000", "TWO.000"}, events);

  EXPECT_EQ(events.lines, (Calls{"batch started 2", "trend started ONE", "pump", "trend finished " + PathOf("ONE.qmr"),
                                 "trend started TWO", "pump"}));
  EXPECT_FALSE(std::filesystem::exists(PathOf("TWO.qmr")));
}

}  // namespace
}  // namespace engine_test
