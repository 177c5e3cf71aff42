#include "trends/TrendWalk.h"

#include <algorithm>
#include <vector>

#include "tools/AnsiNames.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "tools/PathParts.h"

namespace qmr {

namespace {

// Names the program cannot open are told, never taken for look-alikes.
void TellUnnamables(const std::string& path, const TrendFolder& listed, const WalkCallbacks& callbacks) {
  for (const TrendFolder::Unnamable& name : listed.Unnamables()) {
    const std::string shown = JoinPath(path, name.shown);
    const Error why = NoAnsiFormError(shown, name.character);
    if (name.folder)
      callbacks.unreadable(shown, why);
    else if (callbacks.unnamable)
      callbacks.unnamable(shown, why);
  }
}

}  // namespace

TrendWalker::TrendWalker(bool crossDevices, WalkCallbacks callbacks)
    : crossDevices_(crossDevices), callbacks_(std::move(callbacks)) {}

void TrendWalker::TellTrends(const std::string& path, const std::shared_ptr<const TrendFolder>& listed) {
  const std::vector<std::string>& missing = listed->WithoutFirstFile();
  if (missing.empty() || !callbacks_.firstFileMissing) {
    for (const std::string& name : listed->FirstFiles()) callbacks_.trend(JoinPath(path, name), listed);
    return;
  }
  std::vector<std::pair<std::string, bool>> names;  // NAME.000, and whether it is there
  for (const std::string& name : listed->FirstFiles()) names.emplace_back(name, true);
  for (const std::string& name : missing) names.emplace_back(name + ".000", false);
  std::sort(names.begin(), names.end());
  for (const auto& [name, there] : names) {
    if (there)
      callbacks_.trend(JoinPath(path, name), listed);
    else
      callbacks_.firstFileMissing(JoinPath(path, name), listed);
  }
}

#ifndef _WIN32

void TrendWalker::Walk(const std::shared_ptr<const FolderHandle>& open, const std::string& path, std::uint64_t device) {
  const FolderIdentity identity = open->identity();
  // A mount point below the root is entered only when asked for.
  if (!crossDevices_ && identity.device != device) {
    if (callbacks_.otherDevice) callbacks_.otherDevice(path);
    return;
  }
  if (!walked_.insert({identity.device, identity.inode}).second) return;
  if (callbacks_.entering) callbacks_.entering(path);
  std::shared_ptr<const TrendFolder> listed;
  try {
    // The listing keeps the folder open: its trends are read relative to it
    // without opening it again, each.
    listed = std::make_shared<const TrendFolder>(open);
  } catch (const Error& error) {
    callbacks_.unreadable(path, error);
    return;
  }
  // The folder's own trends first, then its subfolders; what this folder
  // holds is let go once its trends are done, before the walk goes deeper.
  TellTrends(path, listed);
  TellUnnamables(path, *listed, callbacks_);
  const std::vector<std::string> subfolders = listed->Subfolders();
  listed.reset();
  for (const std::string& name : subfolders) {
    const std::string below = JoinPath(path, name);
    std::shared_ptr<const FolderHandle> child;
    try {
      // Relative to this folder and never through a link: a subfolder
      // swapped for a link since it was listed is not entered.
      child = std::make_shared<const FolderHandle>(*open, name);
    } catch (const Error& error) {
      callbacks_.unreadable(below, error);
      continue;
    }
    Walk(child, below, device);
  }
}

void TrendWalker::Walk(const std::string& root) {
  // A root keeps its own separator ("/"); any other folder loses one at its end.
  std::string folder = root;
  while (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
  std::shared_ptr<const FolderHandle> open;
  try {
    // The root as the user named it, a link to it followed.
    open = std::make_shared<const FolderHandle>(folder);
  } catch (const Error& error) {
    callbacks_.unreadable(folder, error);
    return;
  }
  Walk(open, folder, open->identity().device);
}

#else

// Windows lists by path; its listing leaves links to folders (reparse
// points: symbolic links, junctions) out, so the walk never enters one.
// `device` is the root's, 0 until the root is listed.
void TrendWalker::Walk(const std::string& path, std::uint64_t& device) {
  if (callbacks_.entering) callbacks_.entering(path);
  std::shared_ptr<const TrendFolder> listed;
  try {
    listed = std::make_shared<const TrendFolder>(path);
  } catch (const Error& error) {
    callbacks_.unreadable(path, error);
    return;
  }
  // Where the system names no devices, everything counts as one.
  if (device == 0) device = listed->device();
  if (!crossDevices_ && listed->device() != device) {
    if (callbacks_.otherDevice) callbacks_.otherDevice(path);
    return;
  }
  TellTrends(path, listed);
  TellUnnamables(path, *listed, callbacks_);
  const std::vector<std::string> subfolders = listed->Subfolders();
  listed.reset();
  for (const std::string& name : subfolders) Walk(JoinPath(path, name), device);
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
