// What the windows show of a batch (WindowEvents) and OK's rules
// (TrendBatch), over a recording toolkit.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "forms/FormTexts.h"
#include "forms/TrendBatch.h"
#include "forms/WindowEvents.h"
#include "samples/SampleTrends.h"
#include "tests/forms/RecordingWindows.h"
#include "tests/support/TestFiles.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"

namespace qmr {
namespace {

using testsupport::RecordingWindows;
using Lines = std::vector<std::string>;

TEST(WindowEvents, EachEngineEventAsTheWindowsShowIt) {
  RecordingWindows windows;
  WindowEvents events(windows);
  events.BatchStarted(2);
  events.TrendStarted("TANK1");
  EXPECT_TRUE(events.LetEventsRun());
  events.TrendFinished(MasterSummary{});
  events.DataFileUnrecognised("C:\\t\\TANK1.003", UnrecognisedReason{});
  events.BatchDone();
  EXPECT_EQ(windows.calls,
            (Lines{"show status", "status name TANK1", "pump", std::string("message ") + kUnrecognisedFileMessage,
                   "hide status", std::string("message ") + kBatchDoneMessage}));
  ASSERT_EQ(windows.messages.size(), 2u);
  EXPECT_EQ(windows.messages[0].icon, MessageIcon::Error);
  EXPECT_TRUE(windows.messages[0].statusShown);
  EXPECT_EQ(windows.messages[1].icon, MessageIcon::None);
  EXPECT_FALSE(windows.messages[1].statusShown);
}

// The error box says which masters were written and which were not.
TEST(WindowEvents, FailedTrendHidesTheStatusWithTheErrorBox) {
  RecordingWindows windows;
  WindowEvents events(windows, {"A", "B", "TANK1", "TANK2"});
  events.BatchStarted(4);
  for (const char* trend : {"A", "B"}) {
    events.TrendStarted(trend);
    events.TrendFinished(MasterSummary{});
  }
  events.TrendStarted("TANK1");
  const Error error(ErrorCode::PermissionDenied, "Permission denied: 'x'");
  events.BatchFailed("TANK1", error);
  ASSERT_EQ(windows.messages.size(), 1u);
  EXPECT_EQ(windows.messages[0].text,
            "The rebuild stopped at trend TANK1.\n\nError 70 Permission denied: 'x'\n\n"
            "Rebuilt: A and B.\nNot rebuilt: TANK1 and TANK2.");
  EXPECT_EQ(windows.messages[0].icon, MessageIcon::Error);
  EXPECT_FALSE(windows.messages[0].statusShown);
}

// The run of data files ended at a hidden one: a warning names it, and the
// batch goes on.
TEST(WindowEvents, HiddenDataFileIsNamedInAWarning) {
  RecordingWindows windows;
  WindowEvents events(windows);
  events.DataFileHidden(JoinPath("plant", "T.002"));
  ASSERT_EQ(windows.messages.size(), 1u);
  EXPECT_EQ(windows.messages[0].text, "T.002 is hidden (or a system file): not read");
  EXPECT_EQ(windows.messages[0].icon, MessageIcon::Warning);
}

TEST(WindowEvents, PumpTellsThatTheProgramIsEnding) {
  RecordingWindows windows;
  windows.atPump = [](int) { return false; };
  WindowEvents events(windows);
  EXPECT_FALSE(events.LetEventsRun());
}

TEST(TrendBatch, NothingSelectedAsksForASelection) {
  RecordingWindows windows;
  TrendBatch batch;
  int runs = 0;
  batch.SetBatchFunction([&](const std::string&, const std::vector<std::string>&, RebuildEvents&) { ++runs; });
  batch.Run("C:\\trends", {}, windows);
  EXPECT_EQ(runs, 0);
  ASSERT_EQ(windows.messages.size(), 1u);
  EXPECT_EQ(windows.messages[0].text, kEmptySelectionMessage);
  EXPECT_EQ(windows.messages[0].icon, MessageIcon::None);
}

TEST(TrendBatch, SecondOKDuringABatchIsIgnored) {
  RecordingWindows windows;
  TrendBatch batch;
  std::vector<std::vector<std::string>> runs;
  batch.SetBatchFunction([&](const std::string&, const std::vector<std::string>& names, RebuildEvents& events) {
    runs.push_back(names);
    EXPECT_TRUE(batch.Busy());
    events.LetEventsRun();  // OK pressed again in the pause
  });
  windows.atPump = [&](int) {
    batch.Run("C:\\trends", {"B.000"}, windows);
    return true;
  };
  batch.Run("C:\\trends", {"A.000"}, windows);
  EXPECT_EQ(runs, (std::vector<std::vector<std::string>>{{"A.000"}}));
  EXPECT_FALSE(batch.Busy());
  batch.Run("C:\\trends", {"C.000"}, windows);  // idle again: OK works
  EXPECT_EQ(runs.size(), 2u);
}

TEST(TrendBatch, BatchEndedByAnythingElseIsReported) {
  RecordingWindows windows;
  TrendBatch batch;
  batch.SetBatchFunction([](const std::string&, const std::vector<std::string>&, RebuildEvents& events) {
    events.BatchStarted(1);
    throw std::runtime_error("out of memory");
  });
  batch.Run("C:\\trends", {"A.000"}, windows);
  ASSERT_EQ(windows.messages.size(), 1u);
  EXPECT_EQ(windows.messages[0].text, BatchStoppedText("out of memory"));
  EXPECT_FALSE(windows.messages[0].statusShown);
  EXPECT_FALSE(batch.Busy());
}

class RealBatch : public testing::Test {
 protected:
  testsupport::TempFolder folder_;
  RecordingWindows windows_;
  TrendBatch batch_;
  bool masterWritten(const std::string& trend) { return std::filesystem::exists(folder_ / (trend + ".qmr")); }
};

TEST_F(RealBatch, NamesEachTrendBeforeItsRebuild) {
  samples::WriteTrend(folder_.path(), "FLOW", samples::RisingTrend(4, "Main line flow", 2));
  samples::WriteTrend(folder_.path(), "TANK1", samples::RisingTrend(6, "Tank 1 level", 3));
  batch_.Run(folder_.path(), {"FLOW.000", "TANK1.000"}, windows_);
  EXPECT_EQ(windows_.calls, (Lines{"show status", "status name FLOW", "pump", "status name TANK1", "pump",
                                   "hide status", std::string("message ") + kBatchDoneMessage}));
  EXPECT_TRUE(masterWritten("FLOW"));
  EXPECT_TRUE(masterWritten("TANK1"));
}

TEST_F(RealBatch, ProgramEndingInAPauseStopsBetweenTwoTrends) {
  samples::WriteTrend(folder_.path(), "ONE", samples::RisingTrend(5, "One", 2));
  samples::WriteTrend(folder_.path(), "TWO", samples::RisingTrend(5, "Two", 2));
  windows_.atPump = [](int pump) { return pump < 2; };
  batch_.Run(folder_.path(), {"ONE.000", "TWO.000"}, windows_);
  EXPECT_TRUE(masterWritten("ONE"));
  EXPECT_FALSE(masterWritten("TWO"));
  EXPECT_TRUE(windows_.messages.empty());  // nothing more is shown once the program ends
  EXPECT_FALSE(batch_.Busy());
}

TEST_F(RealBatch, FailingTrendEndsTheBatchWithAnErrorBox) {
  samples::WriteTrend(folder_.path(), "AAA", samples::RisingTrend(6, "Blocked", 2));
  samples::WriteTrend(folder_.path(), "BBB", samples::RisingTrend(6, "Never reached", 2));
  std::filesystem::create_directory(folder_ / "AAA.qmr");  // no master can be written over a folder
  batch_.Run(folder_.path(), {"AAA.000", "BBB.000"}, windows_);
  EXPECT_FALSE(masterWritten("BBB"));
  ASSERT_EQ(windows_.messages.size(), 1u);
  EXPECT_EQ(windows_.messages[0].icon, MessageIcon::Error);
  EXPECT_NE(windows_.messages[0].text.find("AAA"), std::string::npos) << windows_.messages[0].text;
  EXPECT_FALSE(windows_.messages[0].statusShown);
}

}  // namespace
}  // namespace qmr
