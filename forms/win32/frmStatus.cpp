#include "forms/win32/frmStatus.h"

#include "forms/FormTexts.h"
#include "forms/win32/Win32Controls.h"
#include "forms/win32/Win32Names.h"

namespace qmr::win32 {

namespace {

LRESULT CALLBACK StatusProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Closed by the keyboard (it has no close box): only hidden; a running
  // batch goes on and hides it at its end.
  if (message == WM_CLOSE) {
    ShowWindow(window, SW_HIDE);
    return 0;
  }
  if (message == WM_DPICHANGED) {
    FollowDpiChange(window, wParam, lParam);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND NewStatusWindow(Win32Look& services, HWND owner) {
  RegisterWindowClass(kStatusClass, StatusProcedure, true);
  // A caption without a system menu: no close, minimise or maximise box.
  HWND window = CreateFormWindow(services, kStatusClass, kStatusCaption, WS_POPUP | WS_CAPTION, kStatusClientWidth,
                                 kStatusClientHeight, owner, nullptr);
  CreateControl(services, window, "STATIC", kStatusText, SS_LEFT | SS_NOPREFIX, status::Label1, kStatusLabel1Box);
  // One line high: a name with blanks shows only its first line (see
  // SetStatusWindowTrendName).
  CreateControl(services, window, "STATIC", "", SS_LEFT | SS_NOPREFIX, status::lblFileName, kFileNameBox);
  return window;
}

void SetStatusWindowTrendName(HWND status, const std::string& name) {
  // The label would break a long name at its blanks and show the top of the
  // second line under the first: it is given the first line alone.
  const HWND label = GetDlgItem(status, status::lblFileName);
  RECT box{};
  GetClientRect(label, &box);
  const HDC context = GetDC(label);
  const HGDIOBJ previous = SelectObject(context, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
  const std::string line = FirstLine(name, box.right - box.left, [context](std::string_view text) {
    SIZE size{};
    GetTextExtentPoint32A(context, text.data(), static_cast<int>(text.size()), &size);
    return static_cast<int>(size.cx);
  });
  SelectObject(context, previous);
  ReleaseDC(label, context);
  SetWindowTextA(label, line.c_str());
}

}  // namespace qmr::win32
