// The batch: the order of its calls on the window system, and where it stops.
#include <gtest/gtest.h>

#include "EngineSupport.h"
#include "FakeServices.h"
#include "trends/Batch.h"

namespace engine_test {
namespace {

using Calls = std::vector<std::string>;

class BatchTest : public EngineTest {};

TEST_F(BatchTest, OneNameIsNamedPumpedRebuiltThenTheBatchEnds) {
  const auto files = RisingTrend(6, "Tank 1", 2);
  WriteTrend(folder(), "TANK1", files);

  qmr::RebuildTrends(folder(), {"TANK1.000"}, services);

  EXPECT_EQ(services.calls, (Calls{"show status", "status name TANK1", "pump", "hide status", kDoneLine}));
  EXPECT_EQ(ReadAll(PathOf("TANK1.qmr")), ExpectedMaster("TANK1", files, 6, "Tank 1", {1, 0}));
}

TEST_F(BatchTest, SeveralNamesRunInListOrderEachNamedBeforeItsRebuild) {
  WriteTrend(folder(), "B.X", RisingTrend(5, "b", 1));
  auto logged = RisingTrend(4, "logged", 3);
  logged[1].version = 0;
  WriteTrend(folder(), "LINE 2", logged);
  WriteTrend(folder(), "A", RisingTrend(2, "a", 2));

  // The unrecognised file of LINE 2 is reported after LINE 2 is named and
  // before the next trend is.
  qmr::RebuildTrends(folder(), {"B.X.000", "LINE 2.000", "A.000"}, services);

  EXPECT_EQ(services.calls, (Calls{"show status", "status name B.X", "pump", "status name LINE 2", "pump",
                                   kUnrecognisedLine, "status name A", "pump", "hide status", kDoneLine}));
  for (const char* master : {"B.X.qmr", "LINE 2.qmr", "A.qmr"})
    EXPECT_TRUE(std::filesystem::is_regular_file(PathOf(master))) << master;
  // The folder and the name are joined with the separator, nothing trimmed.
  const Bytes line2 = ReadAll(PathOf("LINE 2.qmr"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(line2.data()) + kHeaderSize), PathOf("LINE 2.002"));
}

TEST_F(BatchTest, AnEmptyListStillShowsAndHidesTheStatusAndReportsTheEnd) {
  qmr::RebuildTrends(folder(), {}, services);

  EXPECT_EQ(services.calls, (Calls{"show status", "hide status", kDoneLine}));
  EXPECT_TRUE(std::filesystem::is_empty(folder()));
}

TEST_F(BatchTest, AFailingTrendEndsTheBatchAndIsNamed) {
  WriteTrend(folder(), "FIRST", RisingTrend(6, "first", 1));
  WriteTrend(folder(), "BAD.ONE", RisingTrend(6, std::string(70, 'x'), 1));
  WriteTrend(folder(), "LAST", RisingTrend(6, "last", 1));

  try {
    qmr::RebuildTrends(folder(), {"FIRST.000", "BAD.ONE.000", "LAST.000"}, services);
    FAIL() << "the batch did not fail";
  } catch (const qmr::BatchFailure& failure) {
    EXPECT_EQ(failure.trendName(), "BAD.ONE");
    EXPECT_EQ(failure.code(), qmr::ErrorCode::InvalidArgument);
  }

  // The status stays shown naming the failed trend; no completion message.
  EXPECT_EQ(services.calls,
            (Calls{"show status", "status name FIRST", "pump", "status name BAD.ONE", "pump"}));
  EXPECT_TRUE(std::filesystem::exists(PathOf("FIRST.qmr")));
  EXPECT_FALSE(std::filesystem::exists(PathOf("BAD.ONE.qmr")));
  EXPECT_FALSE(std::filesystem::exists(PathOf("LAST.qmr")));
}

TEST_F(BatchTest, AMasterThatCannotBeReplacedFailsWithItsFileError) {
  WriteTrend(folder(), "TANK1", RisingTrend(6, "Tank 1", 1));
  std::filesystem::create_directory(PathOf("TANK1.qmr"));

  try {
    qmr::RebuildTrends(folder(), {"TANK1.000"}, services);
    FAIL() << "the batch did not fail";
  } catch (const qmr::BatchFailure& failure) {
    EXPECT_EQ(failure.trendName(), "TANK1");
    EXPECT_NE(std::string(failure.what()).find("TANK1.qmr"), std::string::npos) << failure.what();
  }
  EXPECT_EQ(services.calls.back(), "pump");
}

}  // namespace
}  // namespace engine_test
