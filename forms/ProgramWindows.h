// What the program's window services decide whatever the toolkit: every
// message box has the application title as its caption and no word too
// wide for the screen, and the program ends once, after which a batch
// pausing for events learns that it is ending. Each toolkit's services
// derive from it and do the platform's part.
#pragma once

#include <functional>
#include <string>

#include "forms/WindowServices.h"

namespace qmr {

class ProgramWindows : public WindowServices {
 public:
  // Ends the toolkit's message loop; tests record it instead.
  using EndFunction = std::function<void()>;

  explicit ProgramWindows(EndFunction end) : end_(std::move(end)) {}

  void ShowMessage(const std::string& text, MessageIcon icon) final;
  bool PumpEvents() final;
  // Unloads every window, shown or hidden, and ends the program. A batch
  // pausing in PumpEvents stops there.
  void ExitProgram() final;
  bool Ending() const { return ending_; }

  void SetEndFunction(EndFunction function) { end_ = std::move(function); }

 protected:
  // A modal box with a single OK button; `text` in the file system's byte
  // encoding, its long words already broken into lines.
  virtual void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
  // Delivers the events already waiting, once, and returns at once.
  virtual void DeliverWaitingEvents() = 0;
  // Unloads every window of the program, shown or hidden. The main window
  // may be inside its own click handler (or a batch) meanwhile.
  virtual void UnloadEveryWindow() = 0;

 private:
  EndFunction end_;
  bool ending_ = false;
};

}  // namespace qmr
