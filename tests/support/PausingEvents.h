// A front end that forwards every engine event to the window's own and lets
// a test act at each pause, before the window's event pump runs: pressing a
// button or closing a window in the middle of a batch, as a user would.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <utility>

#include "tools/Errors.h"
#include "trends/RebuildEvents.h"

namespace qmr::testsupport {

class PausingEvents : public RebuildEvents {
 public:
  // `atPause` is called with the pause's number, from 1.
  PausingEvents(RebuildEvents& inner, std::function<void(int)> atPause) : inner_(inner), atPause_(std::move(atPause)) {}
  void BatchStarted(std::size_t count) override { inner_.BatchStarted(count); }
  void TrendStarted(const std::string& name) override { inner_.TrendStarted(name); }
  bool LetEventsRun() override {
    atPause_(++pauses_);
    return inner_.LetEventsRun();
  }
  void TrendFinished(const MasterSummary& master) override { inner_.TrendFinished(master); }
  void BatchDone() override { inner_.BatchDone(); }
  void BatchFailed(const std::string& name, const Error& error) override { inner_.BatchFailed(name, error); }
  void DataFileUnrecognised(const std::string& path, const UnrecognisedReason& reason) override {
    inner_.DataFileUnrecognised(path, reason);
  }

 private:
  RebuildEvents& inner_;
  std::function<void(int)> atPause_;
  int pauses_ = 0;
};

}  // namespace qmr::testsupport
