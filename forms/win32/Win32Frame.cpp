#include "forms/win32/Win32Frame.h"

#include "forms/win32/Win32Names.h"
#include "forms/win32/Win32Services.h"

namespace qmr::win32 {

namespace {

void PaintFrame(HWND frame) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(frame, &paint);
  const std::string caption = WindowText(frame);
  if (!caption.empty()) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(frame, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font ? SelectObject(dc, font) : nullptr;
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    RECT border;
    GetClientRect(frame, &border);
    border.top += metrics.tmHeight / 2;  // the border runs through the caption's middle
    DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);
    SIZE extent{};
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    const int indent = metrics.tmAveCharWidth;
    RECT text{indent, 0, indent + extent.cx + 2 * 2, metrics.tmHeight};
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    SetBkMode(dc, OPAQUE);
    DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_TOP);
    if (previous) SelectObject(dc, previous);
  }
  EndPaint(frame, &paint);
}

LRESULT CALLBACK FrameProcedure(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETFONT: SetWindowLongPtrA(frame, GWLP_USERDATA, static_cast<LONG_PTR>(wParam)); return 0;
    case WM_GETFONT: return GetWindowLongPtrA(frame, GWLP_USERDATA);
    case WM_PAINT: PaintFrame(frame); return 0;
    case WM_SIZE: InvalidateRect(frame, nullptr, TRUE); return 0;
    // The controls' notifications belong to the window the frame is in.
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM: return SendMessageA(GetAncestor(frame, GA_ROOT), message, wParam, lParam);
    default: return DefWindowProcA(frame, message, wParam, lParam);
  }
}

}  // namespace

HWND CreateFrame(const Win32Services& services, HWND parent, const char* caption, int id, const TwipsRect& box) {
  RegisterWindowClass(kFrameClass, FrameProcedure, false);
  // Tab and the arrow keys move into the frame's controls.
  return CreateControl(services, parent, kFrameClass, caption, WS_CLIPCHILDREN, id, box, WS_EX_CONTROLPARENT);
}

}  // namespace qmr::win32
