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
  RECT Pixels(const TwipsRect& box) const;
};

// Registers one of the program's window classes, the first time it is asked
// for: the dialog face as background, the arrow cursor, and the program's
// icon (large and small) when `withIcon`.
void RegisterWindowClass(const char* className, WNDPROC procedure, bool withIcon);
// A child control at `box` (twips) in the window's font.
HWND CreateControl(const Win32Look& look, HWND parent, const char* className, const char* text, DWORD style, int id,
                   const TwipsRect& box, DWORD extendedStyle = 0);
// A top-level window of `className` whose client area is `clientWidth` by
// `clientHeight` twips.
HWND CreateFormWindow(const Win32Look& look, const char* className, const char* caption, DWORD style, int clientWidth,
                      int clientHeight, HWND owner, void* parameter);
// Centres `window` over `area` (a window or work area rectangle).
void CentreOver(HWND window, const RECT& area);
// The screen's work area.
RECT WorkArea();
// A window's text (ANSI).
std::string WindowText(HWND window);
// A window's rectangle in its parent's client coordinates.
RECT ChildRect(HWND window);

}  // namespace qmr::win32
