// The window services over the Win32 API: message boxes, the event pump with
// the dialog manager's keyboard navigation, the status and help windows (one
// instance each), the windows' font and screen resolution, the list of open
// windows and the end of the program. Message boxes and the end of the
// program go through replaceable functions so that tests can record them
// instead of blocking on a modal box or leaving the process.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "forms/ProgramWindows.h"
#include "forms/win32/Win32Controls.h"

namespace qmr::win32 {

class Win32Services : public ProgramWindows, public Win32Look {
 public:
  using MessageFunction = std::function<void(const std::string& text, const std::string& caption, MessageIcon icon)>;

  // Registers the window classes and chooses the font at the screen's
  // resolution.
  Win32Services();
  ~Win32Services() override;
  Win32Services(const Win32Services&) = delete;
  Win32Services& operator=(const Win32Services&) = delete;

  void ShowStatus() override;
  void SetStatusTrendName(const std::string& name) override;
  void HideStatus() override;

  // The status window is centred over this window when it is first shown,
  // and message boxes are modal to it.
  void SetMainWindow(HWND window) { mainWindow_ = window; }
  HWND StatusWindow() const { return status_; }
  // Creates the help window when it is not open, shows it and brings it to the front.
  void ShowHelp() override;
  HWND HelpWindow() const { return help_; }

  // Every window of the program on this thread, shown or hidden.
  static std::vector<HWND> OpenWindows();

  // Runs the windows until the program ends; the exit code.
  int RunMessageLoop();
  // One message as the message loop delivers it: keyboard navigation
  // (Tab, Enter, arrows) through the dialog manager, else dispatched.
  static void DeliverMessage(MSG& message);

  void SetMessageFunction(MessageFunction function) { message_ = std::move(function); }

  // The screen's logical resolution, and the windows' font.
  int DpiX() const override { return dpiX_; }
  int DpiY() const override { return dpiY_; }
  HFONT Font() const override { return font_; }
  const std::string& FontFace() const { return fontFace_; }
  double FontPoints() const { return fontPoints_; }

  // Twips to pixels at the screen's resolution.
  int X(double twips) const override;
  int Y(double twips) const override;

 protected:
  void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
  void DeliverWaitingEvents() override;
  void UnloadEveryWindow() override;
  void UseResolution(int dpiX, int dpiY) override;

 private:
  MessageFunction message_;
  HWND mainWindow_ = nullptr;
  HWND status_ = nullptr;
  HWND help_ = nullptr;
  int dpiX_ = 96;
  int dpiY_ = 96;
  HFONT font_ = nullptr;
  // Fonts of earlier resolutions: windows still on such a screen draw with them.
  std::vector<HFONT> earlierFonts_;
  std::string fontFace_;
  double fontPoints_ = 8;
};

}  // namespace qmr::win32
