#include "forms/win32/frmHelp.h"

#include <string>

#include "forms/FormTexts.h"
#include "forms/HelpControls.h"
#include "forms/win32/Win32Controls.h"
#include "forms/win32/Win32Font.h"
#include "forms/win32/Win32Names.h"

namespace qmr::win32 {

namespace {

// Where the window is named while it is open.
HWND* OpenSlotOf(HWND window) { return reinterpret_cast<HWND*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

// The notes with their lines broken here, measured in the window's font:
// the label's own breaking let a line run past its edge at 96 dpi.
void SetLabelText(HWND label, HFONT font, const std::string& text) {
  RECT box{};
  GetClientRect(label, &box);
  SetWindowTextA(label, WrappedText(font, text, box.right - box.left).c_str());
}

// After a change of resolution the lines are broken again in the new font.
void WrapLabelsAgain(HWND window, HFONT font) {
  int id = help::Label1;
  for (const HelpControlRow& row : HelpControls()) {
    if (!row.button) SetLabelText(GetDlgItem(window, id), font, row.text);
    ++id;
  }
}

LRESULT CALLBACK HelpProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      SetWindowLongPtrA(window, GWLP_USERDATA,
                        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
      break;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      HWND close = GetDlgItem(window, help::cmdClose);
      // Enter (IDOK from the dialog manager) presses the button that has the focus.
      if (id == help::cmdClose || (id == IDOK && GetFocus() == close)) DestroyWindow(window);
      return 0;
    }
    case WM_ACTIVATE:
      // The Close button is the only control that takes the focus.
      if (LOWORD(wParam) != WA_INACTIVE) SetFocus(GetDlgItem(window, help::cmdClose));
      return 0;
    case WM_DPICHANGED:
      if (const Win32Look* look = FollowDpiChange(window, wParam, lParam)) WrapLabelsAgain(window, look->Font());
      return 0;
    case WM_DESTROY:
      if (HWND* open = OpenSlotOf(window); open && *open == window) *open = nullptr;
      return 0;
    default: break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HWND NewHelpWindow(Win32Look& services, HWND* open) {
  RegisterWindowClass(kHelpClass, HelpProcedure, true);
  // A fixed border: no sizing, no minimise or maximise button.
  HWND window = CreateFormWindow(services, kHelpClass, kHelpCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                 kHelpClientWidth, kHelpClientHeight, nullptr, open);
  // Made in tab order; only the button takes the focus, and it is not the
  // window's default button.
  int id = help::Label1;
  for (const HelpControlRow& row : HelpControls()) {
    const DWORD style = row.button ? BS_PUSHBUTTON | WS_TABSTOP : SS_LEFT | SS_NOPREFIX;
    HWND made = CreateControl(services, window, row.button ? "BUTTON" : "STATIC", row.button ? row.text.c_str() : "",
                              style, id++, row.box);
    if (!row.button) SetLabelText(made, services.Font(), row.text);
  }
  return window;
}

}  // namespace qmr::win32
