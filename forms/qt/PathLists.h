// The three chained lists of the main window: the machine's drives, the
// folders of the current drive, and the trend files of the current folder.
#pragma once

#include <QComboBox>
#include <QListWidget>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

namespace qmr {

// Drop-down of the drives: on Windows the drive letters ("c:"), elsewhere the
// root folders of the mounted volumes, "/" first. Starts at the drive of the
// working folder.
class DriveList : public QComboBox {
  Q_OBJECT
 public:
  explicit DriveList(QWidget* parent = nullptr);

  // The current drive, as a text the folder list accepts as a path.
  QString drive() const;
  // Selects the drive named `text` (case ignored on Windows); throws
  // qmr::Error when the machine has no such drive.
  void setDrive(const QString& text);

 signals:
  // The current drive changed, by the user or by setDrive.
  void driveChanged();
};

// Tree of the current drive's folders: the folders from the root down to the
// current one, and the current one's subfolders. Opening a folder (double
// click, or Enter) makes it current.
class FolderList : public QTreeWidget {
  Q_OBJECT
 public:
  explicit FolderList(QWidget* parent = nullptr);

  // The current folder: absolute, native separators, no trailing separator
  // except at a drive's root.
  QString path() const { return path_; }
  // Makes `path` current (relative paths against the working folder; on
  // Windows a bare "x:" names that drive's current folder). Throws
  // qmr::Error (76 path not found, 70 permission denied) and stays where it
  // was when the folder cannot be listed.
  void setPath(const QString& path);

 signals:
  void pathChanged(const QString& path);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  // The tree is always open down to the current folder: no expand arrows.
  void drawBranches(QPainter*, const QRect&, const QModelIndex&) const override {}

 private:
  void fill();
  void openItem(QTreeWidgetItem* item);

  QString path_;
};

// The names of the current folder's ordinary files matching the pattern,
// sorted by name, with extended multiple selection.
class FileList : public QListWidget {
  Q_OBJECT
 public:
  explicit FileList(QWidget* parent = nullptr);

  QString pattern() const { return pattern_; }
  void setPattern(const QString& pattern);
  QString folder() const { return folder_; }
  // Shows the files of `folder`; a folder that cannot be read shows none.
  void setFolder(const QString& folder);
  // Lists the folder again (files may have come or gone).
  void refresh();

 private:
  QString pattern_ = "*.000";
  QString folder_;
};

// The texts of the selected items of `list`, in list order (whatever the
// order in which they were clicked). Empty when nothing is selected.
QStringList GetSelectedItems(const QListWidget& list);

}  // namespace qmr
