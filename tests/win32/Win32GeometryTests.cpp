// The Win32 windows' geometry and font at the screen's resolution. CTest runs
// this program at 96 dpi and, with the Wine prefix set to 144 dpi, again
// (QMR_EXPECT_DPI names the resolution the run must see).
#include <algorithm>
#include <cstdlib>

#include "forms/FormTexts.h"
#include "forms/win32/Win32Names.h"
#include "tests/win32/Win32Support.h"

namespace qmr::win32::testing {
namespace {

// A control's rectangle in its parent's client area: left, top, width, height.
struct Box {
  long left, top, width, height;
  bool operator==(const Box&) const = default;
};
void PrintTo(const Box& box, std::ostream* out) {
  *out << "(" << box.left << "," << box.top << " " << box.width << "x" << box.height << ")";
}
Box BoxOf(HWND control) {
  const RECT r = ChildRect(control);
  return Box{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

int ExpectedDpi() {
  const char* wanted = std::getenv("QMR_EXPECT_DPI");
  return wanted ? std::atoi(wanted) : 96;
}

// Gives the window a client area of `width` by `height` pixels.
void SetClientSize(HWND window, int width, int height) {
  RECT outer{0, 0, width, height};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
  SetWindowPos(window, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top, SWP_NOMOVE | SWP_NOZORDER);
  Pump();
}

// Every label with a text shows it whole in its box, broken at blanks in
// the label's own font. Returns how many labels were checked.
int CheckLabels(HWND window) {
  int labels = 0;
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == kFrameClass) labels += CheckLabels(child);
    if (ClassOf(child) != "Static" && ClassOf(child) != "STATIC") continue;
    const std::string text = WindowText(child);
    if (text.empty()) continue;
    ++labels;
    const SIZE box = ClientSize(child);
    HDC dc = GetDC(child);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, box.cx, box.cy};
    const bool centred = (GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_CENTER;
    DrawTextA(dc, text.c_str(), -1, &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | (centred ? DT_CENTER : DT_LEFT));
    SelectObject(dc, previous);
    ReleaseDC(child, dc);
    EXPECT_LE(needed.right, box.cx) << text;
    EXPECT_LE(needed.bottom, box.cy) << text;
  }
  return labels;
}
void ExpectLabelsFit(HWND window) { EXPECT_GT(CheckLabels(window), 0) << ClassOf(window); }

class Geometry : public MainWindowTest {};

TEST_F(Geometry, RunsAtTheExpectedResolution) {
  EXPECT_EQ(services_->DpiX(), ExpectedDpi());
  EXPECT_EQ(services_->DpiY(), ExpectedDpi());
}

TEST_F(Geometry, MainWindowOpensAtItsDesignSize) {
  const SIZE client = ClientSize(window_->Window());
  EXPECT_EQ(client.cx, services_->X(5505));
  EXPECT_EQ(client.cy, services_->Y(5685));
}

TEST_F(Geometry, ControlsFollowTheWindowSize) {
  const int dpi = ExpectedDpi();
  ASSERT_TRUE(dpi == 96 || dpi == 144) << dpi;
  // 6000 by 6000 twips.
  SetClientSize(window_->Window(), services_->X(6000), services_->Y(6000));
  using namespace main;
  const Box drive = BoxOf(Control(drvConvert));
  if (dpi == 96) {
    EXPECT_EQ(BoxOf(Control(fraTrendLocation)), (Box{8, 8, 368, 327}));
    EXPECT_EQ(BoxOf(Control(fraPath)), (Box{16, 32, 160, 246}));
    EXPECT_EQ(BoxOf(Control(filConvert)), (Box{192, 32, 160, 246}));
    EXPECT_EQ(BoxOf(Control(fraButtons)), (Box{127, 351, 257, 33}));
    EXPECT_EQ(BoxOf(Control(lblMultiSelect)), (Box{16, 294, 336, 17}));
    EXPECT_EQ(BoxOf(Control(dirConvert)), (Box{0, 24, 160, 246 - drive.height - 8}));
    EXPECT_EQ(BoxOf(Control(cmdHelp)), (Box{176, 0, 81, 25}));
  } else {
    // The button frame 3855 x 495 twips is 386 x 50 pixels here, and the
    // layout builds on that; the hint is 26 pixels high.
    EXPECT_EQ(BoxOf(Control(fraTrendLocation)), (Box{12, 12, 552, 490}));
    EXPECT_EQ(BoxOf(Control(fraPath)), (Box{24, 48, 240, 368}));
    EXPECT_EQ(BoxOf(Control(filConvert)), (Box{288, 48, 240, 368}));
    EXPECT_EQ(BoxOf(Control(fraButtons)), (Box{190, 526, 386, 50}));
    EXPECT_EQ(BoxOf(Control(lblMultiSelect)), (Box{24, 440, 504, 26}));
    EXPECT_EQ(BoxOf(Control(dirConvert)), (Box{0, 36, 240, 368 - drive.height - 12}));
    EXPECT_EQ(BoxOf(Control(cmdHelp)), (Box{264, 0, 122, 38}));
  }
  EXPECT_EQ(drive.left, 0);
  EXPECT_EQ(drive.width, dpi == 96 ? 160 : 240);
}

TEST_F(Geometry, KeepsItsMinimumAndStaysStillWhileMinimised) {
  HWND window = window_->Window();
  MINMAXINFO limits{};
  SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
  EXPECT_EQ(limits.ptMinTrackSize.x, services_->X(5500));
  EXPECT_EQ(limits.ptMinTrackSize.y, services_->Y(5500));

  // Made smaller by the program: the outer width goes back to the minimum.
  SetWindowPos(window, nullptr, 0, 0, services_->X(4000), services_->Y(6600), SWP_NOMOVE | SWP_NOZORDER);
  Pump();
  RECT outer;
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.right - outer.left, services_->X(5500));
  EXPECT_EQ(outer.bottom - outer.top, services_->Y(6600));

  SetClientSize(window, services_->X(6000), services_->Y(6000));
  const Box files = BoxOf(Control(main::filConvert));
  ShowWindow(window, SW_MINIMIZE);
  Pump();
  EXPECT_EQ(BoxOf(Control(main::filConvert)), files);
  ShowWindow(window, SW_RESTORE);
  SetClientSize(window, services_->X(6500), services_->Y(6500));
  EXPECT_NE(BoxOf(Control(main::filConvert)), files);
}

TEST_F(Geometry, HelpAndStatusWindowsAtTheirSizes) {
  services_->ShowHelp();
  HWND help = services_->HelpWindow();
  ASSERT_TRUE(help);
  EXPECT_EQ(ClientSize(help).cx, services_->X(6015));
  EXPECT_EQ(ClientSize(help).cy, services_->Y(4335));
  const Box close = BoxOf(GetDlgItem(help, help::cmdClose));
  if (ExpectedDpi() == 96) {
    EXPECT_EQ(ClientSize(help).cx, 401);
    EXPECT_EQ(ClientSize(help).cy, 289);
    EXPECT_EQ(close, (Box{304, 248, 89, 33}));
  } else {
    EXPECT_EQ(close, (Box{456, 372, 134, 50}));
  }
  services_->ShowStatus();
  HWND status = services_->StatusWindow();
  EXPECT_EQ(ClientSize(status).cx, services_->X(4680));
  EXPECT_EQ(ClientSize(status).cy, services_->Y(855));
}

// The help window's notes carry their lines, each whole within its label
// by the text's own extent (the label's breaking alone cut off the end of a
// word at 96 dpi).
TEST_F(Geometry, HelpLinesFitTheirLabels) {
  services_->ShowHelp();
  HWND help = services_->HelpWindow();
  for (int id : {help::lblVersion, help::Label1, help::Label2, help::Label3, help::Label4}) {
    HWND label = GetDlgItem(help, id);
    const std::string text = WindowText(label);
    HDC dc = GetDC(label);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    int lines = 0;
    for (std::size_t start = 0; start <= text.size(); ++lines) {
      const std::size_t end = std::min(text.find('\n', start), text.size());
      SIZE size{};
      GetTextExtentPoint32A(dc, text.data() + start, static_cast<int>(end - start), &size);
      EXPECT_LE(size.cx, ClientSize(label).cx) << text.substr(start, end - start);
      start = end + 1;
    }
    SelectObject(dc, previous);
    ReleaseDC(label, dc);
    EXPECT_LE(lines * metrics.tmHeight, ClientSize(label).cy) << text;
  }
}

TEST_F(Geometry, EveryFixedTextFitsItsBox) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof(metrics);
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0));
  const std::string face = services_->FontFace();
  EXPECT_TRUE(face == "Microsoft Sans Serif" || face == "Tahoma" || face == metrics.lfMessageFont.lfFaceName) << face;
  EXPECT_GE(services_->FontPoints(), 6.0);
  EXPECT_LE(services_->FontPoints(), 8.0);
  ExpectLabelsFit(window_->Window());
  // The hint is narrowest at the smallest window.
  SetClientSize(window_->Window(), services_->X(5500), services_->Y(5500));
  ExpectLabelsFit(window_->Window());
  services_->ShowHelp();
  ExpectLabelsFit(services_->HelpWindow());
  services_->ShowStatus();
  ExpectLabelsFit(services_->StatusWindow());
}

}  // namespace
}  // namespace qmr::win32::testing
