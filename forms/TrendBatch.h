// What OK does, whatever the toolkit: it starts one batch at a time (a second
// OK while a batch pauses between trends is ignored), asks for a selection
// when there is none, and reports a batch that ended other than by a failing
// trend.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "forms/WindowServices.h"
#include "trends/RebuildEvents.h"

namespace qmr {

class TrendBatch {
 public:
  // The rebuild that OK runs: RebuildTrends unless a test replaces it.
  using BatchFunction =
      std::function<void(const std::string& folder, const std::vector<std::string>& names, RebuildEvents& events)>;

  TrendBatch();
  void SetBatchFunction(BatchFunction batch) { batch_ = std::move(batch); }
  // True while a batch runs, pausing between trends included.
  bool Busy() const { return busy_; }

  // OK pressed with `names` (bare first-file names, in list order) selected
  // in `folder`.
  void Run(const std::string& folder, const std::vector<std::string>& names, WindowServices& windows);

 private:
  BatchFunction batch_;
  bool busy_ = false;
};

}  // namespace qmr
