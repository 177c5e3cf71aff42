#include "forms/win32/Win32Services.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "forms/Twips.h"
#include "forms/win32/Win32Controls.h"
#include "forms/win32/Win32Font.h"
#include "forms/win32/Win32Names.h"
#include "forms/win32/frmHelp.h"
#include "forms/win32/frmStatus.h"

namespace qmr::win32 {

namespace {

void ShowBox(const std::string& text, const std::string& caption, MessageIcon icon, HWND owner) {
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

BOOL CALLBACK Collect(HWND window, LPARAM windows) {
  if (IsOurs(window)) reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

}  // namespace

Win32Services::Win32Services() : ProgramWindows([] { PostQuitMessage(0); }) {
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

void Win32Services::UseResolution(int dpiX, int dpiY) {
  dpiX_ = dpiX;
  dpiY_ = dpiY;
  const FormFontChoice chosen = ChooseFormFont(dpiX_, dpiY_);
  earlierFonts_.push_back(font_);
  font_ = chosen.font;
  fontPoints_ = chosen.points;
}

void Win32Services::ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  if (message_) {
    message_(text, caption, icon);
  } else {
    ShowBox(text, caption, icon, IsWindow(mainWindow_) ? mainWindow_ : nullptr);
  }
}

void Win32Services::DeliverWaitingEvents() {
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
    help_ = NewHelpWindow(*this, &help_);
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

void Win32Services::UnloadEveryWindow() {
  // The main window's object outlives its window; a batch stops at its next pause.
  for (HWND window : OpenWindows()) {
    if (IsWindow(window)) DestroyWindow(window);
  }
  status_ = nullptr;
  help_ = nullptr;
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

}  // namespace qmr::win32
