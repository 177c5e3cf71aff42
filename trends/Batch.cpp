#include "trends/Batch.h"

#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "trends/Rebuild.h"

namespace qmr {

void RebuildTrends(const std::string& folder, const std::vector<std::string>& names, RebuildEvents& events) {
  events.BatchStarted(names.size());
  for (const std::string& name : names) {
    const std::string trendName = StripExtension(name);
    events.TrendStarted(trendName);
    if (!events.LetEventsRun()) return;
    TrendMaster master;
    try {
      master = RebuildTrend(JoinPath(folder, name), events);
    } catch (const Error& error) {
      events.BatchFailed(trendName, error);
      return;
    }
    events.TrendFinished(master);
  }
  events.BatchDone();
}

}  // namespace qmr
