// A recording front end for the rebuild engine: every event becomes one line
// of text, in order, so that a test compares whole sequences; the facts of
// the events are kept apart as well. Free of GoogleTest, so that the fuzz
// targets and the benchmarks can use it too.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/Errors.h"
#include "trends/RebuildEvents.h"

namespace qmr::testsupport {

// "no version word (139 of 140 bytes)", "unknown version 9", "header cut at
// 200 of 304 bytes".
inline std::string ReasonText(const UnrecognisedReason& reason) {
  switch (reason.kind) {
    case UnrecognisedReason::Kind::NoVersionWord:
      return "no version word (" + std::to_string(reason.length) + " of " + std::to_string(reason.needed) + " bytes)";
    case UnrecognisedReason::Kind::UnknownVersion: return "unknown version " + std::to_string(reason.version);
    case UnrecognisedReason::Kind::HeaderCut:
      return "header cut at " + std::to_string(reason.length) + " of " + std::to_string(reason.needed) + " bytes";
  }
  return "?";
}

class RecordingEvents : public RebuildEvents {
 public:
  std::vector<std::string> lines;
  std::vector<std::string> startedTrends;
  std::vector<std::string> unrecognisedPaths;
  std::vector<UnrecognisedReason> unrecognisedReasons;
  std::vector<std::string> ownerNotKept;  // master paths
  std::vector<std::string> staleRemoved;  // temporary file paths
  bool done = false;
  bool failed = false;
  std::string failedTrend;
  ErrorCode failedCode = ErrorCode::InvalidArgument;
  std::string failedDescription;
  // Asked at each pause (counted from 1); false ends the program there.
  std::function<bool(int pause)> atPause;

  void BatchStarted(std::size_t trendCount) override { lines.push_back("batch started " + std::to_string(trendCount)); }
  void TrendStarted(const std::string& name) override {
    lines.push_back("trend started " + name);
    startedTrends.push_back(name);
  }
  bool LetEventsRun() override {
    lines.push_back("pump");
    return atPause ? atPause(++pauses_) : true;
  }
  void TrendFinished(const MasterSummary& master) override { lines.push_back("trend finished " + master.masterPath); }
  void BatchDone() override {
    lines.push_back("batch done");
    done = true;
  }
  void BatchFailed(const std::string& name, const Error& error) override {
    lines.push_back("batch failed " + name + ": error " + std::to_string(error.number()));
    failed = true;
    failedTrend = name;
    failedCode = error.code();
    failedDescription = error.description();
  }
  void DataFileUnrecognised(const std::string& path, const UnrecognisedReason& reason) override {
    lines.push_back("unrecognised " + path + ": " + ReasonText(reason));
    unrecognisedPaths.push_back(path);
    unrecognisedReasons.push_back(reason);
  }
  void MasterOwnerNotKept(const std::string& masterPath, const OwnerNotKept&) override {
    lines.push_back("owner not kept " + masterPath);
    ownerNotKept.push_back(masterPath);
  }
  void StaleTemporaryRemoved(const std::string& path) override {
    lines.push_back("leftover removed " + path);
    staleRemoved.push_back(path);
  }

 private:
  int pauses_ = 0;
};

}  // namespace qmr::testsupport
