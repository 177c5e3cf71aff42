// window-driver: drives a running QMRRebuilder.exe from outside, as a user
// would, for the end-to-end run and the screenshots.
//   window-driver rebuild   select every trend, press OK, answer each
//                           message box (its text on standard output), then
//                           press Close and wait for the program to end
//   window-driver show N... select the trends at the positions N
//   window-driver ok        press OK and wait for the first message box,
//                           left open (its text on standard output)
//   window-driver help      press Help and wait for the help window
//   window-driver unhelp    close the help window and wait until it is gone
//   window-driver close     press Close and wait for the program to end
// Exit status 0 when all went as described, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "forms/FormTexts.h"
#include "forms/win32/Win32Names.h"

namespace {

using namespace qmr::win32;

constexpr DWORD kPatience = 60000;  // milliseconds

HWND WaitForWindow(const char* className, const char* caption) {
  for (DWORD waited = 0; waited < kPatience; waited += 100) {
    HWND window = FindWindowA(className, caption);
    if (window && IsWindowVisible(window)) return window;
    Sleep(100);
  }
  std::fprintf(stderr, "window-driver: no %s window\n", className);
  return nullptr;
}

struct Search {
  int id;
  HWND found;
};

BOOL CALLBACK FindId(HWND child, LPARAM search) {
  auto* wanted = reinterpret_cast<Search*>(search);
  if (GetDlgCtrlID(child) != wanted->id) return TRUE;
  wanted->found = child;
  return FALSE;
}

HWND Control(HWND window, int id) {
  Search search{id, nullptr};
  EnumChildWindows(window, FindId, reinterpret_cast<LPARAM>(&search));
  if (!search.found) std::fprintf(stderr, "window-driver: no control %d\n", id);
  return search.found;
}

std::string TextOf(HWND window) {
  char text[4096] = {};
  SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
  return text;
}

// A message box of the program's (a dialog with the application title).
HWND MessageBoxOf(DWORD process) {
  for (HWND box = FindWindowA("#32770", qmr::kApplicationTitle); box;
       box = FindWindowExA(nullptr, box, "#32770", qmr::kApplicationTitle)) {
    DWORD owner = 0;
    GetWindowThreadProcessId(box, &owner);
    if (owner == process && IsWindowVisible(box)) return box;
  }
  return nullptr;
}

bool PressCloseAndWait(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  HANDLE handle = OpenProcess(SYNCHRONIZE, FALSE, process);
  PostMessageA(Control(window, main::cmdClose), BM_CLICK, 0, 0);
  const bool ended = handle && WaitForSingleObject(handle, kPatience) == WAIT_OBJECT_0;
  if (handle) CloseHandle(handle);
  if (!ended) std::fprintf(stderr, "window-driver: the program did not end on Close\n");
  return ended;
}

int Rebuild(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  HWND files = Control(window, main::filConvert);
  if (!files) return 1;
  const LRESULT count = SendMessageA(files, LB_GETCOUNT, 0, 0);
  std::printf("trends listed: %ld\n", static_cast<long>(count));
  SendMessageA(files, LB_SETSEL, TRUE, -1);
  PostMessageA(Control(window, main::cmdOK), BM_CLICK, 0, 0);
  // Every box is answered; the batch ends with the completion message.
  for (DWORD waited = 0; waited < kPatience; waited += 50) {
    HWND box = MessageBoxOf(process);
    if (!box) {
      Sleep(50);
      continue;
    }
    const std::string text = TextOf(GetDlgItem(box, 0xFFFF));
    std::printf("message: %s\n", text.c_str());
    std::fflush(stdout);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    while (IsWindow(box)) Sleep(20);
    if (text == qmr::kBatchDoneMessage) return PressCloseAndWait(window) ? 0 : 1;
    waited = 0;
  }
  std::fprintf(stderr, "window-driver: the batch did not end\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  HWND window = WaitForWindow(kMainClass, qmr::kApplicationTitle);
  if (!window) return 1;
  if (command == "rebuild") return Rebuild(window);
  if (command == "close") return PressCloseAndWait(window) ? 0 : 1;
  if (command == "unhelp") {
    HWND help = FindWindowA(kHelpClass, nullptr);
    if (help) PostMessageA(help, WM_CLOSE, 0, 0);
    for (DWORD waited = 0; help && IsWindow(help) && waited < kPatience; waited += 50) Sleep(50);
    return help && !IsWindow(help) ? 0 : 1;
  }
  if (command == "ok") {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    PostMessageA(Control(window, main::cmdOK), BM_CLICK, 0, 0);
    for (DWORD waited = 0; waited < kPatience; waited += 50, Sleep(50)) {
      if (HWND box = MessageBoxOf(process)) {
        std::printf("message: %s\n", TextOf(GetDlgItem(box, 0xFFFF)).c_str());
        return 0;
      }
    }
    return 1;
  }
  if (command == "help") {
    PostMessageA(Control(window, main::cmdHelp), BM_CLICK, 0, 0);
    return WaitForWindow(kHelpClass, qmr::kHelpCaption) ? 0 : 1;
  }
  if (command == "show") {
    HWND files = Control(window, main::filConvert);
    for (int i = 2; i < argc; ++i) SendMessageA(files, LB_SETSEL, TRUE, std::atoi(argv[i]));
    return 0;
  }
  std::fprintf(stderr, "usage: window-driver rebuild | show N... | help | close\n");
  return 2;
}
