// What the windows' shared logic asks of a window toolkit: modal message
// boxes, the status and help windows, the event pump and the end of the
// program. The Qt windows and the Win32
// windows each implement it; the engine never sees it.
#pragma once

#include <string>

namespace qmr {

enum class MessageIcon { None, Warning, Error };

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // A modal message box with a single OK button and the application title as
  // caption; returns once it is dismissed. `text` is in the file system's
  // byte encoding (names and paths may be part of it).
  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
  // Delivers the events already waiting, once, and returns at once: false
  // when the user ended the program meanwhile.
  virtual bool PumpEvents() = 0;
  // The status window: shown (created on first use) without modality, its
  // trend-name line set, hidden (kept with its texts).
  virtual void ShowStatus() = 0;
  virtual void SetStatusTrendName(const std::string& name) = 0;
  virtual void HideStatus() = 0;
  // Opens the help window, or brings it to the front when it is open.
  virtual void ShowHelp() = 0;
  // Unloads every window and ends the program; a batch pausing in
  // PumpEvents stops there.
  virtual void ExitProgram() = 0;
};

}  // namespace qmr
