// Rebuilding and checking one trend for the command line tool, with the
// safety rules of the tool, into a report that is printed afterwards. Safe
// to run for several trends at once.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "app/TrendOperands.h"
#include "app/TrendReport.h"
#include "tools/FolderListing.h"
#include "trends/MasterFile.h"

namespace qmr::cli {

struct TrendSettings {
  bool dryRun = false;
  bool force = false;                // rebuild: write a master without entries over one with entries
  std::size_t differenceLimit = 20;  // check: differences listed per master
};

// The listings of the folders a run looks into, each read once.
class FolderCache {
 public:
  // nullptr when the folder cannot be listed (the trend then fails on its
  // own reads, naming the file).
  std::shared_ptr<const FolderListing> Get(const std::string& folder);

 private:
  std::mutex mutex_;
  std::map<std::string, std::shared_ptr<const FolderListing>> listings_;
};

TrendReport RebuildOneTrend(const TrendOperand& trend, const TrendSettings& settings, FolderCache& folders,
                            MasterWriter& writer);
TrendReport CheckOneTrend(const TrendOperand& trend, const TrendSettings& settings, FolderCache& folders);

// The folder part of `path` ("" for a bare name).
std::string FolderPart(const std::string& path);

}  // namespace qmr::cli
