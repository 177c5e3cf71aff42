#include "trends/Batch.h"

#include <memory>
#include <optional>

#include "tools/Errors.h"
#include "trends/MasterFile.h"
#include "trends/Rebuild.h"
#include "trends/TrendFolder.h"
#include "trends/TrendPath.h"

namespace qmr {

void RebuildTrends(const std::string& folder, const std::vector<std::string>& names, RebuildEvents& events) {
  // The folder is synced once, after the batch's last master.
  MasterWriter writer(MasterWriter::FolderSync::OncePerFolder);
  // Listed once: every trend is then read from the folder listed, and a data
  // file taken away while the batch runs fails its trend instead of cutting
  // it short. A folder that cannot be listed fails at its first trend.
  std::optional<TrendFolder> listed;
  try {
    listed.emplace(folder.empty() ? "." : folder);
  } catch (const Error&) {
  }
  RebuildOptions options;
  options.folder = listed ? &*listed : nullptr;
  events.BatchStarted(names.size());
  for (const std::string& name : names) {
    const TrendPath trend = TrendPath::Selected(folder, name);
    const std::string trendName = trend.Name();
    events.TrendStarted(trendName);
    if (!events.LetEventsRun()) return;
    TrendMaster master;
    try {
      RebuildOptions trendOptions = options;
#ifndef _WIN32
      // The folder opened once for the trend's data files and its master,
      // and closed with the trend.
      std::optional<TrendFolder> held;
      if (listed) held.emplace(listed->HeldOpen(std::make_shared<const FolderHandle>(trend.Folder())));
      trendOptions.folder = held ? &*held : nullptr;
#endif
      // The windows keep the runtime's rules: every master is replaced.
      master = RebuildTrend(trend, events, trendOptions, writer);
    } catch (const Error& error) {
      writer.Finish();
      events.BatchFailed(trendName, error);
      return;
    }
    events.TrendFinished(master);
  }
  writer.Finish();
  events.BatchDone();
}

}  // namespace qmr
