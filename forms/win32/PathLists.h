// The three chained lists of the main window over standard Win32 controls:
// the drive letters (a drop-down list), the folders of the current drive (a
// list box drawn as a tree: the root, the path down to the current folder
// and its subfolders) and the current folder's trend files (a list box with
// extended multiple selection). Names are single-byte text in the ANSI code
// page, as the core opens files.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace qmr::win32 {

class Win32Services;

// The machine's drive letters as "c:", "d:", ... (GetLogicalDriveStrings).
std::vector<std::string> MachineDrives();

class DriveList {
 public:
  // Fills `combo` with the machine's drives and starts at the working folder's.
  void Attach(HWND combo);
  HWND Window() const { return combo_; }
  // The current drive ("c:"), a text the folder list accepts as a path.
  std::string Drive() const;
  // Selects the drive named `text` (case ignored); throws qmr::Error when the
  // machine has no such drive. Tells of a change like the user's choice.
  void SetDrive(const std::string& text);
  // Called when the current drive changed, by the user or by SetDrive.
  std::function<void()> changed;

 private:
  HWND combo_ = nullptr;
};

class FolderList {
 public:
  // Shows the working folder in `list` (an owner-drawn list box).
  void Attach(HWND list, int itemHeight);
  HWND Window() const { return list_; }
  // The current folder: absolute, "\" separators, no trailing separator
  // except at a drive's root ("C:\").
  const std::string& Path() const { return path_; }
  // Makes `path` current (relative paths against the working folder; a bare
  // "x:" names that drive's current folder). Throws qmr::Error (76 path not
  // found, 57 device not ready, ...) and stays where it was when the folder
  // cannot be listed.
  void SetPath(const std::string& path);
  // Opens the folder at `index` (double click, or Enter): it becomes current.
  void Open(int index);
  // The list's item: draws the folder at its depth, open or closed.
  void Draw(const DRAWITEMSTRUCT& item) const;
  // Called after the current folder changed.
  std::function<void()> changed;

 private:
  struct Folder {
    std::string path;
    std::string name;  // as shown: the root as a path, the others by name
    int depth;
    bool open;  // on the path to the current folder
  };
  void Fill();

  HWND list_ = nullptr;
  std::string path_;
  std::vector<Folder> folders_;
};

class FileList {
 public:
  void Attach(HWND list) { list_ = list; }
  HWND Window() const { return list_; }
  // Shows the names of `folder`'s ordinary files matching *.000, sorted by
  // name; a folder that cannot be read shows none.
  void SetFolder(const std::string& folder);
  const std::string& Folder() const { return folder_; }

 private:
  HWND list_ = nullptr;
  std::string folder_;
};

// The texts of the selected items of a multi-selection list box, in list
// order (whatever the order in which they were clicked): LB_GETSELCOUNT and
// LB_GETSELITEMS. Empty when nothing is selected.
std::vector<std::string> GetSelectedItems(HWND list);

}  // namespace qmr::win32
