#include "forms/win32/frmHelp.h"

#include "forms/FormTexts.h"
#include "forms/win32/Win32Controls.h"
#include "forms/win32/Win32Names.h"

namespace qmr::win32 {

namespace {

// Where the window is named while it is open.
HWND* OpenSlotOf(HWND window) { return reinterpret_cast<HWND*>(GetWindowLongPtrA(window, GWLP_USERDATA)); }

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
    case WM_DESTROY:
      if (HWND* open = OpenSlotOf(window); open && *open == window) *open = nullptr;
      return 0;
    default: break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

void AddLabel(const Win32Look& services, HWND window, int id, const std::string& text, const TwipsRect& box) {
  CreateControl(services, window, "STATIC", text.c_str(), SS_LEFT | SS_NOPREFIX, id, box);
}

}  // namespace

HWND NewHelpWindow(const Win32Look& services, HWND* open) {
  RegisterWindowClass(kHelpClass, HelpProcedure, true);
  // A fixed border: no sizing, no minimise or maximise button.
  HWND window = CreateFormWindow(services, kHelpClass, kHelpCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU,
                                 kHelpClientWidth, kHelpClientHeight, nullptr, open);
  // Created in tab order; only the button takes the focus, and it is not
  // the window's default button.
  AddLabel(services, window, help::Label1, kHelpText1, kHelpLabel1Box);
  CreateControl(services, window, "BUTTON", "Close", BS_PUSHBUTTON | WS_TABSTOP, help::cmdClose, kHelpCloseBox);
  AddLabel(services, window, help::lblVersion, VersionLine(kHelpComments), kVersionBox);
  AddLabel(services, window, help::Label2, kHelpText2, kHelpLabel2Box);
  AddLabel(services, window, help::Label3, kHelpText3, kHelpLabel3Box);
  AddLabel(services, window, help::Label4, kHelpText4, kHelpLabel4Box);
  return window;
}

}  // namespace qmr::win32
