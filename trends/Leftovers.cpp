#include "trends/Leftovers.h"

#include <algorithm>
#include <optional>

#include "tools/FileTools.h"
#include "trends/MasterFile.h"
#include "trends/RebuildEvents.h"
#include "trends/TrendFolder.h"

namespace qmr {

std::vector<std::string> ClaimRemovedLeftovers(const TrendPath& trend, const TrendFolder* folder,
                                               MasterWriter& writer) {
  RebuildEvents untold;
  const std::vector<std::string> removed = writer.RemoveLeftovers(trend.FolderToOpen(), untold, folder);
  std::vector<std::string> claimed;
  if (removed.empty() || folder == nullptr) return claimed;
  const std::vector<std::string>& firstFiles = folder->FirstFiles();
  const std::string trendName = trend.Name();
  const bool firstOfFolder = !firstFiles.empty() && firstFiles.front() == trendName + ".000";
  for (const std::string& path : removed) {
    const std::optional<TemporaryName> name = ParseTemporaryName(FileNameOf(path));
    const bool namesATrend = name && !name->trendName.empty() &&
                             std::binary_search(firstFiles.begin(), firstFiles.end(), name->trendName + ".000");
    if (namesATrend ? name->trendName == trendName : firstOfFolder) claimed.push_back(path);
  }
  return claimed;
}

std::vector<std::string> LeftoversOf(const TrendPath& trend, const TrendFolder& folder) {
  std::vector<std::string> leftovers;
  // Most folders hold no leftovers: skip making the trend's name then.
  if (folder.Temporaries().empty()) return leftovers;
  const std::string trendName = trend.Name();
  for (const TrendFolder::Temporary& temporary : folder.Temporaries()) {
    if (!temporary.name.trendName.empty() && temporary.name.trendName != trendName) continue;
    const std::string path = trend.Beside(temporary.fileName);
    if (IsLeftover(folder, temporary.fileName)) leftovers.push_back(path);
  }
  return leftovers;
}

}  // namespace qmr
