#include "trends/Batch.h"

#include "tools/FileTools.h"
#include "trends/Rebuild.h"

namespace qmr {

void RebuildTrends(const std::string& folder, const std::vector<std::string>& names, Services& services) {
  services.ShowStatus();
  for (const std::string& name : names) {
    const std::string trendName = StripExtension(name);
    services.SetStatusTrendName(trendName);
    // The one point where the window system runs during a batch: the status
    // window repaints with the new name before the rebuild keeps it busy.
    services.PumpEvents();
    try {
      RebuildTrend(JoinPath(folder, name), services);
    } catch (const Error& error) {
      // The batch ends here with the status window still naming this trend;
      // the caller learns which trend failed, and why.
      throw BatchFailure(error, trendName);
    }
  }
  services.HideStatus();
  services.ShowMessage(kBatchDoneMessage, kApplicationTitle, MessageIcon::None);
}

}  // namespace qmr
