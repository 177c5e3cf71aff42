// The batch: the order of its events, and where it stops.
#include <gtest/gtest.h>

#include "EngineSupport.h"
#include "trends/Batch.h"

namespace engine_test {
namespace {

using Calls = std::vector<std::string>;

class BatchTest : public EngineTest {};

TEST_F(BatchTest, OneNameIsNamedPumpedRebuiltThenTheBatchEnds) {
  const auto files = RisingTrend(6, "Tank 1", 2);
  WriteTrend(folder(), "TANK1", files);

  qmr::RebuildTrends(folder(), {"TANK1.000"}, events);

  EXPECT_EQ(events.lines, (Calls{"batch started 1", "trend started TANK1", "pump", "trend finished " + PathOf("TANK1.qmr"),
                                 "batch done"}));
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
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(line2.data()) + kHeaderSize), PathOf("LINE 2.002"));
}

TEST_F(BatchTest, AnEmptyListStillShowsAndHidesTheStatusAndReportsTheEnd) {
  qmr::RebuildTrends(folder(), {}, events);

  EXPECT_EQ(events.lines, (Calls{"batch started 0", "batch done"}));
  EXPECT_TRUE(std::filesystem::is_empty(folder()));
}

TEST_F(BatchTest, AFailingTrendEndsTheBatchAndIsNamed) {
  WriteTrend(folder(), "FIRST", RisingTrend(6, "first", 1));
  WriteTrend(folder(), "BAD.ONE", RisingTrend(6, std::string(70, 'x'), 1));
  WriteTrend(folder(), "LAST", RisingTrend(6, "last", 1));

  qmr::RebuildTrends(folder(), {"FIRST.000", "BAD.ONE.000", "LAST.000"}, events);

  // The batch ends at the failed trend, naming it; no completion.
  EXPECT_EQ(events.lines, (Calls{"batch started 3", "trend started FIRST", "pump", "trend finished " + PathOf("FIRST.qmr"),
                                 "trend started BAD.ONE", "pump", "batch failed BAD.ONE: error 5"}));
  EXPECT_TRUE(std::filesystem::exists(PathOf("FIRST.qmr")));
  EXPECT_FALSE(std::filesystem::exists(PathOf("BAD.ONE.qmr")));
  EXPECT_FALSE(std::filesystem::exists(PathOf("LAST.qmr")));
}

TEST_F(BatchTest, AMasterThatCannotBeReplacedFailsWithItsFileError) {
  WriteTrend(folder(), "TANK1", RisingTrend(6, "Tank 1", 1));
  std::filesystem::create_directory(PathOf("TANK1.qmr"));

  qmr::RebuildTrends(folder(), {"TANK1.000"}, events);

  ASSERT_TRUE(events.failed);
  EXPECT_EQ(events.failedTrend, "TANK1");
  EXPECT_NE(events.failedDescription.find("TANK1.qmr"), std::string::npos) << events.failedDescription;
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
