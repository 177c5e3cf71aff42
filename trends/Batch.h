// Rebuilding the masters of several trends of one folder, in list order,
// with the status window naming each trend before its rebuild.
#pragma once

#include <string>
#include <vector>

#include "tools/Errors.h"
#include "trends/Services.h"

namespace qmr {

inline constexpr const char* kBatchDoneMessage = "Your QMR files have been rebuilt";

// A failure that ended a batch: the error, and the trend it ended at.
class BatchFailure : public Error {
 public:
  BatchFailure(const Error& error, std::string trendName)
      : Error(error), trendName_(std::move(trendName)) {}
  // The selected name less its extension, as the status window showed it.
  const std::string& trendName() const noexcept { return trendName_; }

 private:
  std::string trendName_;
};

// Rebuilds every trend in `names` (bare first-file names such as NAME.000)
// found in `folder`. Ends with the completion message. A failing trend ends
// the batch: the status window stays shown naming it and BatchFailure is
// thrown; masters already rebuilt stay as written.
void RebuildTrends(const std::string& folder, const std::vector<std::string>& names, Services& services);

}  // namespace qmr
