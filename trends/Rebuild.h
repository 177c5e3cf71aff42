// Rebuilding the master file of one trend from its numbered data files.
#pragma once

#include <string>
#include <vector>

#include "trends/RebuildEvents.h"

namespace qmr {

// What a rebuild writes, or would write.
struct TrendMaster : MasterSummary {
  std::vector<unsigned char> bytes;  // the whole master file
};

// Reads NAME.000, NAME.001, ... (derived from `firstFilePath`) up to the
// first missing number and composes the master in memory; writes nothing.
// Unrecognised files are told to `events`. Throws qmr::Error on any other
// failure.
TrendMaster ComposeTrendMaster(const std::string& firstFilePath, RebuildEvents& events);

// ComposeTrendMaster, then WriteMasterFile. On failure the old master is left
// exactly as it was.
TrendMaster RebuildTrend(const std::string& firstFilePath, RebuildEvents& events);

}  // namespace qmr
