#include "cli/TrendOperands.h"

#include <algorithm>
#include <set>
#include <string_view>
#include <utility>

#include "cli/ErrorLine.h"
#include "tools/AnsiNames.h"
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
// to the ordinary files it matches, by name. A match whose name has no exact
// ANSI form goes to `refused`, with why.
std::vector<std::string> Expanded(const std::string& operand,
                                  std::vector<std::pair<std::string, std::string>>& refused) {
  const std::size_t cut = operand.find_last_of("\\/:");
  const std::string name = cut == std::string::npos ? operand : operand.substr(cut + 1);
  if (name.find_first_of("*?") == std::string::npos) return {operand};
  std::vector<std::string> matches;
  const std::string folder = cut == std::string::npos ? std::string() : operand.substr(0, cut + 1);
  ListFolder(folder.empty() ? "." : folder, [&](const FolderEntry& entry) {
    if (entry.kind != FolderEntry::Kind::OrdinaryFile || !PathMatchSpecA(entry.name.c_str(), name.c_str())) return;
    if (entry.noAnsiForm.empty()) {
      matches.push_back(folder + entry.name);
    } else {
      const Error why = NoAnsiFormError(folder + entry.name, entry.noAnsiForm);
      refused.emplace_back(folder + entry.name, ErrorLine(why));
    }
  });
  std::sort(matches.begin(), matches.end());
  return matches;
}
#else
// The shell expands patterns; what reaches the program is a name.
std::vector<std::string> Expanded(const std::string& operand,
                                  std::vector<std::pair<std::string, std::string>>& /*refused*/) {
  return {operand};
}
#endif

// A data file's number as the runtime writes it: three digits or more.
bool IsDataFileNumber(std::string_view extension) {
  return extension.size() >= 3 &&
         std::all_of(extension.begin(), extension.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsMasterExtension(std::string_view extension) {
  return extension.size() == 3 && (extension[0] | 0x20) == 'q' && (extension[1] | 0x20) == 'm' &&
         (extension[2] | 0x20) == 'r';
}

}  // namespace

std::string TrendPathOf(const std::string& operand) {
  const std::size_t nameStart = operand.find_last_of(kFolderSeparators);
  const std::size_t dot = operand.rfind('.');
  if (dot == std::string::npos || (nameStart != std::string::npos && dot < nameStart)) return operand;
  const std::string_view extension = std::string_view(operand).substr(dot + 1);
  return IsDataFileNumber(extension) || IsMasterExtension(extension) ? operand.substr(0, dot) : operand;
}

std::vector<TrendOperand> ResolveOperands(const std::vector<std::string>& patterns) {
  std::vector<std::pair<std::string, std::string>> operands;  // as given, and each file it names
  std::vector<TrendOperand> trends;
  for (const std::string& pattern : patterns) {
    std::vector<std::string> expanded;
    std::vector<std::pair<std::string, std::string>> refused;  // names the program cannot open, and why
    try {
      expanded = Expanded(pattern, refused);
    } catch (const Error&) {
      expanded = {pattern};  // the folder cannot be read: refused below, naming it
    }
    for (auto& [shown, why] : refused) trends.push_back({shown, {}, std::move(why)});
    if (expanded.empty() && refused.empty()) expanded = {std::string()};  // stands for "matched nothing"
    for (std::string& operand : expanded) operands.emplace_back(pattern, std::move(operand));
  }
  std::set<std::string> seen;
  std::string workingFolder;
  for (const auto& [pattern, operand] : operands) {
    if (pattern.empty()) {
      trends.push_back({pattern, {}, "an empty operand names no trend: give a trend's first data file (NAME.000)"});
      continue;
    }
    if (operand.empty()) {
      trends.push_back({pattern, {}, "no file matches " + pattern});
      continue;
    }
    TrendOperand trend{operand, {}, {}};
    try {
      if (workingFolder.empty()) workingFolder = WorkingFolder();
      trend.path = TrendPath::OfFile(TrendPathOf(AbsolutePath(operand, workingFolder)) + ".000");
      if (!seen.insert(trend.path.Base()).second) continue;
    } catch (const Error& error) {
      trend.refusal = ErrorLine(error);
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
  std::string refusal = "no trend " + trend.path.Name() + ": no data file " + trend.path.FirstFile();
  // "TANK1.bak" when TANK1 is a trend: say why the ending was kept.
  try {
    if (TrendPathOf(trend.operand) == trend.operand && FileNameOf(trend.operand).find('.') != std::string::npos &&
        FileExists(StripExtension(trend.path.Base()) + ".000"))
      refusal += " (only the endings .000, .001, ... and .qmr name a trend's file)";
  } catch (const Error&) {
  }
  return refusal;
}

}  // namespace qmr::cli
