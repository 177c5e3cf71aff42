#include "forms/FormTexts.h"

#include <system_error>

#include "tools/Errors.h"

namespace qmr {

std::string DriveErrorText(int number, const std::string& description) {
  return "Error " + std::to_string(number) + " " + description;
}

namespace {

std::string Trends(std::size_t count) { return count == 1 ? "the trend" : "the " + std::to_string(count) + " trends"; }

}  // namespace

std::string ErrorDescription(const Error& error) {
  const std::string head = std::string(DefaultDescription(error.code())) + ": ";
  switch (error.fact()) {
    case ErrorFact::None: break;
    case ErrorFact::ReadOnlyMaster: return head + "'" + error.path() + "' is read-only; make it writable to replace it";
    case ErrorFact::MasterNotWritable: return head + "'" + error.path() + "' may not be written by this user";
    case ErrorFact::NoFileInFolder:
      // The master itself was never reached: the folder is what to look at.
      return head + "cannot create a file in folder '" + error.path() + "' to replace '" + error.fileName() + "' (" +
             std::generic_category().message(error.systemError()) + ")";
  }
  return error.description();
}

std::string BatchFailedText(const std::string& trendName, const Error& error, std::size_t rebuilt,
                            std::size_t notReached) {
  std::string text = "The rebuild stopped at trend " + trendName + ".\n\nError " + std::to_string(error.number()) +
                     " " + ErrorDescription(error) + "\n\n";
  if (rebuilt > 0) {
    std::string before = Trends(rebuilt) + (rebuilt == 1 ? " before it was" : " before it were") + " rebuilt. ";
    before[0] = 'T';
    text += before;
  }
  text += notReached == 0 ? trendName + " was not rebuilt."
                          : trendName + " and " + Trends(notReached) + " after it were not rebuilt.";
  return text;
}

std::string FirstLine(std::string_view text, int width, const std::function<int(std::string_view)>& widthOf) {
  // Words are added while the line fits; a first word too wide for the box
  // stays whole (the label cuts it at its edge).
  std::size_t end = text.find(' ');
  if (end == std::string_view::npos || widthOf(text) <= width) return std::string(text);
  for (std::size_t next = text.find(' ', end + 1);; next = text.find(' ', next + 1)) {
    const std::size_t candidate = next == std::string_view::npos ? text.size() : next;
    if (widthOf(text.substr(0, candidate)) > width) break;
    end = candidate;
    if (next == std::string_view::npos) break;
  }
  return std::string(text.substr(0, end));
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
