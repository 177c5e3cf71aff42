#include "cli/ReportingEvents.h"

#include "cli/TrendRunner.h"
#include "trends/ReadAhead.h"

namespace qmr::cli {

void ReportingEvents::DataFileRead(const std::string& path, const DataFileHeader& header) {
  report_.lastFileRead = path;
  if (listFiles_) report_.filesRead.push_back({path, header.version, header.recognised()});
  if (progress_ != nullptr) progress_->DataFileRead();
  if (readAhead_ != nullptr) readAhead_->FileRead();
}

void ReportingEvents::DataFileUnrecognised(const std::string& path, const UnrecognisedReason& reason) {
  Warning warning;
  warning.kind = Warning::Kind::Unrecognised;
  warning.file = path;
  warning.reason = reason;
  report_.warnings.push_back(std::move(warning));
}

void ReportingEvents::DataFilesBeyondGap(const std::string& missingPath, const std::vector<std::string>& paths) {
  Warning warning;
  warning.kind = Warning::Kind::BeyondGap;
  warning.file = paths.front();
  warning.missing = missingPath;
  warning.count = paths.size();
  report_.warnings.push_back(std::move(warning));
}

void ReportingEvents::MasterOwnerNotKept(const std::string& masterPath, const std::string& why) {
  Warning warning;
  warning.kind = Warning::Kind::OwnerNotKept;
  warning.file = masterPath;
  warning.detail = why;
  report_.warnings.push_back(std::move(warning));
}

void ReportingEvents::StaleTemporaryRemoved(const std::string& path) { report_.leftoversRemoved.push_back(path); }

void ReportingEvents::DataFileLinkNotFollowed(const std::string& path) {
  Warning warning;
  warning.kind = Warning::Kind::LinkNotFollowed;
  warning.file = path;
  report_.warnings.push_back(std::move(warning));
}

}  // namespace qmr::cli
