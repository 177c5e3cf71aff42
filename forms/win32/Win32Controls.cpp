#include "forms/win32/Win32Controls.h"

#include <algorithm>

#include "forms/Twips.h"

namespace qmr::win32 {

RECT Win32Look::Pixels(const TwipsRect& box) const {
  const PixelRect r = PixelsOf(box, {static_cast<double>(DpiX()), static_cast<double>(DpiY())});
  return RECT{r.left, r.top, r.left + r.width, r.top + r.height};
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

HWND CreateControl(const Win32Look& services, HWND parent, const char* className, const char* text, DWORD style, int id,
                   const TwipsRect& box, DWORD extendedStyle) {
  const RECT r = services.Pixels(box);
  HWND control = CreateWindowExA(extendedStyle, className, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top,
                                 r.right - r.left, r.bottom - r.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(services.Font()), FALSE);
  return control;
}

namespace {

// What a window was made with, kept with the window.
constexpr const char* kLookProperty = "qmr.look";
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

}  // namespace

void Win32Look::ChangeDpi(HWND window, int dpiX, int dpiY, const RECT& suggested) {
  if (dpiX <= 0 || dpiY <= 0) return;
  if (dpiX != DpiX() || dpiY != DpiY()) UseResolution(dpiX, dpiY);
  const Rescale scale{RememberedDpi(window, kDpiXProperty, dpiX), RememberedDpi(window, kDpiYProperty, dpiY), dpiX,
                      dpiY, Font()};
  RememberDpi(window, dpiX, dpiY);
  EnumChildWindows(window, RescaleControl, reinterpret_cast<LPARAM>(&scale));
  SetWindowPos(window, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
               suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

HWND CreateFormWindow(Win32Look& look, const char* className, const char* caption, DWORD style, int clientWidth,
                      int clientHeight, HWND owner, void* parameter) {
  RECT outer{0, 0, look.X(clientWidth), look.Y(clientHeight)};
  AdjustWindowRectEx(&outer, style, FALSE, WS_EX_CONTROLPARENT);
  HWND window = CreateWindowExA(WS_EX_CONTROLPARENT, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                                outer.right - outer.left, outer.bottom - outer.top, owner, nullptr,
                                GetModuleHandleA(nullptr), parameter);
  if (window) {
    SetPropA(window, kLookProperty, reinterpret_cast<HANDLE>(&look));
    RememberDpi(window, look.DpiX(), look.DpiY());
  }
  return window;
}

Win32Look* FollowDpiChange(HWND window, WPARAM wParam, LPARAM lParam) {
  auto* look = reinterpret_cast<Win32Look*>(GetPropA(window, kLookProperty));
  if (look) look->ChangeDpi(window, LOWORD(wParam), HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
  return look;
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
