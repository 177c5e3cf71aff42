#include "forms/win32/frmHelp.h"

#include <string>
#include <utility>

#include "forms/FormTexts.h"
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

void AddLabel(const Win32Look& look, HWND window, int id, const std::string& text, const TwipsRect& box) {
  SetLabelText(CreateControl(look, window, "STATIC", "", SS_LEFT | SS_NOPREFIX, id, box), look.Font(), text);
}

// After a change of resolution the lines are broken again in the new font.
void WrapLabelsAgain(HWND window, HFONT font) {
  for (const auto& [id, text] :
       {std::pair{help::Label1, std::string(kHelpText1)}, std::pair{help::lblVersion, VersionLine(kHelpComments)},
        std::pair{help::Label2, std::string(kHelpText2)}, std::pair{help::Label3, std::string(kHelpText3)},
        std::pair{help::Label4, std::string(kHelpText4)}})
    SetLabelText(GetDlgItem(window, id), font, text);
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
