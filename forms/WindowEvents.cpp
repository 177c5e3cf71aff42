#include "forms/WindowEvents.h"

#include "forms/FormTexts.h"
#include "tools/FileTools.h"

namespace qmr {

void WindowEvents::BatchStarted(std::size_t /*trendCount*/) {
  rebuilt_.clear();
  started_ = 0;
  windows_.ShowStatus();
}

void WindowEvents::TrendStarted(const std::string& name) {
  current_ = name;
  ++started_;
  windows_.SetStatusTrendName(name);
}

// The status window repaints with the new name before the rebuild keeps the
// program busy; OK, Help and Close pressed meanwhile are handled here.
bool WindowEvents::LetEventsRun() { return windows_.PumpEvents(); }

void WindowEvents::TrendFinished(const MasterSummary& /*master*/) { rebuilt_.push_back(current_); }

void WindowEvents::BatchDone() {
  windows_.HideStatus();
  windows_.ShowMessage(kBatchDoneMessage, MessageIcon::None);
}

void WindowEvents::BatchFailed(const std::string& name, const Error& error) {
  windows_.HideStatus();
  std::vector<std::string> notRebuilt{name};
  for (std::size_t i = started_; i < selected_.size(); ++i) notRebuilt.push_back(selected_[i]);
  windows_.ShowMessage(BatchFailedText(name, error, rebuilt_, notRebuilt), MessageIcon::Error);
}

// The message does not name the file, as the runtime's users know it.
void WindowEvents::DataFileUnrecognised(const std::string& /*path*/, const UnrecognisedReason& /*reason*/) {
  windows_.ShowMessage(kUnrecognisedFileMessage, MessageIcon::Error);
}

// The trend's master holds fewer entries than the user may count in the
// folder: the box says why, while the batch goes on.
void WindowEvents::DataFileHidden(const std::string& path) {
  windows_.ShowMessage(HiddenDataFileText(FileNameOf(path)), MessageIcon::Warning);
}

}  // namespace qmr
