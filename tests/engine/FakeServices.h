// A recording stand-in for the window system: every call the engine makes is
// kept, in order, as one line of text, so a test compares whole sequences.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "trends/Services.h"

namespace engine_test {

class FakeServices : public qmr::Services {
 public:
  std::vector<std::string> calls;

  void ShowMessage(const std::string& text, const std::string& caption, qmr::MessageIcon icon) override {
    calls.push_back("message[" + caption + "][" + IconName(icon) + "] " + text);
  }
  void PumpEvents() override { calls.push_back("pump"); }
  void ShowStatus() override { calls.push_back("show status"); }
  void SetStatusTrendName(const std::string& name) override { calls.push_back("status name " + name); }
  void HideStatus() override { calls.push_back("hide status"); }

  static std::string IconName(qmr::MessageIcon icon) {
    switch (icon) {
      case qmr::MessageIcon::None: return "none";
      case qmr::MessageIcon::Warning: return "warning";
      case qmr::MessageIcon::Error: return "error";
    }
    return "?";
  }
};

// The lines the fake records for the engine's own messages.
inline const std::string kUnrecognisedLine =
    "message[QMR Rebuilder][error] This is not a valid trend file. It may be a log file or an unsupported format.";
inline const std::string kDoneLine = "message[QMR Rebuilder][none] Your QMR files have been rebuilt";

}  // namespace engine_test
