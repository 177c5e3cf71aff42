#include "app/TrendWalk.h"

#include <string_view>
#include <vector>

#include "tools/Errors.h"
#include "tools/FileTools.h"

namespace qmr::cli {

namespace {

constexpr std::string_view kFirstFileEnding = ".000";

std::string Child(const std::string& folder, const std::string& name) {
  return !folder.empty() && folder.back() == kPathSeparator ? folder + name : JoinPath(folder, name);
}

// `device` is the root's, 0 until the root is listed.
void Walk(const std::string& folder, std::uint64_t& device, bool crossDevices, const WalkCallbacks& callbacks) {
  std::shared_ptr<const FolderListing> listing;
  try {
    listing = std::make_shared<const FolderListing>(folder);
  } catch (const Error& error) {
    callbacks.unreadable(folder, error.description() + " (error " + std::to_string(error.number()) + ")");
    return;
  }
  // A mount point below the root is entered only when asked for; where the
  // system names no devices, everything counts as one.
  if (device == 0) device = listing->device();
  if (!crossDevices && listing->device() != device) return;

  std::vector<std::string> subfolders;
  for (const FolderEntry& entry : listing->entries()) {
    if (entry.kind == FolderEntry::Kind::Folder) {
      subfolders.push_back(entry.name);
    } else if (entry.kind == FolderEntry::Kind::OrdinaryFile && entry.name.size() > kFirstFileEnding.size() &&
               std::string_view(entry.name).ends_with(kFirstFileEnding)) {
      callbacks.trend(Child(folder, entry.name), listing);
    }
  }
  // The folder's own trends first, then its subfolders; the listing of this
  // folder is let go before the walk goes deeper.
  listing.reset();
  for (const std::string& name : subfolders) Walk(Child(folder, name), device, crossDevices, callbacks);
}

}  // namespace

void WalkTrends(const std::string& root, bool crossDevices, const WalkCallbacks& callbacks) {
  std::uint64_t device = 0;
  // A root keeps its own separator ("/", "C:\"); any other folder loses one at its end.
  std::string folder = root;
  while (folder.size() > 1 && folder.back() == kPathSeparator && folder[folder.size() - 2] != ':') folder.pop_back();
  Walk(folder, device, crossDevices, callbacks);
}

}  // namespace qmr::cli
