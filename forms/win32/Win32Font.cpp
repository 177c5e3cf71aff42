#include "forms/win32/Win32Font.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "forms/FontChoice.h"
#include "forms/FormTexts.h"
#include "forms/Twips.h"

namespace qmr::win32 {

namespace {

int CALLBACK FaceFound(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

bool HasFace(HDC dc, const char* face) {
  LOGFONTA wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExA(dc, &wanted, FaceFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

}  // namespace

std::string FormFace() {
  HDC dc = GetDC(nullptr);
  std::string face;
  for (const char* candidate : {"Microsoft Sans Serif", "Tahoma"}) {
    if (HasFace(dc, candidate)) {
      face = candidate;
      break;
    }
  }
  ReleaseDC(nullptr, dc);
  if (!face.empty()) return face;
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
    return metrics.lfMessageFont.lfFaceName;
  return "MS Shell Dlg";
}

HFONT CreateFormFont(const std::string& face, double points, int dpiY) {
  LOGFONTA font{};
  font.lfHeight = -static_cast<LONG>(std::lround(points * dpiY / 72.0));
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfQuality = DEFAULT_QUALITY;
  std::strncpy(font.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  return CreateFontIndirectA(&font);
}

namespace {

// The width a line may measure in a label `width` pixels wide. Drawn, a line
// can come out a little wider than its measured extent (at 7.5 points, 372
// pixels of ink for an extent of 367): a margin keeps its last letter inside.
int LineWidth(int width) { return width - std::max(2, width / 32); }

// The lines of `text` in `font` and the height of one, measured on the
// screen as the labels are drawn.
std::vector<std::string> Lines(HFONT font, const std::string& text, int width, int& lineHeight) {
  width = LineWidth(width);
  HDC dc = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  lineHeight = metrics.tmHeight;
  std::vector<std::string> lines = WrapLines(text, width, [dc](std::string_view part) {
    SIZE size{};
    GetTextExtentPoint32A(dc, part.data(), static_cast<int>(part.size()), &size);
    return static_cast<int>(size.cx);
  });
  for (std::string& line : lines) {
    SIZE size{};
    GetTextExtentPoint32A(dc, line.data(), static_cast<int>(line.size()), &size);
    if (size.cx > width) line.clear();  // marks a word too wide for the box
  }
  SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  return lines;
}

}  // namespace

bool TextFits(HFONT font, const std::string& text, int width, int height, bool /*centred*/) {
  int lineHeight = 0;
  const std::vector<std::string> lines = Lines(font, text, width, lineHeight);
  for (const std::string& line : lines)
    if (line.empty() && !text.empty()) return false;
  return static_cast<int>(lines.size()) * lineHeight <= height;
}

std::string WrappedText(HFONT font, const std::string& text, int width) {
  width = LineWidth(width);
  HDC dc = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, font);
  const std::vector<std::string> lines = WrapLines(text, width, [dc](std::string_view part) {
    SIZE size{};
    GetTextExtentPoint32A(dc, part.data(), static_cast<int>(part.size()), &size);
    return static_cast<int>(size.cx);
  });
  SelectObject(dc, previous);
  ReleaseDC(nullptr, dc);
  std::string wrapped;
  for (const std::string& line : lines) wrapped += (wrapped.empty() ? "" : "\n") + line;
  if (!text.empty() && text.back() == ' ') wrapped += ' ';  // the text as it was, but for its breaks
  return wrapped;
}

FormFontChoice ChooseFormFont(int dpiX, int dpiY) {
  FormFontChoice choice;
  choice.face = FormFace();
  choice.points = ChooseFontSize([&](double points) {
    HFONT font = CreateFormFont(choice.face, points, dpiY);
    bool all = true;
    for (const FixedText& fixed : FixedTexts()) {
      if (!TextFits(font, fixed.text, TwipsToPixels(fixed.widthTwips, dpiX), TwipsToPixels(fixed.heightTwips, dpiY),
                    fixed.centred)) {
        all = false;
        break;
      }
    }
    DeleteObject(font);
    return all;
  });
  choice.font = CreateFormFont(choice.face, choice.points, dpiY);
  return choice;
}

}  // namespace qmr::win32
