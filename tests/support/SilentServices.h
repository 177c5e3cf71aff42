// Services that show nothing: for runs of the rebuild without a window
// system (fuzz targets, seed writer, benchmarks).
#pragma once

#include <string>

#include "trends/Services.h"

namespace qmr::testsupport {

class SilentServices : public qmr::Services {
 public:
  void ShowMessage(const std::string&, const std::string&, qmr::MessageIcon) override {}
  void PumpEvents() override {}
  void ShowStatus() override {}
  void SetStatusTrendName(const std::string&) override {}
  void HideStatus() override {}
};

}  // namespace qmr::testsupport
