// Rebuilding the master file of one trend from its numbered data files.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "trends/RebuildEvents.h"

namespace qmr {

class TrendFolder;
class MasterWriter;

// How a trend is rebuilt beyond what the windows do.
struct RebuildOptions {
  // What the trend's folder holds: with it, data files beyond the first
  // missing number are told to DataFilesBeyondGap.
  const TrendFolder* folder = nullptr;
  // The path an entry records for the data file named `fileName` (NAME.007),
  // when it is not the path the file was read from: a master rebuilt away
  // from the plant records the paths the runtime will open. May throw
  // qmr::Error for a name the runtime could not hold.
  std::function<std::string(const std::string& fileName)> recordedPath;
  // Follow every data file that is a symbolic link. Without it a link is
  // followed only when it and its target have the same owner or it is this
  // user's own; another ends the trend's data files (DataFileLinkNotFollowed).
  bool followLinks = false;
};

// The path of data file `number` of a trend: the trend's base path, ".",
// and the number in at least three digits, as the runtime names them.
// Reuses one string so that reading thousands of files does not allocate a
// path for each.
class DataFilePath {
 public:
  explicit DataFilePath(const std::string& firstFilePath);
  // Valid until the next call.
  const std::string& For(int number);

 private:
  std::string path_;
  std::size_t prefixLength_ = 0;
};

// What a rebuild writes, or would write.
struct TrendMaster : MasterSummary {
  std::vector<unsigned char> bytes;  // the whole master file
};

// Reads NAME.000, NAME.001, ... (derived from `firstFilePath`) up to the
// first missing number and composes the master in memory; writes nothing.
// Unrecognised files are told to `events`. Throws qmr::Error on any other
// failure.
TrendMaster ComposeTrendMaster(const std::string& firstFilePath, RebuildEvents& events,
                               const RebuildOptions& options = {});

// ComposeTrendMaster, then the master written by `writer` (by one of its own
// when none is given). On failure the old master is left exactly as it was.
TrendMaster RebuildTrend(const std::string& firstFilePath, RebuildEvents& events, const RebuildOptions& options = {});
TrendMaster RebuildTrend(const std::string& firstFilePath, RebuildEvents& events, const RebuildOptions& options,
                         MasterWriter& writer);

}  // namespace qmr
