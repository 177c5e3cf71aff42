#include "forms/win32/Win32Font.h"

#include <cmath>
#include <cstring>

#include "forms/FontChoice.h"
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

bool TextFits(HFONT font, const std::string& text, int width, int height, bool centred) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, font);
  RECT needed{0, 0, width, height};
  const UINT format = DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | (centred ? DT_CENTER : DT_LEFT);
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &needed, format);
  SelectObject(dc, previous);
  DeleteDC(dc);
  return needed.right - needed.left <= width && needed.bottom - needed.top <= height;
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
