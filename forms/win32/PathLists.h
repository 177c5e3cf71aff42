// The three chained lists of the main window over standard Win32 controls:
// the drive letters (a drop-down list), the folders of the current drive (a
// list box drawn as a tree: the root, the path down to the current folder
// and its subfolders) and the current folder's trend files (a list box with
// extended multiple selection). They only show what the window's logic gives
// them. Names are single-byte text in the ANSI code page, as the core opens
// files; the folders are read with the wide functions and every name is
// shown as it really is (ListedEntry::shown, UTF-8), one without an exact
// ANSI form included.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "forms/MainWindow.h"

namespace qmr::win32 {

class DriveList {
 public:
  void Attach(HWND combo) { combo_ = combo; }
  HWND Window() const { return combo_; }
  void Show(const std::vector<std::string>& drives, std::size_t current);

 private:
  HWND combo_ = nullptr;
};

class FolderList {
 public:
  void Attach(HWND list, int itemHeight);
  HWND Window() const { return list_; }
  void Show(const std::vector<FolderLine>& lines, std::size_t current);
  // The list's item: draws the folder at its depth, open or closed.
  void Draw(const DRAWITEMSTRUCT& item) const;

 private:
  struct Line {
    int depth;
    bool open;
    std::wstring name;  // as shown
  };
  HWND list_ = nullptr;
  std::vector<Line> lines_;
};

class FileList {
 public:
  void Attach(HWND list) { list_ = list; }
  HWND Window() const { return list_; }
  // `names` in UTF-8, as ListFolder shows them; a name wider than the list
  // scrolls sideways rather than being cut.
  void Show(const std::vector<std::string>& names);
  // Measures the names again in the list's font (changed with the resolution).
  void FitWidth();

 private:
  HWND list_ = nullptr;
  std::vector<std::wstring> shown_;
};

// The rows selected in a multi-selection list box, in list order (whatever
// the order in which they were clicked): LB_GETSELCOUNT and LB_GETSELITEMS.
std::vector<std::size_t> SelectedRows(HWND list);

// The machine's drive letters as "c:", "d:", ... (GetLogicalDriveStrings).
std::vector<std::string> MachineDrives();
// The working folder: absolute, "\" separators, the drive letter upper case.
OpenableFolder WorkingFolder();
// "x:" of an absolute drive path, lower case; empty for another path.
std::string DriveOf(const std::string& folder);
// `path` made absolute ("C:\" at a root, no trailing "\" elsewhere; a bare
// "x:" names that drive's current folder). Throws qmr::Error (76 path not
// found, 57 device not ready, ...) when it is no folder that can be listed.
OpenableFolder Openable(const std::string& path);
// The entries of `folder` as FindFirstFileW reports them, named in ANSI
// (a name without an exact form by ShownAnsi, marked inexact) and shown in
// UTF-8; none when it cannot be listed.
std::vector<ListedEntry> ListFolder(const std::string& folder);
// A folder line's name as the folder list shows it.
std::wstring ShownName(const FolderLine& line);

}  // namespace qmr::win32
