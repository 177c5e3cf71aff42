// The main window: drive, folder and file lists to pick trends by their first
// data file, and OK (rebuild the selection), Close and Help.
//
// While a batch runs, its pause before each trend lets the window answer the
// user: a second OK is ignored (the running batch goes on), Help opens the
// help window, and Close (or the frame's close box) ends the program in that
// pause, between two trends, never while a master file is being written.
#pragma once

#include <QDialog>

#include "forms/TrendBatch.h"

class QGroupBox;
class QLabel;

namespace qmr {

class DriveList;
class FileList;
class FolderList;
class QtServices;

class frmQMRRebuilder : public QDialog {
  Q_OBJECT
 public:
  explicit frmQMRRebuilder(QtServices& services, QWidget* parent = nullptr);

  // The start-up step: drive "c:", folder "c:\quorax\data", each failure ignored.
  void load();
  // The rebuild run by OK; RebuildTrends unless replaced.
  void setBatchFunction(TrendBatch::BatchFunction batch) { batch_.SetBatchFunction(std::move(batch)); }
  // True while OK's batch is running (pausing between trends included).
  bool busy() const { return batch_.Busy(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  // The frame's close box ends the program like Close does.
  void closeEvent(QCloseEvent* event) override;
  // The window has no cancel button: Escape does nothing.
  void reject() override {}

 private:
  void onDriveChanged();
  void onFolderChanged();
  void onOK();
  void arrange();
  // Fits the drive list and the folder list into the path frame (the name
  // the layout rule gives this step).
  void SizePathLists(double pathWidth, double folderHeight);

  QtServices& services_;
  TrendBatch batch_;
  QGroupBox* trendLocation_ = nullptr;
  QWidget* path_ = nullptr;
  DriveList* drives_ = nullptr;
  FolderList* folders_ = nullptr;
  FileList* files_ = nullptr;
  QLabel* multiSelect_ = nullptr;
  QWidget* buttons_ = nullptr;
};

}  // namespace qmr
