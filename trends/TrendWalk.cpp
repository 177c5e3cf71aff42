#include "trends/TrendWalk.h"

#include <string_view>
#include <vector>

#include "tools/AnsiNames.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"

namespace qmr {

namespace {

// `device` is the root's, 0 until the root is listed.
void Walk(const std::string& folder, std::uint64_t& device, bool crossDevices, const WalkCallbacks& callbacks) {
  if (callbacks.entering) callbacks.entering(folder);
  std::shared_ptr<const TrendFolder> listed;
  try {
    listed = std::make_shared<const TrendFolder>(folder);
  } catch (const Error& error) {
    callbacks.unreadable(folder, error.description() + " (error " + std::to_string(error.number()) + ")");
    return;
  }
  // A mount point below the root is entered only when asked for; where the
  // system names no devices, everything counts as one.
  if (device == 0) device = listed->device();
  if (!crossDevices && listed->device() != device) return;

  // The folder's own trends first, then its subfolders; what this folder
  // holds is let go once its trends are done, before the walk goes deeper.
  for (const std::string& name : listed->FirstFiles()) callbacks.trend(JoinPath(folder, name), listed);
  // Names the program cannot open are told, never taken for look-alikes.
  for (const TrendFolder::Unnamable& name : listed->Unnamables()) {
    const std::string shown = JoinPath(folder, name.shown);
    const Error why = NoAnsiFormError(shown, name.character);
    if (name.folder)
      callbacks.unreadable(shown, why.description() + " (error " + std::to_string(why.number()) + ")");
    else if (callbacks.unnamable)
      callbacks.unnamable(shown, why);
  }
  const std::vector<std::string> subfolders = listed->Subfolders();
  listed.reset();
  for (const std::string& name : subfolders) Walk(JoinPath(folder, name), device, crossDevices, callbacks);
}

}  // namespace

void WalkTrends(const std::string& root, bool crossDevices, const WalkCallbacks& callbacks) {
  std::uint64_t device = 0;
  // A root keeps its own separator ("/", "C:\"); any other folder loses one at its end.
  std::string folder = root;
  while (folder.size() > 1 && folder.back() == kPathSeparator && folder[folder.size() - 2] != ':') folder.pop_back();
  Walk(folder, device, crossDevices, callbacks);
}

}  // namespace qmr
