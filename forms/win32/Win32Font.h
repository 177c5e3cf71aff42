// The one font of every Win32 window: a face found on every Windows
// (Microsoft Sans Serif, else Tahoma, else the system's message font) at the
// largest size from 8 points down to 6 at which every fixed text fits its
// box at the screen's resolution, measured as a label breaks it.
#pragma once

#include <windows.h>

#include <string>

namespace qmr::win32 {

struct FormFontChoice {
  HFONT font = nullptr;  // the caller owns it (DeleteObject)
  std::string face;
  double points = 8;
};

FormFontChoice ChooseFormFont(int dpiX, int dpiY);

// The face the windows use on this machine.
std::string FormFace();

// A font of `face` at `points` for a screen of `dpiY` dots per inch.
HFONT CreateFormFont(const std::string& face, double points, int dpiY);

// True when `text`, broken into lines at blanks in `font` (WrapLines, by the
// text's own extent), fits a box of `width` by `height` pixels.
bool TextFits(HFONT font, const std::string& text, int width, int height, bool centred);

// `text` as a label `width` pixels wide shows it in `font`: its lines
// (WrapLines) joined by line breaks. The label's own breaking may leave a
// line wider than its box (the end of a word then cut off); given its lines
// it shows each whole.
std::string WrappedText(HFONT font, const std::string& text, int width);

}  // namespace qmr::win32
