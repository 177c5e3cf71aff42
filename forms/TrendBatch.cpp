#include "forms/TrendBatch.h"

#include <exception>

#include "forms/FormTexts.h"
#include "forms/WindowEvents.h"
#include "texts/ErrorWords.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "trends/Batch.h"

namespace qmr {

TrendBatch::TrendBatch() : batch_(RebuildTrends) {}

void TrendBatch::Run(const std::string& folder, const std::vector<std::string>& names, WindowServices& windows) {
  // OK again while a batch pauses between trends: the running batch goes on alone.
  if (busy_) return;
  if (names.empty()) {
    windows.ShowMessage(kEmptySelectionMessage, MessageIcon::None);
    return;
  }
  busy_ = true;
  try {
    std::vector<std::string> trends;
    trends.reserve(names.size());
    for (const std::string& name : names) trends.push_back(StripExtension(name));
    WindowEvents events(windows, std::move(trends));
    batch_(folder, names, events);
  } catch (const std::exception& failure) {
    // Not a failing trend (the batch reports those itself) but something
    // that ended it all the same, such as memory running out.
    windows.HideStatus();
    const auto* error = dynamic_cast<const Error*>(&failure);
    windows.ShowMessage(BatchStoppedText(error != nullptr ? ErrorWords(*error) : failure.what()), MessageIcon::Error);
  }
  busy_ = false;
}

}  // namespace qmr
