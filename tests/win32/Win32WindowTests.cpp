// The Win32 main, help and status windows driven with messages: texts, the
// chained lists, the selection, OK, real rebuilds of generated trends and
// what the user does while a batch runs. What the window decides is tested
// without a toolkit in tests/forms.
#include <cmath>
#include <filesystem>
#include <functional>

#include "forms/FormTexts.h"
#include "forms/win32/Win32Names.h"
#include "samples/SampleTrends.h"
#include "tests/support/PausingEvents.h"
#include "tests/support/TestFiles.h"
#include "tests/win32/Win32Support.h"
#include "trends/Batch.h"

namespace qmr::win32::testing {
namespace {

using Names = std::vector<std::string>;
using namespace main;
using testsupport::PausingEvents;

class MainWindow : public MainWindowTest {
 protected:
  testsupport::TempFolder folder_;
  std::vector<std::pair<std::string, Names>> batches_;

  void Touch(const std::string& name) { samples::WriteBytes(folder_ / name, {}); }
  void OpenFolder() { window_->SetFolderPath(folder_.path()); }
  HWND Files() const { return Control(filConvert); }
  void RecordBatches() {
    window_->SetBatchFunction([this](const std::string& folder, const Names& names, RebuildEvents&) {
      batches_.emplace_back(folder, names);
    });
  }
  // The batch runs the real rebuild; `atPause` acts in each pause.
  void PauseWith(std::function<void(int)> atPause) {
    window_->SetBatchFunction([atPause](const std::string& folder, const Names& names, RebuildEvents& events) {
      PausingEvents pausing(events, atPause);
      RebuildTrends(folder, names, pausing);
    });
  }
  bool MasterWritten(const std::string& trend) const { return std::filesystem::exists(folder_ / (trend + ".qmr")); }
  void SelectAll() { SendMessageA(Files(), LB_SETSEL, TRUE, -1); }
};

TEST_F(MainWindow, TextsAndControls) {
  HWND window = window_->Window();
  EXPECT_EQ(ClassOf(window), "frmQMRRebuilder");
  EXPECT_EQ(WindowText(window), "QMR Rebuilder");
  EXPECT_EQ(WindowText(Control(fraTrendLocation)), "Trends Location");
  EXPECT_EQ(WindowText(Control(lblMultiSelect)), "Hold the Control key to select multiple trends");
  EXPECT_EQ(WindowText(Control(cmdOK)), "OK");
  EXPECT_EQ(WindowText(Control(cmdClose)), "Close");
  EXPECT_EQ(WindowText(Control(cmdHelp)), "Help");
  EXPECT_EQ(GetWindowLongPtrA(Control(cmdOK), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  EXPECT_TRUE(GetWindowLongPtrA(Files(), GWL_STYLE) & LBS_EXTENDEDSEL);
  EXPECT_EQ(GetFocus(), Control(drvConvert));
  // Tab goes drive list, folder list, file list, OK, Close, Help.
  HWND at = Control(drvConvert);
  for (int next : {dirConvert, filConvert, cmdOK, cmdClose, cmdHelp, drvConvert}) {
    at = GetNextDlgTabItem(window, at, FALSE);
    EXPECT_EQ(at, Control(next)) << next;
  }
}

TEST_F(MainWindow, LoadStepTriesDriveCAndItsDataFolderSilently) {
  window_->Load();
  EXPECT_TRUE(messages_.empty());
  char shown[16] = {};
  GetWindowTextA(Control(drvConvert), shown, sizeof(shown));
  EXPECT_STREQ(shown, "c:");
  const DWORD data = GetFileAttributesA("c:\\quorax\\data");
  if (data != INVALID_FILE_ATTRIBUTES && (data & FILE_ATTRIBUTE_DIRECTORY)) {
    EXPECT_EQ(window_->FolderPath(), "C:\\quorax\\data");
  } else {
    EXPECT_EQ(window_->FolderPath().rfind("C:\\", 0), 0u) << window_->FolderPath();
  }
}

TEST_F(MainWindow, DriveListHoldsTheDriveLetters) {
  const HWND drives = Control(drvConvert);
  const LRESULT count = SendMessageA(drives, CB_GETCOUNT, 0, 0);
  ASSERT_GE(count, 1);
  bool hasC = false;
  for (LRESULT i = 0; i < count; ++i) {
    char text[16] = {};
    SendMessageA(drives, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    const std::string drive = text;
    EXPECT_TRUE(drive.size() == 2 && drive[0] >= 'a' && drive[0] <= 'z' && drive[1] == ':') << drive;
    hasC = hasC || drive == "c:";
  }
  EXPECT_TRUE(hasC);
}

TEST_F(MainWindow, FileListShowsOrdinaryTrendFilesByName) {
  for (const char* name : {"b.000", "A.000", "C.000", "A.001", "notes.txt", "HIDDEN.000", "SYSTEM.000"}) Touch(name);
  std::filesystem::create_directory(folder_ / "FOLDER.000");
  SetFileAttributesA((folder_ / "HIDDEN.000").c_str(), FILE_ATTRIBUTE_HIDDEN);
  SetFileAttributesA((folder_ / "SYSTEM.000").c_str(), FILE_ATTRIBUTE_SYSTEM);
  OpenFolder();
  EXPECT_EQ(ListItems(Files()), (Names{"A.000", "C.000", "b.000"}));
}

TEST_F(MainWindow, DoubleClickOrEnterOpensAFolder) {
  std::filesystem::create_directories(folder_ / "sub\\deeper");
  Touch("sub\\INNER.000");
  Touch("OUTER.000");
  OpenFolder();
  const HWND folders = Control(dirConvert);
  const Names shown = ListItems(folders);
  ASSERT_EQ(shown.back(), "sub");  // the root, the path down to the folder, then its subfolders
  const std::string outer = window_->FolderPath();
  ClickItem(folders, static_cast<int>(shown.size()) - 1, 0, true);
  EXPECT_EQ(window_->FolderPath(), outer + "\\sub");
  EXPECT_EQ(ListItems(Files()), Names{"INNER.000"});

  RecordBatches();
  SendMessageA(folders, LB_SETCURSEL, static_cast<WPARAM>(ListItems(folders).size()) - 1, 0);
  PressKey(folders, VK_RETURN);
  EXPECT_EQ(window_->FolderPath(), outer + "\\sub\\deeper");
  EXPECT_TRUE(batches_.empty());  // Enter there opens the folder, it does not press OK
  EXPECT_TRUE(messages_.empty());

  // The folder two lines up is the outer one again.
  SendMessageA(folders, LB_SETCURSEL, static_cast<WPARAM>(ListItems(folders).size()) - 3, 0);
  PressKey(folders, VK_RETURN);
  EXPECT_EQ(window_->FolderPath(), outer);
}

// Trend files copied in after the folder was opened appear when it is
// opened again, or on F5.
TEST_F(MainWindow, OpeningTheOpenFolderAgainOrF5ReadsItAgain) {
  Touch("A.000");
  OpenFolder();
  EXPECT_EQ(ListItems(Files()), Names{"A.000"});
  Touch("B.000");
  const HWND folders = Control(dirConvert);
  const LRESULT current = SendMessageA(folders, LB_GETCURSEL, 0, 0);
  PressKey(folders, VK_RETURN);
  EXPECT_EQ(SendMessageA(folders, LB_GETCURSEL, 0, 0), current);
  EXPECT_EQ(ListItems(Files()), (Names{"A.000", "B.000"}));
  Touch("C.000");
  PressKey(Files(), VK_F5);
  EXPECT_EQ(ListItems(Files()), (Names{"A.000", "B.000", "C.000"}));
}

TEST_F(MainWindow, SelectionReachesTheBatchInListOrder) {
  for (const char* name : {"A.000", "B.000", "C.000", "D.000"}) Touch(name);
  OpenFolder();
  RecordBatches();
  // Control: third, first, second.
  ClickItem(Files(), 2);
  ClickItem(Files(), 0, MK_CONTROL);
  ClickItem(Files(), 1, MK_CONTROL);
  Click(Control(cmdOK));
  // Shift: a range upwards.
  ClickItem(Files(), 3);
  ClickItem(Files(), 1, MK_SHIFT);
  Click(Control(cmdOK));
  // Control again takes one off; a plain click clears the rest.
  ClickItem(Files(), 2, MK_CONTROL);
  Click(Control(cmdOK));
  ClickItem(Files(), 0);
  // Enter presses OK.
  PressKey(Files(), VK_RETURN);
  ASSERT_EQ(batches_.size(), 4u);
  EXPECT_EQ(batches_[0].first, window_->FolderPath());
  EXPECT_EQ(batches_[0].second, (Names{"A.000", "B.000", "C.000"}));
  EXPECT_EQ(batches_[1].second, (Names{"B.000", "C.000", "D.000"}));
  EXPECT_EQ(batches_[2].second, (Names{"B.000", "D.000"}));
  EXPECT_EQ(batches_[3].second, (Names{"A.000"}));
}

// Under code page 1252, "Łódź" and a fullwidth "Ｔ" have no exact form: the
// ANSI listing would show them as "Lodz" and "T", the second a look-alike
// of a real trend beside it. They are shown as they are and refused by
// name, never taken for another file.
TEST_F(MainWindow, NamesWithoutAnAnsiFormAreShownAndRefused) {
  const std::wstring folder = std::filesystem::path(folder_.path()).wstring();
  for (const wchar_t* name : {L"\\\u0141\u00f3d\u017a.000", L"\\\uff34.000"})
    CloseHandle(CreateFileW((folder + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
  ASSERT_TRUE(CreateDirectoryW((folder + L"\\\u0141\u00f3d\u017a").c_str(), nullptr));
  samples::WriteTrend(folder_.path(), "T", samples::RisingTrend(6, "Real", 2));
  OpenFolder();
  RecordBatches();
  const HWND files = Files();
  ASSERT_EQ(SendMessageA(files, LB_GETCOUNT, 0, 0), 3);
  wchar_t shown[64] = {};
  SendMessageW(files, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(shown));
  EXPECT_STREQ(shown, L"\u0141\u00f3d\u017a.000");
  SendMessageW(files, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(shown));
  EXPECT_STREQ(shown, L"\uff34.000");

  SendMessageA(files, LB_SETSEL, TRUE, 2);  // the real T.000 alone
  Click(Control(cmdOK));
  ASSERT_EQ(batches_.size(), 1u);
  EXPECT_EQ(batches_[0].second, Names{"T.000"});

  SendMessageA(files, LB_SETSEL, TRUE, 0);
  Click(Control(cmdOK));
  EXPECT_EQ(batches_.size(), 1u);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text.rfind("Error 52 ", 0), 0u) << messages_[0].text;
  EXPECT_NE(messages_[0].text.find("U+FF34"), std::string::npos) << messages_[0].text;
  EXPECT_EQ(messages_[0].icon, MessageIcon::Error);

  // The folder of that name says why it stays closed.
  const HWND folders = Control(dirConvert);
  const std::string before = window_->FolderPath();
  ClickItem(folders, static_cast<int>(SendMessageA(folders, LB_GETCOUNT, 0, 0)) - 1, 0, true);
  EXPECT_EQ(window_->FolderPath(), before);
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[1].text.rfind("Error 52 ", 0), 0u) << messages_[1].text;
  EXPECT_NE(messages_[1].text.find("U+0141"), std::string::npos) << messages_[1].text;
}

// A name wider than the file list can be scrolled to.
TEST_F(MainWindow, WideNamesScrollSideways) {
  Touch("A.000");
  OpenFolder();
  const LRESULT narrow = SendMessageA(Files(), LB_GETHORIZONTALEXTENT, 0, 0);
  Touch(std::string(120, 'W') + ".000");
  OpenFolder();
  RECT client{};
  GetClientRect(Files(), &client);
  EXPECT_GT(SendMessageA(Files(), LB_GETHORIZONTALEXTENT, 0, 0), client.right);
  EXPECT_LT(narrow, client.right);
  EXPECT_TRUE(GetWindowLongPtrA(Files(), GWL_STYLE) & WS_HSCROLL);
}

// Moved to a screen of 144 dpi, the window and its controls grow by half
// and take a font made for that screen.
TEST_F(MainWindow, ChangeOfDpiLaysTheWindowOutAgain) {
  Touch(std::string(60, 'W') + ".000");
  OpenFolder();
  const LRESULT extent = SendMessageA(Files(), LB_GETHORIZONTALEXTENT, 0, 0);
  const int dpi = services_->DpiX();
  RECT outer{}, file{};
  GetWindowRect(window_->Window(), &outer);
  GetWindowRect(Files(), &file);
  const int fileWidth = file.right - file.left;
  RECT suggested{outer.left, outer.top, outer.left + (outer.right - outer.left) * 3 / 2,
                 outer.top + (outer.bottom - outer.top) * 3 / 2};
  SendMessageA(window_->Window(), WM_DPICHANGED, MAKEWPARAM(dpi * 3 / 2, dpi * 3 / 2),
               reinterpret_cast<LPARAM>(&suggested));
  Pump();
  EXPECT_EQ(services_->DpiX(), dpi * 3 / 2);
  GetWindowRect(Files(), &file);
  EXPECT_NEAR(file.right - file.left, fileWidth * 3 / 2, 3);
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(Files(), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -static_cast<LONG>(std::lround(services_->FontPoints() * dpi * 3 / 2 / 72.0)));
  // The wide name is measured again in the larger font.
  EXPECT_GT(SendMessageA(Files(), LB_GETHORIZONTALEXTENT, 0, 0), extent * 4 / 3);
  // The file list's lines and the folder list's stay alike.
  EXPECT_EQ(SendMessageA(Control(dirConvert), LB_GETITEMHEIGHT, 0, 0), SendMessageA(Files(), LB_GETITEMHEIGHT, 0, 0));
}

// A help label's text as written: its lines are broken where it shows them.
std::string Unwrapped(std::string text) {
  std::replace(text.begin(), text.end(), '\n', ' ');
  return text;
}

// The help window follows a change of resolution on its own: its labels
// grow by it, take the new font and break their lines as a help window made
// at that resolution does.
TEST_F(MainWindow, ChangeOfDpiRemakesTheHelpWindow) {
  const auto texts = [](HWND help) {
    Names shown;
    for (int id : {help::Label1, help::lblVersion, help::Label2, help::Label3, help::Label4})
      shown.push_back(WindowText(GetDlgItem(help, id)));
    return shown;
  };
  Click(Control(cmdHelp));
  HWND help = services_->HelpWindow();
  ASSERT_TRUE(help);
  const Names before = texts(help);
  const LONG width = ClientSize(GetDlgItem(help, help::Label2)).cx;
  const int dpi = services_->DpiX();
  RECT outer{};
  GetWindowRect(help, &outer);
  outer.right = outer.left + (outer.right - outer.left) * 5 / 4;
  outer.bottom = outer.top + (outer.bottom - outer.top) * 5 / 4;
  SendMessageA(help, WM_DPICHANGED, MAKEWPARAM(dpi * 5 / 4, dpi * 5 / 4), reinterpret_cast<LPARAM>(&outer));
  Pump();
  HWND label = GetDlgItem(help, help::Label2);
  EXPECT_NEAR(ClientSize(label).cx, width * 5 / 4, 3);
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0)), services_->Font());
  const Names followed = texts(help);

  Click(GetDlgItem(help, help::cmdClose));
  Pump();
  Click(Control(cmdHelp));  // made afresh at the new resolution
  ASSERT_TRUE(services_->HelpWindow());
  const Names fresh = texts(services_->HelpWindow());
  ASSERT_NE(fresh, before);  // else this run could not tell lines broken again from lines kept
  EXPECT_EQ(followed, fresh);
}

TEST_F(MainWindow, RealRebuildNamesEachTrendInTheStatusWindow) {
  samples::WriteTrend(folder_.path(), "TANK1", samples::RisingTrend(6, "Tank 1 level", 3));
  samples::WriteTrend(folder_.path(), "FLOW", samples::RisingTrend(4, "Main line flow", 2));
  OpenFolder();
  std::vector<std::pair<bool, std::string>> pauses;
  PauseWith([&](int) {
    HWND status = services_->StatusWindow();
    pauses.emplace_back(IsWindowVisible(status), WindowText(GetDlgItem(status, status::lblFileName)));
  });
  SelectAll();
  Click(Control(cmdOK));
  EXPECT_TRUE(MasterWritten("FLOW"));
  EXPECT_TRUE(MasterWritten("TANK1"));
  EXPECT_EQ(pauses, (std::vector<std::pair<bool, std::string>>{{true, "FLOW"}, {true, "TANK1"}}));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, "Your QMR files have been rebuilt");
  EXPECT_EQ(messages_[0].icon, MessageIcon::None);
  EXPECT_FALSE(messages_[0].statusVisible);
  HWND status = services_->StatusWindow();
  EXPECT_EQ(ClassOf(status), "frmStatus");
  EXPECT_EQ(WindowText(status), "Quorax Trend Extender");
  EXPECT_EQ(WindowText(GetDlgItem(status, status::Label1)), "ReBuilding QMR Files ...");
  EXPECT_FALSE(GetWindowLongPtrA(status, GWL_STYLE) & WS_SYSMENU);  // no close box
  EXPECT_FALSE(IsWindowVisible(status));                            // hidden, loaded, keeping the last name
  EXPECT_EQ(WindowText(GetDlgItem(status, status::lblFileName)), "TANK1");
}

TEST_F(MainWindow, FailingTrendIsReportedAndEndsTheBatch) {
  samples::WriteTrend(folder_.path(), "AAA", samples::RisingTrend(6, "Blocked", 2));
  samples::WriteTrend(folder_.path(), "BBB", samples::RisingTrend(6, "Never reached", 2));
  std::filesystem::create_directory(folder_ / "AAA.qmr");  // no master can be written over a folder
  OpenFolder();
  SelectAll();
  Click(Control(cmdOK));
  EXPECT_FALSE(MasterWritten("BBB"));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].icon, MessageIcon::Error);
  EXPECT_NE(messages_[0].text.find("AAA"), std::string::npos) << messages_[0].text;
  EXPECT_NE(messages_[0].text.find("Error "), std::string::npos) << messages_[0].text;
  EXPECT_NE(messages_[0].text.find("Rebuilt: none.\nNot rebuilt: AAA and BBB."), std::string::npos)
      << messages_[0].text;
  EXPECT_FALSE(messages_[0].statusVisible);
  EXPECT_FALSE(window_->Busy());
}

// A long name with blanks shows its first line alone; every window carries
// the application icon.
TEST_F(MainWindow, StatusNameShowsItsFirstLineAndEveryWindowItsIcon) {
  services_->ShowStatus();
  services_->ShowHelp();
  const std::string name = "Boiler feed water pump number three discharge pressure at the north side header";
  services_->SetStatusTrendName(name);
  const HWND label = GetDlgItem(services_->StatusWindow(), status::lblFileName);
  const std::string shown = WindowText(label);
  EXPECT_EQ(name.rfind(shown, 0), 0u) << shown;
  EXPECT_LT(shown.size(), name.size());
  EXPECT_EQ(name[shown.size()], ' ');  // broken at a blank
  for (HWND window : {window_->Window(), services_->HelpWindow(), services_->StatusWindow()})
    EXPECT_NE(GetClassLongPtrA(window, GCLP_HICON), 0) << ClassOf(window);
}

TEST_F(MainWindow, SecondOKDuringABatchIsIgnored) {
  for (const char* name : {"ONE", "TWO"}) samples::WriteTrend(folder_.path(), name, samples::RisingTrend(5, name, 2));
  OpenFolder();
  int batches = 0;
  window_->SetBatchFunction([&](const std::string& folder, const Names& names, RebuildEvents& events) {
    ++batches;
    PausingEvents pressing(events, [&](int) { PostMessageA(Control(cmdOK), BM_CLICK, 0, 0); });
    RebuildTrends(folder, names, pressing);
  });
  SelectAll();
  Click(Control(cmdOK));
  EXPECT_EQ(batches, 1);
  EXPECT_TRUE(MasterWritten("ONE") && MasterWritten("TWO"));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].text, "Your QMR files have been rebuilt");
  EXPECT_FALSE(window_->Busy());
  Click(Control(cmdOK));  // once the batch is over OK works again
  EXPECT_EQ(batches, 2);
}

TEST_F(MainWindow, CloseDuringABatchEndsBetweenTwoTrends) {
  for (const char* name : {"ONE", "TWO"}) samples::WriteTrend(folder_.path(), name, samples::RisingTrend(5, name, 2));
  OpenFolder();
  PauseWith([&](int pause) {
    if (pause == 2) PostMessageA(Control(cmdClose), BM_CLICK, 0, 0);
  });
  SelectAll();
  Click(Control(cmdOK));
  EXPECT_TRUE(MasterWritten("ONE"));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "TWO.qmr"));
  EXPECT_EQ(ends_, 1);
  EXPECT_TRUE(messages_.empty());
  EXPECT_FALSE(IsWindow(window_->Window()));
  EXPECT_TRUE(Win32Services::OpenWindows().empty());
}

TEST_F(MainWindow, FrameCloseEndsLikeCloseAndUnloadsEverything) {
  services_->ShowStatus();
  services_->HideStatus();  // hidden but loaded
  services_->ShowHelp();
  EXPECT_EQ(Win32Services::OpenWindows().size(), 3u);
  PostMessageA(window_->Window(), WM_CLOSE, 0, 0);
  Pump();
  EXPECT_EQ(ends_, 1);
  EXPECT_TRUE(Win32Services::OpenWindows().empty());
}

TEST_F(MainWindow, HelpTwiceGivesOneWindowWithItsVersionLine) {
  Click(Control(cmdHelp));
  std::vector<HWND> helps = WindowsOfClass("frmHelp");
  ASSERT_EQ(helps.size(), 1u);
  HWND help = helps[0];
  EXPECT_EQ(WindowText(help), "Help");
  HWND version = GetDlgItem(help, help::lblVersion);
  EXPECT_EQ(Unwrapped(WindowText(version)), std::string("QMR Rebuilder version 1.01.000 ") + kHelpComments);
  EXPECT_EQ(Unwrapped(WindowText(GetDlgItem(help, help::Label1))),
            "QMR Rebuilder re-creates damaged or missing QMR files for Quorax trends. ");
  EXPECT_EQ(WindowText(GetDlgItem(help, help::Label4)).rfind("NOTE: This program has minimal error checking.", 0), 0u);
  EXPECT_NE(GetWindowLongPtrA(GetDlgItem(help, help::cmdClose), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
  const LONG_PTR style = GetWindowLongPtrA(help, GWL_STYLE);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  SetWindowTextA(version, "marked");  // a second Help must not compose the line again
  SetForegroundWindow(window_->Window());
  Click(Control(cmdHelp));
  EXPECT_EQ(WindowsOfClass("frmHelp"), std::vector<HWND>{help});
  EXPECT_TRUE(IsWindowVisible(help));
  EXPECT_EQ(WindowText(version), "marked");

  Click(GetDlgItem(help, help::cmdClose));
  EXPECT_FALSE(IsWindow(help));
  EXPECT_TRUE(WindowsOfClass("frmHelp").empty());
  Click(Control(cmdHelp));  // afresh, with its line composed again
  ASSERT_EQ(WindowsOfClass("frmHelp").size(), 1u);
  EXPECT_EQ(Unwrapped(WindowText(GetDlgItem(services_->HelpWindow(), help::lblVersion))),
            std::string("QMR Rebuilder version 1.01.000 ") + kHelpComments);
}

}  // namespace
}  // namespace qmr::win32::testing
