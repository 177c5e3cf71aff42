// The three chained lists of the main window (the machine's drives, the
// folder chain of the current drive, the trend files of the current folder)
// as Qt widgets that only show what the window's logic gives them, and the
// platform's folders as Qt reads them.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "forms/MainWindow.h"

namespace qmr {

// Drop-down of the drives.
class DriveList : public QComboBox {
  Q_OBJECT
 public:
  explicit DriveList(QWidget* parent = nullptr);

  // Shows `drives` with `current` selected, without telling of a change.
  void show(const std::vector<std::string>& drives, std::size_t current);
  // The current drive, as shown.
  QString drive() const { return currentText(); }

 signals:
  // The user chose the drive at `index`.
  void driveChosen(int index);
};

// Tree of folder lines: the folders from the root down to the current one,
// and the current one's subfolders. Opening a line (double click, or Enter)
// tells its index.
class FolderList : public QTreeWidget {
  Q_OBJECT
 public:
  explicit FolderList(QWidget* parent = nullptr);

  void show(const std::vector<FolderLine>& lines, std::size_t current);

 signals:
  void folderOpened(int line);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // The tree is always open down to the current folder: no expand arrows.
  void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

 private:
  void openItem(QTreeWidgetItem* item);
};

// The names of the trend files, with extended multiple selection.
class FileList : public QListWidget {
  Q_OBJECT
 public:
  explicit FileList(QWidget* parent = nullptr);

  void show(const std::vector<std::string>& names);
};

// The rows of the selected items of `list`, in list order (whatever the
// order in which they were clicked).
std::vector<std::size_t> SelectedRows(const QListWidget& list);
// The texts of the selected items of `list`, in list order.
QStringList GetSelectedItems(const QListWidget& list);

// The platform's folders as Qt reads them, for the main window's logic.
namespace qtfolders {
// Windows: the drive letters ("c:"); elsewhere the root folders of the
// mounted volumes, "/" first.
std::vector<std::string> MachineDrives();
OpenableFolder WorkingFolder();
std::string DriveOf(const std::string& folder);
OpenableFolder Openable(const std::string& path);
std::vector<ListedEntry> ListFolder(const std::string& folder);
}  // namespace qtfolders

}  // namespace qmr
