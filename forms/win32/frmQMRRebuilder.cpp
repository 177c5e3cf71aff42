#include "forms/win32/frmQMRRebuilder.h"

#include <commctrl.h>

#include "forms/FormTexts.h"
#include "forms/Layout.h"
#include "forms/win32/Win32Frame.h"
#include "forms/win32/Win32Names.h"
#include "forms/win32/Win32Services.h"
#include "tools/Errors.h"

namespace qmr::win32 {

namespace {

constexpr UINT_PTR kFolderKeysId = 1;

// The controls' IDs, in the order of MainControl.
constexpr int kIds[kMainControlCount] = {
    main::fraTrendLocation, main::fraPath,    main::drvConvert, main::dirConvert, main::filConvert,
    main::lblMultiSelect,   main::fraButtons, main::cmdOK,      main::cmdClose,   main::cmdHelp};

// Enter in the folder list opens the selected folder rather than pressing
// the window's default button.
LRESULT CALLBACK FolderKeys(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* form = reinterpret_cast<MainWindow*>(data);
  if (message == WM_GETDLGCODE && lParam) {
    const MSG* key = reinterpret_cast<const MSG*>(lParam);
    if (key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
      return DefSubclassProc(list, message, wParam, lParam) | DLGC_WANTMESSAGE;
  }
  if (message == WM_KEYDOWN && wParam == VK_RETURN) {
    const LRESULT line = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (line != LB_ERR) form->FolderOpened(static_cast<std::size_t>(line));
    return 0;
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

}  // namespace

frmQMRRebuilder::frmQMRRebuilder(Win32Services& services) : services_(services) {
  RegisterWindowClass(kMainClass, Procedure, true);
  window_ = CreateFormWindow(services_, kMainClass, kApplicationTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                             kMainClientWidth, kMainClientHeight, nullptr, this);
  services_.SetMainWindow(window_);
  CreateControls();
  CentreOver(window_, WorkArea());
}

frmQMRRebuilder::~frmQMRRebuilder() {
  if (IsWindow(window_)) DestroyWindow(window_);
}

void frmQMRRebuilder::CreateControls() {
  // Made in focus order: drive list, folder list, file list, OK, Close, Help.
  for (const MainControlRow& row : MainControls())
    controls_[static_cast<std::size_t>(row.control)] = Make(row, row.frame ? Handle(*row.frame) : window_);
  drives_.Attach(Handle(MainControl::drvConvert));
  // A folder line as high as the file list's lines.
  HWND fileList = Handle(MainControl::filConvert);
  const int itemHeight = static_cast<int>(SendMessageA(fileList, LB_GETITEMHEIGHT, 0, 0));
  folders_.Attach(Handle(MainControl::dirConvert), itemHeight > 0 ? itemHeight : services_.Y(240));
  files_.Attach(fileList);
  main_ = std::make_unique<MainWindow>(*this, services_);
  SetWindowSubclass(folders_.Window(), FolderKeys, kFolderKeysId, reinterpret_cast<DWORD_PTR>(main_.get()));
  focus_ = drives_.Window();
}

HWND frmQMRRebuilder::Make(const MainControlRow& row, HWND frame) {
  const Win32Services& s = services_;
  const int id = kIds[static_cast<std::size_t>(row.control)];
  switch (row.control) {
    case MainControl::drvConvert: {
      // A drop-down list: its height is the list's when open; the closed
      // box takes the height the font gives it.
      TwipsRect box = row.box;
      box.height *= 12;
      return CreateControl(s, frame, WC_COMBOBOXA, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, id, box);
    }
    case MainControl::dirConvert:
      return CreateControl(
          s, frame, WC_LISTBOXA, "",
          LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, id,
          row.box, WS_EX_CLIENTEDGE);
    case MainControl::filConvert:
      return CreateControl(
          s, frame, WC_LISTBOXA, "",
          LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP, id, row.box,
          WS_EX_CLIENTEDGE);
    case MainControl::lblMultiSelect:
      return CreateControl(s, frame, "STATIC", row.caption, SS_CENTER | SS_NOPREFIX, id, row.box);
    case MainControl::cmdOK:
      return CreateControl(s, frame, "BUTTON", row.caption, BS_DEFPUSHBUTTON | WS_TABSTOP, id, row.box);
    case MainControl::cmdClose:
    case MainControl::cmdHelp:
      return CreateControl(s, frame, "BUTTON", row.caption, BS_PUSHBUTTON | WS_TABSTOP, id, row.box);
    default: return CreateFrame(s, frame, row.caption, id, row.box);
  }
}

HWND frmQMRRebuilder::Control(int id) const {
  for (std::size_t index = 0; index < kMainControlCount; ++index) {
    if (kIds[index] == id) return controls_[index];
  }
  return nullptr;
}

void frmQMRRebuilder::Show() {
  main_->Arrange();  // the first layout, for the window's size
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  SetFocus(drives_.Window());
}

void frmQMRRebuilder::OnCommand(int id, int code, HWND control) {
  using namespace main;
  if (!main_) return;  // still being built
  switch (id) {
    case cmdOK: {
      // Enter reaches the window as OK; on Close or Help it presses that button.
      const HWND focus = GetFocus();
      if (control != Control(cmdOK) && (focus == Control(cmdClose) || focus == Control(cmdHelp))) {
        OnCommand(GetDlgCtrlID(focus), BN_CLICKED, focus);
        return;
      }
      if (code == BN_CLICKED) main_->OK();
      return;
    }
    case cmdClose:
      if (code == BN_CLICKED) main_->Close();
      return;
    case cmdHelp:
      if (code == BN_CLICKED) main_->Help();
      return;
    case drvConvert:
      if (code == CBN_SELCHANGE) {
        const LRESULT index = SendMessageA(control, CB_GETCURSEL, 0, 0);
        if (index != CB_ERR) main_->DriveChosen(static_cast<std::size_t>(index));
      }
      return;
    case dirConvert:
      if (code == LBN_DBLCLK) {
        const LRESULT line = SendMessageA(control, LB_GETCURSEL, 0, 0);
        if (line != LB_ERR) main_->FolderOpened(static_cast<std::size_t>(line));
      }
      return;
    case kReadAgain: main_->ReadAgain(); return;
    default: return;  // Escape (IDCANCEL) does nothing: the window has no cancel button
  }
}

LRESULT CALLBACK frmQMRRebuilder::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = reinterpret_cast<frmQMRRebuilder*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<frmQMRRebuilder*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!form) return DefWindowProcA(window, message, wParam, lParam);
  const LRESULT result = form->Handle(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    form->window_ = nullptr;
  }
  return result;
}

LRESULT frmQMRRebuilder::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)); return 0;
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (item->CtlID == main::dirConvert) {
        folders_.Draw(*item);
        return TRUE;
      }
      break;
    }
    case WM_DPICHANGED: {
      // Moved to a screen of another resolution: the controls are made for
      // it, the folder lines take the file list's new line height, the
      // names are measured in the new font, and the window is laid out
      // again for its new size.
      services_.ChangeDpi(window_, LOWORD(wParam), HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      const LRESULT itemHeight = SendMessageA(files_.Window(), LB_GETITEMHEIGHT, 0, 0);
      if (itemHeight > 0) SendMessageA(folders_.Window(), LB_SETITEMHEIGHT, 0, itemHeight);
      files_.FitWidth();
      if (main_) main_->Arrange();
      return 0;
    }
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED && main_) main_->Arrange();  // minimised: every control stays where it was
      return 0;
    case WM_GETMINMAXINFO: {
      // The minimum holds for the outer size, title bar and borders included.
      auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
      limits->ptMinTrackSize.x = services_.X(kMinimumWindowSize);
      limits->ptMinTrackSize.y = services_.Y(kMinimumWindowSize);
      return 0;
    }
    case WM_ACTIVATE:
      // Back to the window: the focus returns to the control that had it.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) focus_ = focus;
      } else if (focus_ && IsWindow(focus_)) {
        SetFocus(focus_);
      }
      return 0;
    case WM_CLOSE:
      // The frame's close box ends the program like Close does.
      if (main_) main_->Close();
      return 0;
    default: break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

void frmQMRRebuilder::ShowDrives(const std::vector<std::string>& drives, std::size_t current) {
  drives_.Show(drives, current);
}

void frmQMRRebuilder::ShowFolders(const std::vector<FolderLine>& lines, std::size_t current) {
  folders_.Show(lines, current);
}

bool frmQMRRebuilder::CanArrange() { return Handle(MainControl::cmdHelp) && !IsIconic(window_); }

Resolution frmQMRRebuilder::ScreenResolution() {
  return {static_cast<double>(services_.DpiX()), static_cast<double>(services_.DpiY())};
}

int frmQMRRebuilder::ClientWidth() {
  RECT client;
  GetClientRect(window_, &client);
  return client.right;
}

int frmQMRRebuilder::ClientHeight() {
  RECT client;
  GetClientRect(window_, &client);
  return client.bottom;
}

void frmQMRRebuilder::RaiseToMinimum(const OuterSize& minimum) {
  if (IsZoomed(window_)) return;
  // Raises a nested WM_SIZE that lays the window out for its new size.
  RECT outer;
  GetWindowRect(window_, &outer);
  SetWindowPos(window_, nullptr, 0, 0, minimum.width.value_or(outer.right - outer.left),
               minimum.height.value_or(outer.bottom - outer.top), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

PixelRect frmQMRRebuilder::ControlBox(MainControl control) {
  const RECT box = ChildRect(Handle(control));
  return {box.left, box.top, box.right - box.left, box.bottom - box.top};
}

void frmQMRRebuilder::Place(const std::vector<Placement>& placements) {
  for (const auto& [control, box] : placements) {
    int height = box.height;
    if (control == MainControl::drvConvert) {
      // A drop-down list's window height is its open list's; its closed box keeps its own.
      RECT dropped;
      SendMessageA(drives_.Window(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
      height = dropped.bottom - dropped.top;
    }
    // Each control is drawn afresh where it lands.
    SetWindowPos(Handle(control), nullptr, box.left, box.top, box.width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
  }
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace qmr::win32
