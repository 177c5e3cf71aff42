#include "trends/Batch.h"

#include "tools/Errors.h"
#include "trends/MasterFile.h"
#include "trends/Rebuild.h"
#include "trends/TrendPath.h"

namespace qmr {

void RebuildTrends(const std::string& folder, const std::vector<std::string>& names, RebuildEvents& events) {
  // The folder is synced once, after the batch's last master.
  MasterWriter writer(MasterWriter::FolderSync::OncePerFolder);
  events.BatchStarted(names.size());
  for (const std::string& name : names) {
    const TrendPath trend = TrendPath::Selected(folder, name);
    const std::string trendName = trend.Name();
    events.TrendStarted(trendName);
    if (!events.LetEventsRun()) return;
    TrendMaster master;
    try {
      // The windows keep the runtime's rules: every master is replaced.
      master = RebuildTrend(trend, events, {}, writer);
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
