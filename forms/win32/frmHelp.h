// The help window: the version line over a fixed page of usage notes, and a
// Close button that discards the window (so does its title bar's close box).
#pragma once

#include <windows.h>

namespace qmr::win32 {

class Win32Services;

// A new, hidden help window with its version line composed now; it tells
// `services` when it is closed.
HWND NewHelpWindow(Win32Services& services);

}  // namespace qmr::win32
