// How the windows show a batch: the status window names each trend, a data
// file that is no trend data file gets its modal message, and the batch ends
// with the completion message or an error box naming the failed trend and
// which of the selected trends were rebuilt and which were not.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "forms/WindowServices.h"
#include "trends/RebuildEvents.h"

namespace qmr {

class WindowEvents : public RebuildEvents {
 public:
  // `selected`: the trend names of the batch, in list order (without one,
  // the error box names only the trends that were started).
  explicit WindowEvents(WindowServices& windows, std::vector<std::string> selected = {})
      : windows_(windows), selected_(std::move(selected)) {}

  void BatchStarted(std::size_t trendCount) override;
  void TrendStarted(const std::string& name) override;
  bool LetEventsRun() override;
  void TrendFinished(const MasterSummary& master) override;
  void BatchDone() override;
  void BatchFailed(const std::string& name, const Error& error) override;
  void DataFileUnrecognised(const std::string& path, const UnrecognisedReason& reason) override;
  void DataFileHidden(const std::string& path) override;

 private:
  WindowServices& windows_;
  std::vector<std::string> selected_;
  std::vector<std::string> rebuilt_;  // so far, in order
  std::string current_;               // the trend in hand
  std::size_t started_ = 0;           // trends started so far
};

}  // namespace qmr
