// The main window over the Win32 API: drive, folder and file lists to pick
// trends by their first data file, and OK (rebuild the selection), Close and
// Help.
//
// While a batch runs, its pause before each trend lets the window answer the
// user: a second OK is ignored (the running batch goes on), Help opens the
// help window, and Close (or the frame's close box) ends the program in that
// pause, between two trends, never while a master file is being written.
#pragma once

#include <windows.h>

#include "forms/TrendBatch.h"
#include "forms/win32/PathLists.h"

namespace qmr::win32 {

class Win32Services;

class frmQMRRebuilder {
 public:
  // Creates the window, hidden, at its design size, centred on the screen.
  explicit frmQMRRebuilder(Win32Services& services);
  ~frmQMRRebuilder();
  frmQMRRebuilder(const frmQMRRebuilder&) = delete;
  frmQMRRebuilder& operator=(const frmQMRRebuilder&) = delete;

  // The start-up step: drive "c:", folder "c:\quorax\data", each failure ignored.
  void Load();
  // Shows the window (laid out for its size) with the drive list focused.
  void Show();
  HWND Window() const { return window_; }
  // A control by its ID (Win32Names.h), wherever it sits in the frames.
  HWND Control(int id) const;
  const std::string& FolderPath() const { return folders_.Path(); }
  // Moves the folder list (and with it the file list) to `path`; throws
  // qmr::Error when the folder cannot be listed.
  void SetFolderPath(const std::string& path) { folders_.SetPath(path); }

  // The rebuild run by OK; RebuildTrends unless replaced.
  void SetBatchFunction(TrendBatch::BatchFunction batch) { batch_.SetBatchFunction(std::move(batch)); }
  // True while OK's batch is running (pausing between trends included).
  bool Busy() const { return batch_.Busy(); }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void OnCommand(int id, int code, HWND control);
  void OnDriveChanged();
  void OnOK();
  void Arrange();
  // Fits the drive list and the folder list into the path frame (the name
  // the layout rule gives this step).
  void SizePathLists(double pathWidth, double folderHeight);

  Win32Services& services_;
  TrendBatch batch_;
  HWND window_ = nullptr;
  HWND trendLocation_ = nullptr, path_ = nullptr, multiSelect_ = nullptr, buttons_ = nullptr;
  DriveList drives_;
  FolderList folders_;
  FileList files_;
  HWND focus_ = nullptr;  // the control that had the focus when the window was left
};

}  // namespace qmr::win32
