// How the windows show a batch: the status window names each trend, a data
// file that is no trend data file gets its modal message, and the batch ends
// with the completion message or an error box naming the failed trend.
#pragma once

#include "forms/WindowServices.h"
#include "trends/RebuildEvents.h"

namespace qmr {

class WindowEvents : public RebuildEvents {
 public:
  explicit WindowEvents(WindowServices& windows) : windows_(windows) {}

  void BatchStarted(std::size_t trendCount) override;
  void TrendStarted(const std::string& name) override;
  bool LetEventsRun() override;
  void TrendFinished(const MasterSummary& master) override;
  void BatchDone() override;
  void BatchFailed(const std::string& name, const Error& error) override;
  void DataFileUnrecognised(const std::string& path, const UnrecognisedReason& reason) override;

 private:
  WindowServices& windows_;
  std::size_t trends_ = 0;   // in the batch
  std::size_t rebuilt_ = 0;  // so far
};

}  // namespace qmr
