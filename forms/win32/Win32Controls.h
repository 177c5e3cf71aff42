// Making the program's windows and controls at the screen's resolution, in
// the windows' font; below the services, so that every window may use it.
#pragma once

#include <windows.h>

#include <string>

#include "forms/FormTexts.h"

namespace qmr::win32 {

// What a window needs of the screen to be laid out: twips to pixels at its
// resolution, and the windows' font.
class Win32Look {
 public:
  virtual ~Win32Look() = default;
  virtual int X(double twips) const = 0;
  virtual int Y(double twips) const = 0;
  virtual HFONT Font() const = 0;
  virtual int DpiX() const = 0;
  virtual int DpiY() const = 0;
  RECT Pixels(const TwipsRect& box) const;

  // `window` was moved to a screen of `dpiX` by `dpiY` dots per inch
  // (WM_DPICHANGED): the look takes that resolution, every control of the
  // window moves and grows by the change, in the new font, and the window
  // takes `suggested` (its outer rectangle at the new resolution, as the
  // system proposes it; the main window lays itself out again on the size
  // it brings). Windows and controls made from then on are made for the
  // new resolution.
  void ChangeDpi(HWND window, int dpiX, int dpiY, const RECT& suggested);

 protected:
  // Takes a new resolution: the font is chosen again for it. The font of
  // the earlier one stays alive for the windows still drawing with it.
  virtual void UseResolution(int dpiX, int dpiY) = 0;
};

// Registers one of the program's window classes, the first time it is asked
// for: the dialog face as background, the arrow cursor, and the program's
// icon (large and small) when `withIcon`.
void RegisterWindowClass(const char* className, WNDPROC procedure, bool withIcon);
// A child control at `box` (twips) in the window's font.
HWND CreateControl(const Win32Look& look, HWND parent, const char* className, const char* text, DWORD style, int id,
                   const TwipsRect& box, DWORD extendedStyle = 0);
// A top-level window of `className` whose client area is `clientWidth` by
// `clientHeight` twips. It keeps `look` and the resolution it was made for
// (see FollowDpiChange).
HWND CreateFormWindow(Win32Look& look, const char* className, const char* caption, DWORD style, int clientWidth,
                      int clientHeight, HWND owner, void* parameter);
// WM_DPICHANGED for a window made by CreateFormWindow: its look's
// ChangeDpi. The look, or nullptr for a window made otherwise.
Win32Look* FollowDpiChange(HWND window, WPARAM wParam, LPARAM lParam);
// Centres `window` over `area` (a window or work area rectangle).
void CentreOver(HWND window, const RECT& area);
// The screen's work area.
RECT WorkArea();
// A window's text (ANSI).
std::string WindowText(HWND window);
// A window's rectangle in its parent's client coordinates.
RECT ChildRect(HWND window);

}  // namespace qmr::win32
