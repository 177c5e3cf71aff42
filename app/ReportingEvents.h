// The engine's events about one trend, written into its report.
#pragma once

#include "app/TrendReport.h"
#include "trends/RebuildEvents.h"

namespace qmr::cli {

class ReportingEvents : public RebuildEvents {
 public:
  explicit ReportingEvents(TrendReport& report) : report_(report) {}

  void DataFileRead(const std::string& path, const DataFileHeader& header) override;
  void DataFileUnrecognised(const std::string& path, const UnrecognisedReason& reason) override;
  void DataFilesBeyondGap(const std::string& missingPath, const std::vector<std::string>& paths) override;
  void MasterOwnerNotKept(const std::string& masterPath, const std::string& why) override;

 private:
  TrendReport& report_;
};

}  // namespace qmr::cli
