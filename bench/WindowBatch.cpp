// OK of the windows without a toolkit: the batch the Qt and Win32 windows
// run (TrendBatch, and through it the engine's RebuildTrends) on the trends
// named, with window services that show nothing. `make bench` times it
// against the floor as it times `qmr rebuild`.
//
//   window_batch FOLDER NAME.000...
//
// Prints the closing message the windows would show; exits 1 when it is not
// the completion message.
#include <cstdio>
#include <string>
#include <vector>

#include "forms/FormTexts.h"
#include "forms/TrendBatch.h"
#include "forms/WindowServices.h"

namespace {

class SilentWindows : public qmr::WindowServices {
 public:
  void ShowMessage(const std::string& text, qmr::MessageIcon) override { message = text; }
  bool PumpEvents() override { return true; }
  void ShowStatus() override {}
  void SetStatusTrendName(const std::string&) override {}
  void HideStatus() override {}
  void ShowHelp() override {}
  void ExitProgram() override {}

  std::string message;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: window_batch FOLDER NAME.000...\n");
    return 2;
  }
  SilentWindows windows;
  qmr::TrendBatch batch;
  batch.Run(argv[1], std::vector<std::string>(argv + 2, argv + argc), windows);
  std::printf("%s\n", windows.message.c_str());
  return windows.message == qmr::kBatchDoneMessage ? 0 : 1;
}
