// Rebuilding the master file of one trend from its numbered data files.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "trends/DataFilePath.h"
#include "trends/RebuildEvents.h"
#include "trends/TrendPath.h"

namespace qmr {

class TrendFolder;
class MasterWriter;

// How a trend is rebuilt beyond what the windows do. Each front end chooses:
// the windows keep the runtime's rules (every rule off), the command line
// tool turns on the rules that keep a user's data safe.
struct RebuildOptions {
  // What the trend's folder holds: with it, data files beyond the first
  // missing number are told to DataFilesBeyondGap.
  const TrendFolder* folder = nullptr;
  // The path an entry records for the data file named `fileName` (NAME.007),
  // when it is not the path the file was read from: a master rebuilt away
  // from the plant records the paths the runtime will open. May throw
  // qmr::Error for a name the runtime could not hold.
  std::function<std::string(const std::string& fileName)> recordedPath;
  // Read everything, write nothing: the outcome is WouldRebuild.
  bool dryRun = false;
  // Refuse a trend whose first data file is missing (a typing error, a moved
  // file) instead of writing a master of its header alone.
  bool refuseWithoutDataFiles = false;
  // Refuse a master with fewer real (not all-zero) entries than the master it
  // would replace.
  bool refuseWorseMaster = false;
  // Let a large trend's data files be opened with a second thread's help
  // (needs `folder`, which tells how many there are). Where the system gives
  // no batches of file calls (Windows, or Linux without io_uring), they are
  // opened ahead of the reads, so that a cold disk fetches them together
  // instead of one after the other; where it does, the opens that wait for
  // the disk are shared. Without it no thread is started.
  bool readAhead = true;
  // Follow every data file that is a symbolic link. Without it a link is
  // followed only when it and its target have the same owner or it is this
  // user's own; another ends the trend's data files (DataFileLinkNotFollowed).
  bool followLinks = false;
};

// What a rebuild writes, or would write.
struct TrendMaster : MasterSummary {
  std::vector<unsigned char> bytes;  // the whole master file
  // The number of the first data file that gave the master no entry of its
  // own (not a trend data file, cut short, or of another family than the
  // last file); -1 when every file gave one.
  int firstFileWithoutEntry = -1;
  // The last data file gave none: it decides the master's family, so it is
  // the one to look at first.
  bool lastFileWithoutEntry = false;

  std::size_t RealEntries() const { return entryCount - placeholderCount; }
};

// Why a trend was not rebuilt, as facts that each front end words.
struct Refusal {
  enum class Reason {
    NoDataFile,   // `file` (NAME.000) is missing
    WorseMaster,  // the new master would have fewer real entries than the old
  };
  // WorseMaster: what `file` did to the new master.
  enum class Blame {
    LastFileGaveNone,  // the last data file gave no entry (cut short, no trend data file)
    FileGaveNone,      // the first data file to give no entry (the same, or of another family)
    FileMissing,       // the first missing number: the files after it were not read
  };
  Reason reason = Reason::NoDataFile;
  Blame blame = Blame::LastFileGaveNone;
  std::string file;            // the data file to blame
  std::string masterPath;      // the master that stays as it is
  std::size_t newEntries = 0;  // real entries of the master composed
  std::size_t oldEntries = 0;  // real entries of the master in place
};

// What a rebuild did, with the master it composed.
struct TrendOutcome : TrendMaster {
  enum class Kind { Rebuilt, WouldRebuild, Refused };
  Kind kind = Kind::Rebuilt;
  std::optional<Refusal> refusal;  // when Refused
};

// Reads NAME.000, NAME.001, ... of `trend` up to the first missing number
// and composes the master in memory; writes nothing. Unrecognised files are
// told to `events`. Throws qmr::Error on any other failure.
TrendMaster ComposeTrendMaster(const TrendPath& trend, RebuildEvents& events, const RebuildOptions& options = {});
TrendMaster ComposeTrendMaster(const std::string& firstFilePath, RebuildEvents& events,
                               const RebuildOptions& options = {});

// Why `options` refuse to put `master` in place of the trend's master, if
// they do. Reads of the old master only as much as the decision needs.
std::optional<Refusal> RefusalOf(const TrendPath& trend, const TrendMaster& master, const RebuildOptions& options);

// Puts a composed master in place by `writer`, unless `options` refuse it or
// ask for a dry run.
TrendOutcome ReplaceMaster(const TrendPath& trend, TrendMaster master, RebuildEvents& events,
                           const RebuildOptions& options, MasterWriter& writer);

// ComposeTrendMaster, then ReplaceMaster by `writer` (by one of its own when
// none is given). On failure or refusal the old master is left exactly as it
// was.
TrendOutcome RebuildTrend(const TrendPath& trend, RebuildEvents& events, const RebuildOptions& options,
                          MasterWriter& writer);
TrendOutcome RebuildTrend(const TrendPath& trend, RebuildEvents& events, const RebuildOptions& options = {});
// The trend of its first data file (or of any of its files).
TrendOutcome RebuildTrend(const std::string& firstFilePath, RebuildEvents& events, const RebuildOptions& options = {});

}  // namespace qmr
