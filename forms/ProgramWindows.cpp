#include "forms/ProgramWindows.h"

#include "forms/FormTexts.h"

namespace qmr {

void ProgramWindows::ShowMessage(const std::string& text, MessageIcon icon) {
  // The box is as wide as its longest line: a long path gets lines of its own.
  ShowMessageBox(WrapLongWords(text, kWidestMessageWord), kApplicationTitle, icon);
}

bool ProgramWindows::PumpEvents() {
  DeliverWaitingEvents();
  return !ending_;
}

void ProgramWindows::ExitProgram() {
  // Closing a window while the program ends (as unloading does) ends nothing more.
  if (ending_) return;
  ending_ = true;
  UnloadEveryWindow();
  end_();
}

}  // namespace qmr
