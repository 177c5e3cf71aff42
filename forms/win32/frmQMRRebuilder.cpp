#include "forms/win32/frmQMRRebuilder.h"

#include <commctrl.h>

#include "forms/FormTexts.h"
#include "forms/Layout.h"
#include "forms/Twips.h"
#include "forms/win32/Win32Frame.h"
#include "forms/win32/Win32Names.h"
#include "forms/win32/Win32Services.h"
#include "tools/AnsiNames.h"
#include "tools/Errors.h"

namespace qmr::win32 {

namespace {

constexpr UINT_PTR kFolderKeysId = 1;

// Enter in the folder list opens the selected folder rather than pressing
// the window's default button.
LRESULT CALLBACK FolderKeys(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
  auto* folders = reinterpret_cast<FolderList*>(data);
  if (message == WM_GETDLGCODE && lParam) {
    const MSG* key = reinterpret_cast<const MSG*>(lParam);
    if (key->message == WM_KEYDOWN && key->wParam == VK_RETURN)
      return DefSubclassProc(list, message, wParam, lParam) | DLGC_WANTMESSAGE;
  }
  if (message == WM_KEYDOWN && wParam == VK_RETURN) {
    folders->Open(static_cast<int>(SendMessageA(list, LB_GETCURSEL, 0, 0)));
    return 0;
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

// A name the ANSI code page could not hold reaches the list with "?" in its
// place, a character no Windows file name has.
bool HasNoAnsiForm(const std::string& name) { return name.find('?') != std::string::npos; }

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
  using namespace main;
  const Win32Services& s = services_;
  // Created in focus order: drive list, folder list, file list, OK, Close, Help.
  trendLocation_ = CreateFrame(s, window_, kTrendLocationCaption, fraTrendLocation, kTrendLocationBox);
  path_ = CreateFrame(s, trendLocation_, "", fraPath, kPathBox);
  // A drop-down list: its height is the list's when open; the closed box
  // takes the height the font gives it.
  TwipsRect driveBox = kDriveBox;
  driveBox.height = 12 * kDriveBox.height;
  drives_.Attach(
      CreateControl(s, path_, WC_COMBOBOXA, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, drvConvert, driveBox));
  HWND folderList =
      CreateControl(s, path_, WC_LISTBOXA, "",
                    LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                    dirConvert, kFolderBox, WS_EX_CLIENTEDGE);
  HWND fileList =
      CreateControl(s, trendLocation_, WC_LISTBOXA, "",
                    LBS_EXTENDEDSEL | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP,
                    filConvert, kFileBox, WS_EX_CLIENTEDGE);
  multiSelect_ = CreateControl(s, trendLocation_, "STATIC", kMultiSelectText, SS_CENTER | SS_NOPREFIX, lblMultiSelect,
                               kMultiSelectBox);
  buttons_ = CreateFrame(s, window_, "", fraButtons, kButtonsBox);
  CreateControl(s, buttons_, "BUTTON", "OK", BS_DEFPUSHBUTTON | WS_TABSTOP, cmdOK, kOKBox);
  CreateControl(s, buttons_, "BUTTON", "Close", BS_PUSHBUTTON | WS_TABSTOP, cmdClose, kCloseBox);
  CreateControl(s, buttons_, "BUTTON", "Help", BS_PUSHBUTTON | WS_TABSTOP, cmdHelp, kHelpBox);

  // A folder line as high as the file list's lines.
  const int itemHeight = static_cast<int>(SendMessageA(fileList, LB_GETITEMHEIGHT, 0, 0));
  folders_.Attach(folderList, itemHeight > 0 ? itemHeight : s.Y(240));
  SetWindowSubclass(folderList, FolderKeys, kFolderKeysId, reinterpret_cast<DWORD_PTR>(&folders_));
  files_.Attach(fileList);
  drives_.changed = [this] { OnDriveChanged(); };
  folders_.changed = [this] { files_.SetFolder(folders_.Path()); };
  folders_.refused = [this](const Error& why) { services_.ShowMessage(ErrorText(why), MessageIcon::Warning); };
  files_.SetFolder(folders_.Path());
  focus_ = drives_.Window();
}

HWND frmQMRRebuilder::Control(int id) const {
  for (HWND parent : {window_, trendLocation_, path_, buttons_}) {
    if (HWND control = GetDlgItem(parent, id)) return control;
  }
  return nullptr;
}

void frmQMRRebuilder::Load() {
  try {
    drives_.SetDrive("c:");
  } catch (...) {
  }
  try {
    folders_.SetPath("c:\\quorax\\data");
  } catch (...) {
  }
}

void frmQMRRebuilder::Show() {
  Arrange();  // the first layout, for the window's size
  ShowWindow(window_, SW_SHOW);
  UpdateWindow(window_);
  SetFocus(drives_.Window());
}

void frmQMRRebuilder::OnDriveChanged() {
  try {
    folders_.SetPath(drives_.Drive());
  } catch (const Error& error) {
    // The drive list keeps the new drive; the folder and file lists stay where they were.
    services_.ShowMessage(DriveErrorText(error.number(), error.description()), MessageIcon::Warning);
  }
}

void frmQMRRebuilder::OnOK() {
  if (batch_.Busy()) return;  // the running batch goes on alone
  const std::vector<int> selected = SelectedPositions(files_.Window());
  std::vector<std::string> names;
  for (const int position : selected) {
    // The core opens files by their ANSI names; one without an exact ANSI
    // form would name another file (a look-alike) or none.
    const FileList::Name* name = files_.At(position);
    if (name == nullptr) continue;
    if (!name->noAnsiForm.empty()) {
      services_.ShowMessage(ErrorText(NoAnsiFormError(name->ansi, name->noAnsiForm)), MessageIcon::Error);
      return;
    }
    names.push_back(name->ansi);
  }
  if (!names.empty()) {
    if (HasNoAnsiForm(folders_.Path())) {
      services_.ShowMessage(BadNameText(folders_.Path()), MessageIcon::Error);
      return;
    }
  }
  const std::string folder = folders_.Path();
  batch_.Run(folder, names, services_);
}

void frmQMRRebuilder::OnCommand(int id, int code, HWND control) {
  using namespace main;
  switch (id) {
    case cmdOK: {
      // Enter reaches the window as OK; on Close or Help it presses that button.
      const HWND focus = GetFocus();
      if (control != Control(cmdOK) && (focus == Control(cmdClose) || focus == Control(cmdHelp))) {
        OnCommand(GetDlgCtrlID(focus), BN_CLICKED, focus);
        return;
      }
      if (code == BN_CLICKED) OnOK();
      return;
    }
    case cmdClose:
      if (code == BN_CLICKED) services_.ExitProgram();
      return;
    case cmdHelp:
      if (code == BN_CLICKED) services_.ShowHelp();
      return;
    case drvConvert:
      if (code == CBN_SELCHANGE) OnDriveChanged();
      return;
    case dirConvert:
      if (code == LBN_DBLCLK) folders_.Open(static_cast<int>(SendMessageA(control, LB_GETCURSEL, 0, 0)));
      return;
    case kReadAgain: try { folders_.SetPath(folders_.Path());
      } catch (const Error&) {
        // The folder went away: the lists stay as they were.
      }
      return;
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
      // it, the folder lines take the file list's new line height, and the
      // new size lays the window out again.
      services_.ChangeDpi(window_, LOWORD(wParam), HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      const LRESULT itemHeight = SendMessageA(files_.Window(), LB_GETITEMHEIGHT, 0, 0);
      if (itemHeight > 0) SendMessageA(folders_.Window(), LB_SETITEMHEIGHT, 0, itemHeight);
      Arrange();
      return 0;
    }
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) Arrange();  // minimised: every control stays where it was
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
      services_.ExitProgram();
      return 0;
    default: break;
  }
  return DefWindowProcA(window_, message, wParam, lParam);
}

void frmQMRRebuilder::Arrange() {
  if (!buttons_ || IsIconic(window_)) return;  // still being built, or minimised
  const int dpiX = services_.DpiX();
  const int dpiY = services_.DpiY();
  RECT client;
  GetClientRect(window_, &client);
  const MinimumOuterSize minimum =
      CheckMinimumSize(PixelsToTwips(client.right, dpiX), PixelsToTwips(client.bottom, dpiY));
  if ((minimum.outerWidth || minimum.outerHeight) && !IsZoomed(window_)) {
    // Raises a nested WM_SIZE that lays the window out for its new size.
    RECT outer;
    GetWindowRect(window_, &outer);
    const int width = minimum.outerWidth ? services_.X(*minimum.outerWidth) : outer.right - outer.left;
    const int height = minimum.outerHeight ? services_.Y(*minimum.outerHeight) : outer.bottom - outer.top;
    SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    GetClientRect(window_, &client);
  }

  const auto twipsX = [dpiX](int pixels) { return PixelsToTwips(pixels, dpiX); };
  const auto twipsY = [dpiY](int pixels) { return PixelsToTwips(pixels, dpiY); };
  const RECT location = ChildRect(trendLocation_);
  const RECT path = ChildRect(path_);
  const RECT buttons = ChildRect(buttons_);
  const RECT hint = ChildRect(multiSelect_);
  const RECT drive = ChildRect(drives_.Window());
  LayoutFixed fixed;
  fixed.trendLocationTop = twipsY(location.top);
  fixed.pathLeft = twipsX(path.left);
  fixed.pathTop = twipsY(path.top);
  fixed.buttonsWidth = twipsX(buttons.right - buttons.left);
  fixed.buttonsHeight = twipsY(buttons.bottom - buttons.top);
  fixed.multiSelectHeight = twipsY(hint.bottom - hint.top);
  fixed.driveListHeight = twipsY(drive.bottom - drive.top);
  const MainLayout layout = ArrangeControls(twipsX(client.right), twipsY(client.bottom), fixed,
                                            [dpiX](double twips) { return SnapToPixels(twips, dpiX); });

  const auto x = [this](double twips) { return services_.X(twips); };
  const auto y = [this](double twips) { return services_.Y(twips); };
  // Each control is drawn afresh where it lands.
  constexpr UINT kResize = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS;
  constexpr UINT kMove = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS;
  SetWindowPos(trendLocation_, nullptr, 0, 0, x(layout.trendLocationWidth), y(layout.trendLocationHeight), kResize);
  SetWindowPos(path_, nullptr, 0, 0, x(layout.pathWidth), y(layout.pathHeight), kResize);
  const RECT file = ChildRect(files_.Window());
  SetWindowPos(files_.Window(), nullptr, x(layout.fileLeft), file.top, x(layout.fileWidth), y(layout.fileHeight),
               SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
  SetWindowPos(buttons_, nullptr, x(layout.buttonsLeft), y(layout.buttonsTop), 0, 0, kMove);
  SizePathLists(layout.pathWidth, layout.folderHeight);
  SetWindowPos(multiSelect_, nullptr, x(layout.multiSelectLeft), y(layout.multiSelectTop), x(layout.multiSelectWidth),
               hint.bottom - hint.top, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOCOPYBITS);
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void frmQMRRebuilder::SizePathLists(double pathWidth, double folderHeight) {
  RECT dropped;
  SendMessageA(drives_.Window(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
  // A drop-down list's window height is its open list's; its closed box keeps its own.
  SetWindowPos(drives_.Window(), nullptr, 0, 0, services_.X(pathWidth), dropped.bottom - dropped.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  SetWindowPos(folders_.Window(), nullptr, 0, 0, services_.X(pathWidth), services_.Y(folderHeight),
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace qmr::win32
