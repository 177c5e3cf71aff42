// The main window: drive, folder and file lists to pick trends by their first
// data file, and OK (rebuild the selection), Close and Help.
//
// While a batch runs, its pause before each trend lets the window answer the
// user: a second OK is ignored (the running batch goes on), Help opens the
// help window, and Close (or the frame's close box) ends the program in that
// pause, between two trends, never while a master file is being written.
#pragma once

#include <QDialog>
#include <array>
#include <memory>

#include "forms/MainWindow.h"

namespace qmr {

class DriveList;
class FileList;
class FolderList;
class QtServices;

class frmQMRRebuilder : public QDialog, public MainWindowView {
  Q_OBJECT
 public:
  explicit frmQMRRebuilder(QtServices& services, QWidget* parent = nullptr);

  // The start-up step: drive "c:", folder "c:\quorax\data", each failure ignored.
  void load() { main_->Load(); }
  // What the window does, whatever the toolkit.
  MainWindow& logic() { return *main_; }
  // The rebuild run by OK; RebuildTrends unless replaced.
  void setBatchFunction(TrendBatch::BatchFunction batch) { main_->SetBatchFunction(std::move(batch)); }
  // True while OK's batch is running (pausing between trends included).
  bool busy() const { return main_->Busy(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  // The frame's close box ends the program like Close does.
  void closeEvent(QCloseEvent* event) override;
  // The window has no cancel button: Escape does nothing.
  void reject() override {}

 private:
  // MainWindowView: the platform's folders as Qt reads them, and the widgets.
  std::vector<std::string> MachineDrives() override;
  OpenableFolder WorkingFolder() override;
  std::string DriveOf(const std::string& folder) override;
  OpenableFolder Openable(const std::string& path) override;
  std::vector<ListedEntry> ListFolder(const std::string& folder) override;
  void ShowDrives(const std::vector<std::string>& drives, std::size_t current) override;
  void ShowFolders(const std::vector<FolderLine>& lines, std::size_t current) override;
  void ShowFiles(const std::vector<std::string>& names) override;
  std::vector<std::size_t> SelectedFiles() override;
  bool CanArrange() override;
  Resolution ScreenResolution() override;
  int ClientWidth() override { return width(); }
  int ClientHeight() override { return height(); }
  void RaiseToMinimum(const OuterSize& outer) override;
  PixelRect ControlBox(MainControl control) override;
  void Place(const std::vector<Placement>& placements) override;

  // Makes the widget of `row` in `frame`.
  QWidget* Make(const MainControlRow& row, QWidget* frame);
  QWidget* Widget(MainControl control) const { return controls_[static_cast<std::size_t>(control)]; }

  QtServices& services_;
  std::unique_ptr<MainWindow> main_;
  std::array<QWidget*, kMainControlCount> controls_{};
  DriveList* drives_ = nullptr;
  FolderList* folders_ = nullptr;
  FileList* files_ = nullptr;
};

}  // namespace qmr
