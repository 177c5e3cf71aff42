#include "trends/Batch.h"

#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "trends/MasterFile.h"
#include "trends/Rebuild.h"

namespace qmr {

void RebuildTrends(const std::string& folder, const std::vector<std::string>& names, RebuildEvents& events) {
  // The folder is synced once, after the batch's last master.
  MasterWriter writer(MasterWriter::FolderSync::OncePerFolder);
  events.BatchStarted(names.size());
  for (const std::string& name : names) {
    const std::string trendName = StripExtension(name);
    events.TrendStarted(trendName);
    if (!events.LetEventsRun()) return;
    TrendMaster master;
    try {
      master = RebuildTrend(JoinPath(folder, name), events, {}, writer);
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
