// The help window: the version line over a fixed page of usage notes, and a
// Close button that discards the window (so does its title bar's close box).
#pragma once

#include <windows.h>

namespace qmr::win32 {

class Win32Look;

// A new, hidden help window with its version line composed now. `open`
// names it while it is open: the window empties it when it is closed.
HWND NewHelpWindow(Win32Look& look, HWND* open);

}  // namespace qmr::win32
