// Finding every trend below a folder, for `qmr scan`.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "trends/TrendFolder.h"

namespace qmr {

class Error;

struct WalkCallbacks {
  // A trend: its NAME.000, and what its folder holds.
  std::function<void(const std::string& firstFile, const std::shared_ptr<const TrendFolder>& folder)> trend;
  // A folder that could not be listed, and the error that says why; the
  // walk goes on.
  std::function<void(const std::string& folder, const Error& why)> unreadable;
  // Each folder as it is listed (may be empty): a long walk that finds no
  // trend still shows where it is.
  std::function<void(const std::string& folder)> entering;
  // Windows: a first data file whose name has no exact form in the ANSI
  // code page (shown with "?"), and the error that refuses it. Optional.
  std::function<void(const std::string& shownFirstFile, const Error& why)> unnamable;
  // A trend whose first data file NAME.000 is missing while later data
  // files or NAME.qmr are there: `firstFile` names the missing file.
  std::function<void(const std::string& firstFile, const std::shared_ptr<const TrendFolder>& folder)> firstFileMissing;
  // A folder on another file system, not entered (no crossDevices).
  std::function<void(const std::string& folder)> otherDevice;
};

// Walks roots and the folders below them, depth first, each folder's
// entries in byte order, so that the trends come in the same order on every
// run. Each folder below a root is opened relative to its parent and never
// through a link, so that a folder swapped for a link while the walk runs
// leads nowhere else; folders on another file system than their root are
// not entered unless `crossDevices`; a folder already walked (found again
// through another root or a bind mount: the same device and inode) is not
// walked again. A trend is every NAME.000 that is an ordinary file (not
// hidden, not a folder, not a pipe).
class TrendWalker {
 public:
  TrendWalker(bool crossDevices, WalkCallbacks callbacks);
  // Throws qmr::Error when `root` cannot be opened as a folder.
  void Walk(const std::string& root);

 private:
#ifndef _WIN32
  void Walk(const std::shared_ptr<const FolderHandle>& open, const std::string& path, std::uint64_t device);
#else
  void Walk(const std::string& path, std::uint64_t& device);
#endif
  // The trends of one listed folder, and its trends without a first file,
  // in byte order of their first file's name.
  void TellTrends(const std::string& path, const std::shared_ptr<const TrendFolder>& listed);

  bool crossDevices_;
  WalkCallbacks callbacks_;
  std::set<std::pair<std::uint64_t, std::uint64_t>> walked_;  // device, inode
};

// One root alone.
void WalkTrends(const std::string& root, bool crossDevices, const WalkCallbacks& callbacks);

}  // namespace qmr
