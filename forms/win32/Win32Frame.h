// Frames as containers: a child window that holds controls, passes their
// notifications on to its top-level window, and lets Tab move through them.
// With a caption it draws an etched border with the caption over it (a frame
// with caption and border); without one it is a plain container.
#pragma once

#include <windows.h>

#include "forms/FormTexts.h"

namespace qmr::win32 {

class Win32Services;

HWND CreateFrame(const Win32Services& services, HWND parent, const char* caption, int id, const TwipsRect& box);

}  // namespace qmr::win32
