// The main window's behaviour, whatever the toolkit: the drive, folder and
// file lists and how they follow each other, which folder entries are shown,
// OK's checks, F5, the layout on each size, Help and Close. Each toolkit's
// main window implements MainWindowView (its widgets and its platform's
// folders) and passes the user's actions here.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "forms/MainControls.h"
#include "forms/MainPlacement.h"
#include "forms/TrendBatch.h"
#include "forms/WindowServices.h"

namespace qmr {

// An entry of a folder as the platform lists it, before the window's rules
// choose what to show. Names are in the file system's byte encoding.
struct ListedEntry {
  std::string name;
  bool folder = false;
  // Hidden by the platform's own mark (the attribute on Windows, a leading
  // "." elsewhere), or a system entry: system files, devices, pipes,
  // sockets, links that lead nowhere.
  bool hidden = false;
  bool system = false;
  // False when the name as listed has no exact byte form (a name outside the
  // ANSI code page on Windows): it would name another file or none.
  bool exact = true;
  // For such a name, its first character without a byte form ("U+0141"),
  // when the platform can tell.
  std::string inexact{};
  // The name as the user knows it, in UTF-8, when the platform lists names
  // in another form (Windows: every name, its ANSI `name` a stand-in for the
  // wide one); empty when `name` is shown as it is.
  std::string shown{};
};

// The folders the folder list offers and the files the file list shows:
// neither hidden nor system entries; files whose names end in ".000", the
// first data files of trends.
bool IsShownFolder(const ListedEntry& entry);
bool IsTrendFile(const ListedEntry& entry);

// One line of the folder list.
struct FolderLine {
  std::string path;  // absolute, in the platform's form
  std::string name;  // as shown: the root as a path, the others by name
  int depth = 0;
  bool open = false;    // on the way from the root down to the current folder
  std::string shown{};  // as ListedEntry::shown; empty on the way down to the current folder
  bool exact = true;    // as ListedEntry::exact, with its first character without a byte form
  std::string inexact{};
};

// The length of a path's root: "/", "C:\", "\\server\share".
std::size_t RootLength(const std::string& path);

// The open folders from the root down to `folder` (absolute, no trailing
// separator except at a root: "/", "C:\", "\\server\share").
std::vector<FolderLine> FolderChain(const std::string& folder);

// A folder that can be opened: absolute, in the platform's form.
struct OpenableFolder {
  std::string path;
  bool exact = true;  // as ListedEntry::exact
};

class MainWindowView {
 public:
  virtual ~MainWindowView() = default;

  // The platform's drives, in list order, and the working folder.
  virtual std::vector<std::string> MachineDrives() = 0;
  virtual OpenableFolder WorkingFolder() = 0;
  // The drive `folder` lies on, as MachineDrives names it.
  virtual std::string DriveOf(const std::string& folder) = 0;
  // `path` made absolute (a bare "x:" is that drive's current folder on
  // Windows). Throws qmr::Error (76 path not found, 70 permission denied,
  // ...) when it is no folder that can be listed.
  virtual OpenableFolder Openable(const std::string& path) = 0;
  // The entries of `folder` but "." and ".."; none when it cannot be read.
  virtual std::vector<ListedEntry> ListFolder(const std::string& folder) = 0;

  // The three lists. Showing them never calls back.
  virtual void ShowDrives(const std::vector<std::string>& drives, std::size_t current) = 0;
  virtual void ShowFolders(const std::vector<FolderLine>& lines, std::size_t current) = 0;
  // The files by ListedEntry::shown where the platform gave it, else by name.
  virtual void ShowFiles(const std::vector<std::string>& names) = 0;
  // The rows of the file list that are selected, in list order.
  virtual std::vector<std::size_t> SelectedFiles() = 0;

  // The layout, in the screen's pixels: false while minimised or still
  // being built.
  virtual bool CanArrange() = 0;
  virtual Resolution ScreenResolution() = 0;
  virtual int ClientWidth() = 0;
  virtual int ClientHeight() = 0;
  // Sets the outer size (title bar and borders included) in the dimensions
  // that `outer` names; may lay the window out again for the size reached.
  virtual void RaiseToMinimum(const OuterSize& outer) = 0;
  // A control's box as it stands, in its frame.
  virtual PixelRect ControlBox(MainControl control) = 0;
  // Moves and sizes the controls, in the order given.
  virtual void Place(const std::vector<Placement>& placements) = 0;
};

class MainWindow {
 public:
  // Shows the working folder's drive, folders and files.
  MainWindow(MainWindowView& view, WindowServices& services);

  // The start-up step: drive "c:", folder "c:\quorax\data", each failure ignored.
  void Load();

  // The user's actions.
  void DriveChosen(std::size_t index);
  void FolderOpened(std::size_t line);
  void ReadAgain();  // F5
  void OK();
  void Help() { services_.ShowHelp(); }
  void Close() { services_.ExitProgram(); }  // also the frame's close box
  void Arrange();                            // the window's size changed

  // Selects the drive named `text` and opens it; throws qmr::Error when the
  // machine has no such drive.
  void SetDrive(const std::string& text);
  // Opens `path`; throws qmr::Error and stays where it was when it cannot.
  void SetFolder(const std::string& path);

  const std::string& Drive() const { return drives_.at(drive_); }
  const std::string& Folder() const { return folder_.path; }
  const std::vector<std::string>& Files() const { return files_; }

  // The rebuild run by OK; RebuildTrends unless replaced.
  void SetBatchFunction(TrendBatch::BatchFunction batch) { batch_.SetBatchFunction(std::move(batch)); }
  // True while OK's batch is running (pausing between trends included).
  bool Busy() const { return batch_.Busy(); }

 private:
  // Reads the current folder and shows its folders and files.
  void Fill();
  // Error 52 for an entry without an exact byte form, shown as `shown`.
  void RefuseInexact(const std::string& shown, const std::string& inexact, MessageIcon icon);

  MainWindowView& view_;
  WindowServices& services_;
  TrendBatch batch_;
  std::vector<std::string> drives_;
  std::size_t drive_ = 0;
  OpenableFolder folder_;
  std::vector<FolderLine> lines_;
  std::vector<std::string> files_;
  std::vector<ListedEntry> listedFiles_;  // as files_, the entries they came from
};

}  // namespace qmr
