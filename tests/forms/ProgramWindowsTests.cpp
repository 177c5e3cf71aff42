// The rules of the window services that both toolkits share, over a
// toolkit that only records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/ProgramWindows.h"

namespace qmr {
namespace {

class RecordingProgram : public ProgramWindows {
 public:
  RecordingProgram() : ProgramWindows([this] { calls.push_back("end"); }) {}
  std::vector<std::string> calls;

  void ShowStatus() override {}
  void SetStatusTrendName(const std::string&) override {}
  void HideStatus() override {}
  void ShowHelp() override {}

 protected:
  void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon) override {
    calls.push_back(caption + ": " + text);
  }
  void DeliverWaitingEvents() override {
    calls.push_back("deliver");
    // A Close pressed in the pause ends the program inside it.
    if (closeInPause) ExitProgram();
  }
  void UnloadEveryWindow() override {
    calls.push_back("unload");
    ExitProgram();  // the main window's close, raised by its unloading
  }

 public:
  bool closeInPause = false;
};

TEST(ProgramWindows, MessagesCarryTheTitleAndBreakWordsTooWideForTheScreen) {
  RecordingProgram program;
  program.ShowMessage(std::string(70, 'x'), MessageIcon::Warning);
  EXPECT_EQ(program.calls,
            (std::vector<std::string>{"QMR Rebuilder: " + std::string(64, 'x') + "\n" + std::string(6, 'x')}));
}

TEST(ProgramWindows, TheProgramEndsOnceAndAPauseLearnsIt) {
  RecordingProgram program;
  EXPECT_TRUE(program.PumpEvents());
  program.closeInPause = true;
  EXPECT_FALSE(program.PumpEvents());
  program.ExitProgram();
  EXPECT_EQ(program.calls, (std::vector<std::string>{"deliver", "deliver", "unload", "end"}));
  EXPECT_TRUE(program.Ending());
}

}  // namespace
}  // namespace qmr
