#include "forms/FormTexts.h"

#include "tools/Errors.h"

namespace qmr {

std::string DriveErrorText(int number, const std::string& description) {
  return "Error " + std::to_string(number) + " " + description;
}

std::string BatchFailedText(const std::string& trendName, const Error& error) {
  return "The rebuild stopped at trend " + trendName + ".\n\nError " + std::to_string(error.number()) + " " +
         error.description();
}

std::string BatchStoppedText(const std::string& what) { return "The rebuild stopped.\n\n" + what; }

std::string BadNameText(const std::string& shownName) {
  const Error error(ErrorCode::BadFileName);
  return "Error " + std::to_string(error.number()) + " " + error.description() + ": " + shownName;
}

std::string VersionLine(const std::string& comments) {
  return std::string(kApplicationTitle) + " version " + kVersionText + " " + comments;
}

}  // namespace qmr
