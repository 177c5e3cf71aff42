#include "forms/win32/Win32Services.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "forms/Twips.h"
#include "forms/win32/Win32Font.h"
#include "forms/win32/Win32Names.h"
#include "forms/win32/frmHelp.h"
#include "forms/win32/frmStatus.h"

namespace qmr::win32 {

namespace {

void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon, HWND owner) {
  UINT type = MB_OK;
  if (icon == MessageIcon::Warning) type |= MB_ICONWARNING;
  if (icon == MessageIcon::Error) type |= MB_ICONERROR;
  MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}

bool IsOurs(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  for (const char* ours : {kMainClass, kHelpClass, kStatusClass}) {
    if (std::strcmp(name, ours) == 0) return true;
  }
  return false;
}

// The resolution a window's controls were made for, kept with the window.
constexpr const char* kDpiXProperty = "qmr.dpi.x";
constexpr const char* kDpiYProperty = "qmr.dpi.y";

void RememberDpi(HWND window, int dpiX, int dpiY) {
  SetPropA(window, kDpiXProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(dpiX)));
  SetPropA(window, kDpiYProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(dpiY)));
}

int RememberedDpi(HWND window, const char* property, int otherwise) {
  const auto dpi = static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(window, property)));
  return dpi > 0 ? dpi : otherwise;
}

struct Rescale {
  int fromX, fromY, toX, toY;
  HFONT font;
};

// One control, wherever it sits in the frames: its place in its parent and
// its size scaled, its text in the new font.
BOOL CALLBACK RescaleControl(HWND control, LPARAM parameter) {
  const auto& scale = *reinterpret_cast<const Rescale*>(parameter);
  const RECT r = ChildRect(control);
  const int left = MulDiv(r.left, scale.toX, scale.fromX);
  const int top = MulDiv(r.top, scale.toY, scale.fromY);
  SetWindowPos(control, nullptr, left, top, MulDiv(r.right, scale.toX, scale.fromX) - left,
               MulDiv(r.bottom, scale.toY, scale.fromY) - top, SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(scale.font), TRUE);
  return TRUE;
}

BOOL CALLBACK Collect(HWND window, LPARAM windows) {
  if (IsOurs(window)) reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

}  // namespace

Win32Services::Win32Services() : end_([] { PostQuitMessage(0); }) {
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  HDC screen = GetDC(nullptr);
  dpiX_ = GetDeviceCaps(screen, LOGPIXELSX);
  dpiY_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  const FormFontChoice chosen = ChooseFormFont(dpiX_, dpiY_);
  font_ = chosen.font;
  fontFace_ = chosen.face;
  fontPoints_ = chosen.points;
}

Win32Services::~Win32Services() {
  for (HWND window : OpenWindows()) DestroyWindow(window);
  if (font_) DeleteObject(font_);
  for (HFONT font : earlierFonts_) DeleteObject(font);
}

void Win32Services::ChangeDpi(HWND window, int dpiX, int dpiY, const RECT& suggested) {
  if (dpiX <= 0 || dpiY <= 0) return;
  if (dpiX != dpiX_ || dpiY != dpiY_) {
    dpiX_ = dpiX;
    dpiY_ = dpiY;
    const FormFontChoice chosen = ChooseFormFont(dpiX_, dpiY_);
    earlierFonts_.push_back(font_);
    font_ = chosen.font;
    fontPoints_ = chosen.points;
  }
  const Rescale scale{RememberedDpi(window, kDpiXProperty, dpiX), RememberedDpi(window, kDpiYProperty, dpiY), dpiX,
                      dpiY, font_};
  RememberDpi(window, dpiX, dpiY);
  EnumChildWindows(window, RescaleControl, reinterpret_cast<LPARAM>(&scale));
  // The main window lays its controls out again for its new size.
  SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Win32Services::ShowMessage(const std::string& text, MessageIcon icon) {
  // The box is as wide as its longest line: a long path gets lines of its own.
  const std::string wrapped = WrapLongWords(text, kWidestMessageWord);
  if (message_) {
    message_(wrapped, kApplicationTitle, icon);
  } else {
    ShowMessageBox(wrapped, kApplicationTitle, icon, IsWindow(mainWindow_) ? mainWindow_ : nullptr);
  }
}

bool Win32Services::PumpEvents() {
  // The events already waiting, once: what their handling posts waits for
  // the next pause (the bound keeps a busy window from holding the batch).
  MSG message;
  for (int delivered = 0; delivered < 1000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++delivered) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));  // for the message loop, once the batch is over
      break;
    }
    DeliverMessage(message);
  }
  return !ending_;
}

void Win32Services::ShowStatus() {
  if (!IsWindow(status_)) {
    status_ = NewStatusWindow(*this, IsWindow(mainWindow_) ? mainWindow_ : nullptr);
    RECT area = WorkArea();
    if (IsWindow(mainWindow_) && IsWindowVisible(mainWindow_)) GetWindowRect(mainWindow_, &area);
    CentreOver(status_, area);
  }
  ShowWindow(status_, SW_SHOWNOACTIVATE);
  SetWindowPos(status_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  UpdateWindow(status_);
}

void Win32Services::SetStatusTrendName(const std::string& name) {
  // Written before shown: kept for the next show.
  if (!IsWindow(status_)) status_ = NewStatusWindow(*this, IsWindow(mainWindow_) ? mainWindow_ : nullptr);
  SetStatusWindowTrendName(status_, name);
}

void Win32Services::HideStatus() {
  if (IsWindow(status_)) ShowWindow(status_, SW_HIDE);
}

void Win32Services::ShowHelp() {
  if (!IsWindow(help_)) {
    help_ = NewHelpWindow(*this);
    CentreOver(help_, WorkArea());
  }
  ShowWindow(help_, SW_SHOW);
  SetWindowPos(help_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(help_);
}

std::vector<HWND> Win32Services::OpenWindows() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

void Win32Services::ExitProgram() {
  if (ending_) return;
  ending_ = true;
  // The main window may be inside its own click handler (or a batch): its
  // object outlives its window, and a batch stops at its next pause.
  for (HWND window : OpenWindows()) {
    if (IsWindow(window)) DestroyWindow(window);
  }
  status_ = nullptr;
  help_ = nullptr;
  end_();
}

int Win32Services::RunMessageLoop() {
  MSG message;
  BOOL got;
  while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) DeliverMessage(message);
  return got == 0 ? static_cast<int>(message.wParam) : 1;
}

void Win32Services::DeliverMessage(MSG& message) {
  HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  // F5 anywhere in the main window reads its lists again.
  char rootClass[32] = {};
  if (root && message.message == WM_KEYDOWN && message.wParam == VK_F5 &&
      GetClassNameA(root, rootClass, sizeof(rootClass)) > 0 && std::strcmp(rootClass, kMainClass) == 0) {
    SendMessageA(root, WM_COMMAND, MAKEWPARAM(main::kReadAgain, 0), 0);
    return;
  }
  if (root && IsOurs(root) && IsDialogMessageA(root, &message)) return;
  TranslateMessage(&message);
  DispatchMessageA(&message);
}

int Win32Services::X(double twips) const { return TwipsToPixels(twips, dpiX_); }
int Win32Services::Y(double twips) const { return TwipsToPixels(twips, dpiY_); }

RECT Win32Services::Pixels(const TwipsRect& box) const {
  const int left = X(box.left);
  const int top = Y(box.top);
  return RECT{left, top, left + X(box.width), top + Y(box.height)};
}

void RegisterWindowClass(const char* className, WNDPROC procedure, bool withIcon) {
  const HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  if (GetClassInfoExA(instance, className, &windowClass)) return;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  if (withIcon) {
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                      GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  }
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = className;
  RegisterClassExA(&windowClass);
}

HWND CreateControl(const Win32Services& services, HWND parent, const char* className, const char* text, DWORD style,
                   int id, const TwipsRect& box, DWORD extendedStyle) {
  const RECT r = services.Pixels(box);
  HWND control = CreateWindowExA(extendedStyle, className, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(services.Font()), FALSE);
  return control;
}

HWND CreateFormWindow(const Win32Services& services, const char* className, const char* caption, DWORD style,
                      int clientWidth, int clientHeight, HWND owner, void* parameter) {
  RECT outer{0, 0, services.X(clientWidth), services.Y(clientHeight)};
  AdjustWindowRectEx(&outer, style, FALSE, WS_EX_CONTROLPARENT);
  HWND window = CreateWindowExA(WS_EX_CONTROLPARENT, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                outer.right - outer.left, outer.bottom - outer.top, owner, nullptr,
                                GetModuleHandleA(nullptr), parameter);
  if (window) RememberDpi(window, services.DpiX(), services.DpiY());
  return window;
}

void CentreOver(HWND window, const RECT& area) {
  RECT own;
  GetWindowRect(window, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  const int left = area.left + (area.right - area.left - width) / 2;
  const int top = area.top + (area.bottom - area.top - height) / 2;
  SetWindowPos(window, nullptr, std::max<int>(left, 0), std::max<int>(top, 0), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT WorkArea() {
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(got, 0)));
  return text;
}

RECT ChildRect(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

}  // namespace qmr::win32
