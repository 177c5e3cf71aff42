#include "cli/ReportingEvents.h"

#include <string>
#include <system_error>
#include "cli/ProgressLine.h"

namespace qmr::cli {

void ReportingEvents::DataFileRead(const std::string& path, const DataFileHeader& header) {
  report_.lastFileRead = path;
  if (listFiles_) report_.filesRead.push_back({path, header.version, header.recognised()});
  if (progress_ != nullptr) progress_->DataFileRead();
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

void ReportingEvents::DataFileHidden(const std::string& path) {
  Warning warning;
  warning.kind = Warning::Kind::Hidden;
  warning.file = path;
  report_.warnings.push_back(std::move(warning));
}

void ReportingEvents::MasterOwnerNotKept(const std::string& masterPath, const OwnerNotKept& owner) {
  Warning warning;
  warning.kind = Warning::Kind::OwnerNotKept;
  warning.file = masterPath;
  warning.detail = "the new master belongs to this user, not to the old one's owner (user " +
                   std::to_string(owner.user) + ", group " + std::to_string(owner.group) +
                   "): " + std::generic_category().message(owner.systemError);
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
