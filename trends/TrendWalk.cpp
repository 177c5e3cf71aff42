#include "trends/TrendWalk.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "tools/Errors.h"
#include "tools/FileTools.h"

namespace qmr {

namespace {

std::string Child(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == kPathSeparator ? folder + name : JoinPath(folder, name);
}

std::string Why(const Error& error) { return error.description() + " (error " + std::to_string(error.number()) + ")"; }

}  // namespace

TrendWalker::TrendWalker(bool crossDevices, WalkCallbacks callbacks)
    : crossDevices_(crossDevices), callbacks_(std::move(callbacks)) {}

void TrendWalker::TellTrends(const std::string& path, const std::shared_ptr<const TrendFolder>& listed) {
  const std::vector<std::string>& missing = listed->WithoutFirstFile();
  if (missing.empty() || !callbacks_.firstFileMissing) {
    for (const std::string& name : listed->FirstFiles()) callbacks_.trend(Child(path, name), listed);
    return;
  }
  std::vector<std::pair<std::string, bool>> names;  // NAME.000, and whether it is there
  for (const std::string& name : listed->FirstFiles()) names.emplace_back(name, true);
  for (const std::string& name : missing) names.emplace_back(name + ".000", false);
  std::sort(names.begin(), names.end());
  for (const auto& [name, there] : names) {
    if (there)
      callbacks_.trend(Child(path, name), listed);
    else
      callbacks_.firstFileMissing(Child(path, name), listed);
  }
}

#ifndef _WIN32

void TrendWalker::Walk(const FolderHandle& open, const std::string& path, std::uint64_t device) {
  // A mount point below the root is entered only when asked for.
  if (!crossDevices_ && open.identity().device != device) {
    if (callbacks_.otherDevice) callbacks_.otherDevice(path);
    return;
  }
  if (!walked_.insert({open.identity().device, open.identity().inode}).second) return;
  std::shared_ptr<const TrendFolder> listed;
  try {
    listed = std::make_shared<const TrendFolder>(open);
  } catch (const Error& error) {
    callbacks_.unreadable(path, Why(error));
    return;
  }
  // The folder's own trends first, then its subfolders; what this folder
  // holds is let go once its trends are done, before the walk goes deeper.
  TellTrends(path, listed);
  const std::vector<std::string> subfolders = listed->Subfolders();
  listed.reset();
  for (const std::string& name : subfolders) {
    const std::string below = Child(path, name);
    std::optional<FolderHandle> child;
    try {
      // Relative to this folder and never through a link: a subfolder
      // swapped for a link since it was listed is not entered.
      child.emplace(open, name);
    } catch (const Error& error) {
      callbacks_.unreadable(below, Why(error));
      continue;
    }
    Walk(*child, below, device);
  }
}

void TrendWalker::Walk(const std::string& root) {
  // A root keeps its own separator ("/"); any other folder loses one at its end.
  std::string folder = root;
  while (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
  std::optional<FolderHandle> open;
  try {
    // The root as the user named it, a link to it followed.
    open.emplace(folder);
  } catch (const Error& error) {
    callbacks_.unreadable(folder, Why(error));
    return;
  }
  Walk(*open, folder, open->identity().device);
}

#else

// Windows lists by path; its listing leaves links to folders (reparse
// points: symbolic links, junctions) out, so the walk never enters one.
// `device` is the root's, 0 until the root is listed.
void TrendWalker::Walk(const std::string& path, std::uint64_t& device) {
  std::shared_ptr<const TrendFolder> listed;
  try {
    listed = std::make_shared<const TrendFolder>(path);
  } catch (const Error& error) {
    callbacks_.unreadable(path, Why(error));
    return;
  }
  // Where the system names no devices, everything counts as one.
  if (device == 0) device = listed->device();
  if (!crossDevices_ && listed->device() != device) {
    if (callbacks_.otherDevice) callbacks_.otherDevice(path);
    return;
  }
  TellTrends(path, listed);
  const std::vector<std::string> subfolders = listed->Subfolders();
  listed.reset();
  for (const std::string& name : subfolders) Walk(Child(path, name), device);
}

void TrendWalker::Walk(const std::string& root) {
  std::uint64_t device = 0;
  // A root keeps its own separator ("/", "C:\"); any other folder loses one at its end.
  std::string folder = root;
  while (folder.size() > 1 && folder.back() == kPathSeparator && folder[folder.size() - 2] != ':') folder.pop_back();
  Walk(folder, device);
}

#endif

void WalkTrends(const std::string& root, bool crossDevices, const WalkCallbacks& callbacks) {
  TrendWalker(crossDevices, callbacks).Walk(root);
}

}  // namespace qmr
