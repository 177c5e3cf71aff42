// Rebuilding the master file of one trend from its numbered data files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "trends/Services.h"

namespace qmr {

inline constexpr const char* kUnrecognisedFileMessage =
    "This is not a valid trend file. It may be a log file or an unsupported format.";

struct RebuildOptions {
  // Called with a data file's path just before the unrecognised-file message
  // is shown for it (the message itself does not name the file).
  std::function<void(const std::string& path)> onUnrecognised;
};

// What a rebuild writes, or would write.
struct TrendMaster {
  std::string masterPath;            // NAME.qmr beside the data files
  std::int16_t version = 0;          // the version of the last data file found
  std::int16_t fileCount = 0;        // numbered data files found, recognised or not
  std::size_t entryCount = 0;        // entries after the header (0 or fileCount)
  std::vector<unsigned char> bytes;  // the whole master file
};

// Reads NAME.000, NAME.001, ... (derived from `firstFilePath`) and composes
// the master in memory; writes nothing. Unrecognised files are reported
// through `services`. Throws qmr::Error on any other failure.
TrendMaster ComposeTrendMaster(const std::string& firstFilePath, Services& services,
                               const RebuildOptions& options = {});

// ComposeTrendMaster, then WriteMasterFile. On failure the old master is left
// exactly as it was.
TrendMaster RebuildTrend(const std::string& firstFilePath, Services& services,
                         const RebuildOptions& options = {});

}  // namespace qmr
