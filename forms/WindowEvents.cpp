#include "forms/WindowEvents.h"

#include "forms/FormTexts.h"

namespace qmr {

void WindowEvents::BatchStarted(std::size_t trendCount) {
  trends_ = trendCount;
  rebuilt_ = 0;
  windows_.ShowStatus();
}

void WindowEvents::TrendStarted(const std::string& name) { windows_.SetStatusTrendName(name); }

// The status window repaints with the new name before the rebuild keeps the
// program busy; OK, Help and Close pressed meanwhile are handled here.
bool WindowEvents::LetEventsRun() { return windows_.PumpEvents(); }

void WindowEvents::TrendFinished(const MasterSummary& /*master*/) { ++rebuilt_; }

void WindowEvents::BatchDone() {
  windows_.HideStatus();
  windows_.ShowMessage(kBatchDoneMessage, MessageIcon::None);
}

void WindowEvents::BatchFailed(const std::string& name, const Error& error) {
  windows_.HideStatus();
  const std::size_t notReached = trends_ > rebuilt_ ? trends_ - rebuilt_ - 1 : 0;
  windows_.ShowMessage(BatchFailedText(name, error, rebuilt_, notReached), MessageIcon::Error);
}

// The message does not name the file, as the runtime's users know it.
void WindowEvents::DataFileUnrecognised(const std::string& /*path*/, const UnrecognisedReason& /*reason*/) {
  windows_.ShowMessage(kUnrecognisedFileMessage, MessageIcon::Error);
}

}  // namespace qmr
