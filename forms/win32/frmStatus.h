// The small progress window of a batch: a fixed line and the name of the
// trend being rebuilt. Passive: no buttons, no input, no logic of its own.
#pragma once

#include <windows.h>

#include <string>

namespace qmr::win32 {

class Win32Look;

// A new, hidden status window, owned by `owner` (it then has no taskbar
// button of its own and stays above it).
HWND NewStatusWindow(Win32Look& look, HWND owner);
void SetStatusWindowTrendName(HWND status, const std::string& name);

}  // namespace qmr::win32
