// Rebuilding the masters of several trends of one folder, in list order,
// telling the front end about each trend before its rebuild.
#pragma once

#include <string>
#include <vector>

#include "trends/RebuildEvents.h"

namespace qmr {

// Rebuilds every trend in `names` (bare first-file names such as NAME.000)
// found in `folder`: BatchStarted, then per trend TrendStarted, LetEventsRun
// and TrendFinished, then BatchDone. A trend that fails ends the batch with
// BatchFailed; masters already rebuilt stay as written. When LetEventsRun
// answers that the program is ending, the batch stops there without another
// event.
void RebuildTrends(const std::string& folder, const std::vector<std::string>& names, RebuildEvents& events);

}  // namespace qmr
