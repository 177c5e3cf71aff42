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

#include "forms/FormTexts.h"
#include "forms/WindowServices.h"

namespace qmr::win32 {

class Win32Services : public WindowServices {
 public:
  using MessageFunction = std::function<void(const std::string& text, const std::string& caption, MessageIcon icon)>;
  using EndFunction = std::function<void()>;

  // Registers the window classes and chooses the font at the screen's
  // resolution.
  Win32Services();
  ~Win32Services() override;
  Win32Services(const Win32Services&) = delete;
  Win32Services& operator=(const Win32Services&) = delete;

  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool PumpEvents() override;
  void ShowStatus() override;
  void SetStatusTrendName(const std::string& name) override;
  void HideStatus() override;

  // The status window is centred over this window when it is first shown,
  // and message boxes are modal to it.
  void SetMainWindow(HWND window) { mainWindow_ = window; }
  HWND StatusWindow() const { return status_; }
  // Creates the help window when it is not open, shows it and brings it to the front.
  void ShowHelp();
  HWND HelpWindow() const { return help_; }
  void HelpClosed() { help_ = nullptr; }

  // Every window of the program on this thread, shown or hidden.
  static std::vector<HWND> OpenWindows();
  // Unloads every window, shown or hidden, and ends the program. A batch
  // pausing in PumpEvents stops there.
  void ExitProgram();
  bool Ending() const { return ending_; }

  // Runs the windows until the program ends; the exit code.
  int RunMessageLoop();
  // One message as the message loop delivers it: keyboard navigation
  // (Tab, Enter, arrows) through the dialog manager, else dispatched.
  static void DeliverMessage(MSG& message);

  void SetMessageFunction(MessageFunction function) { message_ = std::move(function); }
  void SetEndFunction(EndFunction function) { end_ = std::move(function); }

  // The screen's logical resolution, and the windows' font.
  int DpiX() const { return dpiX_; }
  int DpiY() const { return dpiY_; }
  HFONT Font() const { return font_; }
  const std::string& FontFace() const { return fontFace_; }
  double FontPoints() const { return fontPoints_; }

  // `window` was moved to a screen of `dpiX` by `dpiY` dots per inch
  // (WM_DPICHANGED): the font is chosen again for that resolution, every
  // control of the window moves and grows by the change, in the new font,
  // and the window takes `suggested` (its outer rectangle at the new
  // resolution, as the system proposes it). Windows and boxes created from
  // then on are made for the new resolution.
  void ChangeDpi(HWND window, int dpiX, int dpiY, const RECT& suggested);

  // Twips to pixels at the screen's resolution.
  int X(double twips) const;
  int Y(double twips) const;
  RECT Pixels(const TwipsRect& box) const;

 private:
  MessageFunction message_;
  EndFunction end_;
  HWND mainWindow_ = nullptr;
  HWND status_ = nullptr;
  HWND help_ = nullptr;
  bool ending_ = false;
  int dpiX_ = 96;
  int dpiY_ = 96;
  HFONT font_ = nullptr;
  // Fonts of earlier resolutions: windows still on such a screen draw with them.
  std::vector<HFONT> earlierFonts_;
  std::string fontFace_;
  double fontPoints_ = 8;
};

// Registers one of the program's window classes, the first time it is asked
// for: the dialog face as background, the arrow cursor, and the program's
// icon (large and small) when `withIcon`.
void RegisterWindowClass(const char* className, WNDPROC procedure, bool withIcon);
// A child control at `box` (twips) in the window's font.
HWND CreateControl(const Win32Services& services, HWND parent, const char* className, const char* text, DWORD style,
                   int id, const TwipsRect& box, DWORD extendedStyle = 0);
// A top-level window of `className` whose client area is `clientWidth` by
// `clientHeight` twips.
HWND CreateFormWindow(const Win32Services& services, const char* className, const char* caption, DWORD style,
                      int clientWidth, int clientHeight, HWND owner, void* parameter);
// Centres `window` over `area` (a window or work area rectangle).
void CentreOver(HWND window, const RECT& area);
// The screen's work area.
RECT WorkArea();
// A window's text (ANSI).
std::string WindowText(HWND window);
// A window's rectangle in its parent's client coordinates.
RECT ChildRect(HWND window);

}  // namespace qmr::win32
