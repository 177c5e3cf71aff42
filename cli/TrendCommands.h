// Rebuilding, checking and scanning one trend for the command line tool, with
// the tool's safety rules, into a report that is printed afterwards. Safe to
// run for several trends at once.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "cli/TrendOperands.h"
#include "cli/TrendReport.h"
#include "trends/MasterFile.h"
#include "trends/RecordedPaths.h"
#include "trends/TrendFolder.h"

namespace qmr::cli {

class ProgressLine;

struct TrendSettings {
  bool dryRun = false;
  bool force = false;                // replace a master even by one with fewer real entries
  bool repair = false;               // scan --rebuild: rebuild masters that are missing or differ
  std::size_t differenceLimit = 20;  // check: differences listed per master
  bool listFilesRead = false;        // -v: keep every data file read in the report
  bool readAhead = false;            // large trends' data files are opened with a thread's help
  bool followLinks = false;          // follow every data file that is a link, whoever owns it
  std::optional<RecordedPaths> recordAs;
};

class FolderCache;

// One trend to do, with what its folder holds (for data files beyond a gap
// and leftover temporary files; may be null), or the run's folders to learn
// it from when the trend is done.
struct TrendJob {
  TrendOperand trend;
  std::shared_ptr<const TrendFolder> folder;
  FolderCache* folders = nullptr;
};

// The folders a run looks into, each listed once.
class FolderCache {
 public:
  // nullptr when the folder cannot be listed (the trend then fails on its
  // own reads, naming the file).
  std::shared_ptr<const TrendFolder> Get(const std::string& folder);
#ifndef _WIN32
  // The same, a folder not listed yet being listed through `open`: the
  // folder opened for a trend that is in it.
  std::shared_ptr<const TrendFolder> Get(const std::string& folder, const FolderHandle& open);
#endif

 private:
  // The folder's listing, made by `list` when there is none yet.
  std::shared_ptr<const TrendFolder> Listed(const std::string& folder,
                                            const std::function<std::shared_ptr<const TrendFolder>()>& list);

  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const TrendFolder>> folders_;
};

// Reads the trend and writes its master (`writer`), unless refused.
TrendReport RebuildOneTrend(const TrendJob& job, const TrendSettings& settings, MasterWriter& writer,
                            ProgressLine* progress);
// Reads the trend and compares its master; with settings.repair a master
// that is missing or differs is then rebuilt by `writer` as RebuildOneTrend
// would.
TrendReport CheckOneTrend(const TrendJob& job, const TrendSettings& settings, MasterWriter* writer,
                          ProgressLine* progress);

// scan: the report of a trend whose first data file is missing.
TrendReport FirstFileMissingReport(const std::string& firstFile);

}  // namespace qmr::cli
