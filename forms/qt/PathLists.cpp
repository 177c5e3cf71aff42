#include "forms/qt/PathLists.h"

#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QStorageInfo>
#include <QStyle>
#include <algorithm>

#ifdef _WIN32
#include <direct.h>
#include <cwchar>
#endif

#include "tools/Errors.h"

namespace qmr {

namespace {

// Names are ordered character code by character code, as everywhere else.
void SortOrdinal(QStringList& names) { std::sort(names.begin(), names.end()); }

#ifdef _WIN32
QString DriveOf(const QString& path) { return path.left(2).toLower(); }
#endif

QStringList MachineDrives() {
  QStringList drives;
#ifdef _WIN32
  for (const QFileInfo& root : QDir::drives()) drives << DriveOf(root.absoluteFilePath());
#else
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = volume.rootPath();
    // Files mounted over files (as containers do) are no drives.
    if (volume.isValid() && volume.isReady() && QFileInfo(root).isDir() && !drives.contains(root)) drives << root;
  }
  SortOrdinal(drives);  // "/" sorts first of all absolute paths
#endif
  return drives;
}

QString DriveOfWorkingFolder() {
#ifdef _WIN32
  return DriveOf(QDir::currentPath());
#else
  return QStorageInfo(QDir::currentPath()).rootPath();
#endif
}

}  // namespace

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
  QStringList drives = MachineDrives();
  const QString start = DriveOfWorkingFolder();
  if (!start.isEmpty() && !drives.contains(start)) drives << start;
  addItems(drives);
  setCurrentIndex(std::max<int>(0, static_cast<int>(drives.indexOf(start))));
  connect(this, &QComboBox::currentIndexChanged, this, [this] { emit driveChanged(); });
}

QString DriveList::drive() const { return currentText(); }

void DriveList::setDrive(const QString& text) {
#ifdef _WIN32
  const int index = findText(text, Qt::MatchFixedString);  // case ignored
#else
  const int index = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
#endif
  if (index < 0) throw Error(ErrorCode::PathNotFound, "Drive not found");
  setCurrentIndex(index);
}

FolderList::FolderList(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(false);
  setIndentation(10);
  setExpandsOnDoubleClick(false);
  setItemsExpandable(false);
  connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { openItem(item); });
  path_ = QDir::toNativeSeparators(QDir::cleanPath(QDir::currentPath()));
  fill();
}

void FolderList::setPath(const QString& path) {
  QString target = path;
#ifdef _WIN32
  // A bare drive names that drive's current folder.
  if (target.size() == 2 && target[1] == ':') {
    wchar_t folder[4096];
    const int drive = target[0].toUpper().unicode() - 'A' + 1;
    if (drive < 1 || drive > 26 || !_wgetdcwd(drive, folder, 4096)) throw Error(ErrorCode::PathNotFound);
    target = QString::fromWCharArray(folder);
  }
  target = QDir::fromNativeSeparators(target);
#endif
  const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(target));
  const QFileInfo info(absolute);
  if (!info.isDir()) throw Error(ErrorCode::PathNotFound);
  if (!info.isReadable() || !info.isExecutable()) throw Error(ErrorCode::PermissionDenied);
  // The folder already open, opened again, is read again: folders and trend
  // files copied in meanwhile appear.
  path_ = QDir::toNativeSeparators(absolute);
  fill();
  emit pathChanged(path_);
}

void FolderList::keyPressEvent(QKeyEvent* event) {
  // Enter opens the folder here rather than pressing the window's default button.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    openItem(currentItem());
    event->accept();
    return;
  }
  QTreeWidget::keyPressEvent(event);
}

void FolderList::openItem(QTreeWidgetItem* item) {
  if (!item) return;
  try {
    setPath(item->data(0, Qt::UserRole).toString());
  } catch (const Error&) {
    fill();  // the folder went away or was closed to us: show what is there now
  }
}

void FolderList::fill() {
  clear();
  const QString absolute = QDir::fromNativeSeparators(path_);
  QStringList chain;  // from the root down to the current folder
  for (QString folder = absolute;;) {
    chain.prepend(folder);
    const QString parent = QFileInfo(folder).absolutePath();
    if (parent == folder || QDir(folder).isRoot()) break;
    folder = parent;
  }
  const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
  QTreeWidgetItem* parentItem = nullptr;
  for (const QString& folder : chain) {
    const QString name = parentItem ? QFileInfo(folder).fileName() : QDir::toNativeSeparators(folder);
    auto* item = parentItem ? new QTreeWidgetItem(parentItem, {name}) : new QTreeWidgetItem(this, {name});
    item->setData(0, Qt::UserRole, folder);
    item->setIcon(0, openIcon);
    parentItem = item;
  }
  QStringList children = QDir(absolute).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  SortOrdinal(children);
  for (const QString& child : children) {
    auto* item = new QTreeWidgetItem(parentItem, {child});
    item->setData(0, Qt::UserRole, QDir(absolute).absoluteFilePath(child));
    item->setIcon(0, closedIcon);
  }
  expandAll();
  setCurrentItem(parentItem);
  scrollToItem(parentItem);
}

FileList::FileList(QWidget* parent) : QListWidget(parent) { setSelectionMode(QAbstractItemView::ExtendedSelection); }

void FileList::setPattern(const QString& pattern) {
  pattern_ = pattern;
  refresh();
}

void FileList::setFolder(const QString& folder) {
  folder_ = folder;
  refresh();
}

void FileList::refresh() {
  clear();
  if (folder_.isEmpty()) return;
  // Ordinary files only: no folders, no hidden or system files, no devices.
  QStringList names = QDir(QDir::fromNativeSeparators(folder_)).entryList({pattern_}, QDir::Files);
  SortOrdinal(names);
  addItems(names);
}

QStringList GetSelectedItems(const QListWidget& list) {
  QStringList texts;
  for (int row = 0; row < list.count(); ++row) {
    const QListWidgetItem* item = list.item(row);
    if (item->isSelected()) texts << item->text();
  }
  return texts;
}

}  // namespace qmr
