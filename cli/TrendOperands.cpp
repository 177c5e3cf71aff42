#include "cli/TrendOperands.h"

#include <algorithm>
#include <set>
#include <utility>

#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "tools/FolderListing.h"

#ifdef _WIN32
// windows.h first, in a block of its own: shlwapi.h needs what it defines.
#include <windows.h>

#include <shlwapi.h>
#endif

namespace qmr::cli {

namespace {

#ifdef _WIN32
// The Windows shells pass patterns on as they are: "*.000" is expanded here,
// to the ordinary files it matches, by name.
std::vector<std::string> Expanded(const std::string& operand) {
  const std::size_t cut = operand.find_last_of("\\/:");
  const std::string name = cut == std::string::npos ? operand : operand.substr(cut + 1);
  if (name.find_first_of("*?") == std::string::npos) return {operand};
  std::vector<std::string> matches;
  const std::string folder = cut == std::string::npos ? std::string() : operand.substr(0, cut + 1);
  ListFolder(folder.empty() ? "." : folder, [&](const FolderEntry& entry) {
    if (entry.kind == FolderEntry::Kind::OrdinaryFile && PathMatchSpecA(entry.name.c_str(), name.c_str()))
      matches.push_back(folder + entry.name);
  });
  std::sort(matches.begin(), matches.end());
  return matches;
}
#else
// The shell expands patterns; what reaches the program is a name.
std::vector<std::string> Expanded(const std::string& operand) { return {operand}; }
#endif

}  // namespace

std::vector<TrendOperand> ResolveOperands(const std::vector<std::string>& patterns) {
  std::vector<std::pair<std::string, std::string>> operands;  // as given, and each file it names
  for (const std::string& pattern : patterns) {
    std::vector<std::string> expanded;
    try {
      expanded = Expanded(pattern);
    } catch (const Error&) {
      expanded = {pattern};  // the folder cannot be read: refused below, naming it
    }
    if (expanded.empty()) expanded = {std::string()};  // stands for "matched nothing"
    for (std::string& operand : expanded) operands.emplace_back(pattern, std::move(operand));
  }
  std::vector<TrendOperand> trends;
  std::set<std::string> seen;
  std::string workingFolder;
  for (const auto& [pattern, operand] : operands) {
    if (operand.empty()) {
      trends.push_back({pattern, {}, "no file matches " + pattern});
      continue;
    }
    TrendOperand trend{operand, {}, {}};
    try {
      if (workingFolder.empty()) workingFolder = WorkingFolder();
      trend.path = TrendPath::OfFile(AbsolutePath(operand, workingFolder));
      if (!seen.insert(trend.path.Base()).second) continue;
    } catch (const Error& error) {
      trend.refusal = error.description() + " (error " + std::to_string(error.number()) + ")";
    }
    trends.push_back(std::move(trend));
  }
  return trends;
}

std::string NoDataFileRefusal(const TrendOperand& trend) {
  try {
    if (FolderExists(AbsolutePath(trend.operand)))
      return "'" + trend.operand + "' is a folder: give a trend's first data file (NAME.000), " +
             "or look through the folder with 'qmr scan'";
  } catch (const Error&) {
  }
  return "no data file " + trend.path.FirstFile();
}

}  // namespace qmr::cli
