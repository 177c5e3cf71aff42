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

#include <array>
#include <memory>

#include "forms/MainWindow.h"
#include "forms/win32/PathLists.h"

namespace qmr::win32 {

class Win32Services;

class frmQMRRebuilder : public MainWindowView {
 public:
  // Creates the window, hidden, at its design size, centred on the screen.
  explicit frmQMRRebuilder(Win32Services& services);
  ~frmQMRRebuilder() override;
  frmQMRRebuilder(const frmQMRRebuilder&) = delete;
  frmQMRRebuilder& operator=(const frmQMRRebuilder&) = delete;

  // The start-up step: drive "c:", folder "c:\quorax\data", each failure ignored.
  void Load() { main_->Load(); }
  // Shows the window (laid out for its size) with the drive list focused.
  void Show();
  HWND Window() const { return window_; }
  // A control by its ID (Win32Names.h), wherever it sits in the frames.
  HWND Control(int id) const;
  const std::string& FolderPath() const { return main_->Folder(); }
  // Moves the folder list (and with it the file list) to `path`; throws
  // qmr::Error when the folder cannot be listed.
  void SetFolderPath(const std::string& path) { main_->SetFolder(path); }
  // What the window does, whatever the toolkit.
  MainWindow& Logic() { return *main_; }

  // The rebuild run by OK; RebuildTrends unless replaced.
  void SetBatchFunction(TrendBatch::BatchFunction batch) { main_->SetBatchFunction(std::move(batch)); }
  // True while OK's batch is running (pausing between trends included).
  bool Busy() const { return main_->Busy(); }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void CreateControls();
  void OnCommand(int id, int code, HWND control);

  // MainWindowView: the platform's folders and the controls.
  std::vector<std::string> MachineDrives() override { return win32::MachineDrives(); }
  OpenableFolder WorkingFolder() override { return win32::WorkingFolder(); }
  std::string DriveOf(const std::string& folder) override { return win32::DriveOf(folder); }
  OpenableFolder Openable(const std::string& path) override { return win32::Openable(path); }
  std::vector<ListedEntry> ListFolder(const std::string& folder) override { return win32::ListFolder(folder); }
  void ShowDrives(const std::vector<std::string>& drives, std::size_t current) override;
  void ShowFolders(const std::vector<FolderLine>& lines, std::size_t current) override;
  void ShowFiles(const std::vector<std::string>& names) override { files_.Show(names); }
  std::vector<std::size_t> SelectedFiles() override { return SelectedRows(files_.Window()); }
  bool CanArrange() override;
  Resolution ScreenResolution() override;
  int ClientWidth() override;
  int ClientHeight() override;
  void RaiseToMinimum(const OuterSize& outer) override;
  PixelRect ControlBox(MainControl control) override;
  void Place(const std::vector<Placement>& placements) override;

  // Makes the control of `row` in `frame`.
  HWND Make(const MainControlRow& row, HWND frame);
  HWND Handle(MainControl control) const { return controls_[static_cast<std::size_t>(control)]; }

  Win32Services& services_;
  std::unique_ptr<MainWindow> main_;
  HWND window_ = nullptr;
  std::array<HWND, kMainControlCount> controls_{};
  DriveList drives_;
  FolderList folders_;
  FileList files_;
  HWND focus_ = nullptr;  // the control that had the focus when the window was left
};

}  // namespace qmr::win32
