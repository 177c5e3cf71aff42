// Finding every trend below a folder, for `qmr scan`.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "trends/TrendFolder.h"

namespace qmr {

class Error;

struct WalkCallbacks {
  // A trend: its NAME.000, and what its folder holds.
  std::function<void(const std::string& firstFile, const std::shared_ptr<const TrendFolder>& folder)> trend;
  // A folder that could not be listed, and why; the walk goes on.
  std::function<void(const std::string& folder, const std::string& why)> unreadable;
  // Each folder as it is listed (may be empty): a long walk that finds no
  // trend still shows where it is.
  std::function<void(const std::string& folder)> entering;
  // Windows: a first data file whose name has no exact form in the ANSI
  // code page (shown with "?"), and the error that refuses it. Optional.
  std::function<void(const std::string& shownFirstFile, const Error& why)> unnamable;
};

// Walks `root` and the folders below it, depth first, each folder's entries
// in byte order, so that the trends come in the same order on every run.
// Links to folders are not followed; folders on another file system than
// `root` are not entered unless `crossDevices`. A trend is every NAME.000
// that is an ordinary file (not hidden, not a folder, not a pipe).
void WalkTrends(const std::string& root, bool crossDevices, const WalkCallbacks& callbacks);

}  // namespace qmr
