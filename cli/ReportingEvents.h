// The engine's events about one trend, written into its report.
#pragma once

#include "cli/TrendReport.h"
#include "trends/RebuildEvents.h"

namespace qmr::cli {

class ProgressLine;

class ReportingEvents : public RebuildEvents {
 public:
  // `progress` (may be null) counts the data files read; `listFiles` keeps
  // each of them in the report.
  explicit ReportingEvents(TrendReport& report, ProgressLine* progress = nullptr, bool listFiles = false)
      : report_(report), progress_(progress), listFiles_(listFiles) {}

  void DataFileRead(const std::string& path, const DataFileHeader& header) override;
  void DataFileUnrecognised(const std::string& path, const UnrecognisedReason& reason) override;
  void DataFilesBeyondGap(const std::string& missingPath, const std::vector<std::string>& paths) override;
  void DataFileHidden(const std::string& path) override;
  void MasterOwnerNotKept(const std::string& masterPath, const OwnerNotKept& owner) override;
  void StaleTemporaryRemoved(const std::string& path) override;
  void DataFileLinkNotFollowed(const std::string& path) override;

 private:
  TrendReport& report_;
  ProgressLine* progress_;
  bool listFiles_;
};

}  // namespace qmr::cli
