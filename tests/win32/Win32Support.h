// Driving the Win32 windows in-process, with messages as the user's actions
// send them: the message boxes and the end of the program are recorded
// through the services' seams instead of blocking or leaving the process.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "forms/win32/Win32Services.h"
#include "forms/win32/frmQMRRebuilder.h"

namespace qmr::win32::testing {

struct RecordedMessage {
  std::string text;
  std::string caption;
  MessageIcon icon;
  bool statusVisible;  // the status window was shown while the box was open
};

// Delivers every waiting message as the program's message loop does.
inline void Pump() {
  MSG message;
  for (int i = 0; i < 10000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i) {
    if (message.message == WM_QUIT) continue;  // the recorded end, not the test's
    Win32Services::DeliverMessage(message);
  }
}

// A press of a push button with the mouse.
inline void Click(HWND button) {
  ASSERT_TRUE(IsWindow(button));
  SendMessageA(button, BM_CLICK, 0, 0);
}

// A click on a list box item, with `keys` (MK_CONTROL, MK_SHIFT) held.
inline void ClickItem(HWND list, int index, WPARAM keys = 0, bool twice = false) {
  RECT item{};
  ASSERT_NE(SendMessageA(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&item)), LB_ERR);
  const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
  SendMessageA(list, WM_LBUTTONUP, keys, at);
  if (twice) {
    SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON | keys, at);
    SendMessageA(list, WM_LBUTTONUP, keys, at);
  }
}

// A key pressed while `control` has the focus, through the dialog manager.
inline void PressKey(HWND control, WPARAM key) {
  SetFocus(control);
  PostMessageA(control, WM_KEYDOWN, key, 1);
  PostMessageA(control, WM_KEYUP, key, 0xC0000001);
  Pump();
}

inline std::vector<std::string> ListItems(HWND list) {
  std::vector<std::string> items;
  const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    std::string text(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, i, 0)) + 1, '\0');
    text.resize(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
    items.push_back(text);
  }
  return items;
}

inline std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

inline std::vector<HWND> WindowsOfClass(const char* className) {
  std::vector<HWND> found;
  for (HWND window : Win32Services::OpenWindows())
    if (ClassOf(window) == className) found.push_back(window);
  return found;
}

inline SIZE ClientSize(HWND window) {
  RECT client{};
  GetClientRect(window, &client);
  return SIZE{client.right, client.bottom};
}

// The main window with recording services, shown, for each test.
class MainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    services_ = std::make_unique<Win32Services>();
    services_->SetMessageFunction([this](const std::string& text, const std::string& caption, MessageIcon icon) {
      const HWND status = services_->StatusWindow();
      messages_.push_back({text, caption, icon, status && IsWindowVisible(status)});
    });
    services_->SetEndFunction([this] { ++ends_; });
    window_ = std::make_unique<frmQMRRebuilder>(*services_);
    window_->Show();
    SetForegroundWindow(window_->Window());
    Pump();
  }
  void TearDown() override {
    window_.reset();
    services_.reset();
    Pump();
  }
  HWND Control(int id) const { return window_->Control(id); }

  std::unique_ptr<Win32Services> services_;
  std::unique_ptr<frmQMRRebuilder> window_;
  std::vector<RecordedMessage> messages_;
  int ends_ = 0;
};

}  // namespace qmr::win32::testing
