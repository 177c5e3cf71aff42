// The main window: drive, folder and file lists to pick trends by their first
// data file, and OK (rebuild the selection), Close and Help.
//
// While a batch runs, its pause before each trend lets the window answer the
// user: a second OK is ignored (the running batch goes on), Help opens the
// help window, and Close (or the frame's close box) ends the program in that
// pause, between two trends, never while a master file is being written.
#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "tools/Errors.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace qmr {

class DriveList;
class FileList;
class FolderList;
class QtServices;
class Services;

// The warning shown when a drive cannot be read: "Error 76 Path not found".
QString DriveErrorText(const Error& error);

class frmQMRRebuilder : public QDialog {
  Q_OBJECT
 public:
  // The rebuild run by OK; RebuildTrends unless replaced.
  using BatchFunction =
      std::function<void(const std::string& folder, const std::vector<std::string>& names, Services& services)>;

  explicit frmQMRRebuilder(QtServices& services, QWidget* parent = nullptr);

  // The start-up step: drive "c:", folder "c:\quorax\data", each failure ignored.
  void Load();
  void setBatchFunction(BatchFunction batch) { batch_ = std::move(batch); }
  // True while OK's batch is running (pausing between trends included).
  bool busy() const { return busy_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  // The frame's close box ends the program like Close does.
  void closeEvent(QCloseEvent* event) override;
  // The window has no cancel button: Escape does nothing.
  void reject() override {}

 private:
  void OnDriveChanged();
  void OnFolderChanged();
  void OnOK();
  void Arrange();
  void SizePathLists(double pathWidth, double folderHeight);

  QtServices& services_;
  BatchFunction batch_;
  bool busy_ = false;
  QGroupBox* trendLocation_ = nullptr;
  QWidget* path_ = nullptr;
  DriveList* drives_ = nullptr;
  FolderList* folders_ = nullptr;
  FileList* files_ = nullptr;
  QLabel* multiSelect_ = nullptr;
  QWidget* buttons_ = nullptr;
};

}  // namespace qmr
