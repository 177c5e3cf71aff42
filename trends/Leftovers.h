// Which trend of a folder tells of the temporary files that interrupted
// master replacements left there, so that a run over many trends of one
// folder names each leftover once, with the trend it belongs to, whatever
// order its workers took the trends in.
#pragma once

#include <string>
#include <vector>

#include "trends/TrendPath.h"

namespace qmr {

class MasterWriter;
class TrendFolder;

// Has `writer` remove the leftovers of the trend's folder, unless it already
// did, before any trend of the folder is looked at; returns those this trend
// tells of: the leftovers that name it, and, for the folder's first trend,
// those that name no trend of the folder. `folder` (may be null) is what the
// folder holds; without it the trend tells of none.
std::vector<std::string> ClaimRemovedLeftovers(const TrendPath& trend, const TrendFolder* folder, MasterWriter& writer);

// The leftovers of the trend's master replacements still in its folder (and
// those that name no trend), as `folder` listed them and no longer held by
// their writer.
std::vector<std::string> LeftoversOf(const TrendPath& trend, const TrendFolder& folder);

}  // namespace qmr
