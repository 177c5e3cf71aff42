// A window toolkit that only records: every call of WindowServices becomes a
// line, so that a test compares what the windows would have shown, in order.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "forms/WindowServices.h"

namespace qmr::testsupport {

class RecordingWindows : public WindowServices {
 public:
  std::vector<std::string> calls;
  struct Message {
    std::string text;
    MessageIcon icon;
    bool statusShown;  // the status window was visible while the box was open
  };
  std::vector<Message> messages;
  bool statusShown = false;
  // Run at each pump (counted from 1); its answer is the pump's: false
  // tells that the program is ending.
  std::function<bool(int pump)> atPump;

  void ShowMessage(const std::string& text, MessageIcon icon) override {
    calls.push_back("message " + text);
    messages.push_back({text, icon, statusShown});
  }
  bool PumpEvents() override {
    calls.push_back("pump");
    return atPump ? atPump(++pumps_) : true;
  }
  void ShowStatus() override {
    calls.push_back("show status");
    statusShown = true;
  }
  void SetStatusTrendName(const std::string& name) override { calls.push_back("status name " + name); }
  void HideStatus() override {
    calls.push_back("hide status");
    statusShown = false;
  }
  void ShowHelp() override { calls.push_back("help"); }
  void ExitProgram() override { calls.push_back("exit"); }

 private:
  int pumps_ = 0;
};

}  // namespace qmr::testsupport
