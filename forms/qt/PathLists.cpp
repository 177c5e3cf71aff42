#include "forms/qt/PathLists.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QSignalBlocker>
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

QString Shown(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }
std::string NameBytes(const QString& text) { return QFile::encodeName(text).toStdString(); }
// False when `text` has no exact form in the file system's encoding.
bool Exact(const QString& text) { return QFile::decodeName(QFile::encodeName(text)) == text; }

#ifdef _WIN32
QString DriveOfPath(const QString& path) { return path.left(2).toLower(); }
#endif

}  // namespace

DriveList::DriveList(QWidget* parent) : QComboBox(parent) {
  connect(this, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index >= 0) emit driveChosen(index);
  });
}

void DriveList::show(const std::vector<std::string>& drives, std::size_t current) {
  const QSignalBlocker quiet(this);
  clear();
  for (const std::string& drive : drives) addItem(Shown(drive));
  setCurrentIndex(static_cast<int>(current));
}

FolderList::FolderList(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(false);
  setIndentation(10);
  setExpandsOnDoubleClick(false);
  setItemsExpandable(false);
  connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) { openItem(item); });
}

void FolderList::show(const std::vector<FolderLine>& lines, std::size_t current) {
  clear();
  const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
  std::vector<QTreeWidgetItem*> atDepth;  // the last item of each depth
  QTreeWidgetItem* currentItem = nullptr;
  for (std::size_t index = 0; index < lines.size(); ++index) {
    const FolderLine& line = lines[index];
    const auto depth = static_cast<std::size_t>(line.depth);
    QTreeWidgetItem* parent = depth > 0 && depth <= atDepth.size() ? atDepth[depth - 1] : nullptr;
    auto* item =
        parent ? new QTreeWidgetItem(parent, {Shown(line.name)}) : new QTreeWidgetItem(this, {Shown(line.name)});
    item->setData(0, Qt::UserRole, static_cast<int>(index));
    item->setIcon(0, line.open ? openIcon : closedIcon);
    atDepth.resize(depth + 1);
    atDepth[depth] = item;
    if (index == current) currentItem = item;
  }
  expandAll();
  setCurrentItem(currentItem);
  scrollToItem(currentItem);
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
  if (item) emit folderOpened(item->data(0, Qt::UserRole).toInt());
}

FileList::FileList(QWidget* parent) : QListWidget(parent) { setSelectionMode(QAbstractItemView::ExtendedSelection); }

void FileList::show(const std::vector<std::string>& names) {
  clear();
  for (const std::string& name : names) addItem(Shown(name));
}

std::vector<std::size_t> SelectedRows(const QListWidget& list) {
  std::vector<std::size_t> rows;
  for (int row = 0; row < list.count(); ++row) {
    if (list.item(row)->isSelected()) rows.push_back(static_cast<std::size_t>(row));
  }
  return rows;
}

QStringList GetSelectedItems(const QListWidget& list) {
  QStringList texts;
  for (std::size_t row : SelectedRows(list)) texts << list.item(static_cast<int>(row))->text();
  return texts;
}

namespace qtfolders {

std::vector<std::string> MachineDrives() {
  QStringList drives;
#ifdef _WIN32
  for (const QFileInfo& root : QDir::drives()) drives << DriveOfPath(root.absoluteFilePath());
#else
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    const QString root = volume.rootPath();
    // Files mounted over files (as containers do) are no drives.
    if (volume.isValid() && volume.isReady() && QFileInfo(root).isDir() && !drives.contains(root)) drives << root;
  }
  std::sort(drives.begin(), drives.end());  // "/" sorts first of all absolute paths
#endif
  std::vector<std::string> result;
  for (const QString& drive : drives) result.push_back(NameBytes(drive));
  return result;
}

OpenableFolder WorkingFolder() {
  const QString path = QDir::toNativeSeparators(QDir::cleanPath(QDir::currentPath()));
  return {NameBytes(path), Exact(path)};
}

std::string DriveOf(const std::string& folder) {
#ifdef _WIN32
  return NameBytes(DriveOfPath(Shown(folder)));
#else
  return NameBytes(QStorageInfo(QDir::fromNativeSeparators(Shown(folder))).rootPath());
#endif
}

OpenableFolder Openable(const std::string& path) {
  QString target = Shown(path);
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
  const QString native = QDir::toNativeSeparators(absolute);
  return {NameBytes(native), Exact(native)};
}

std::vector<ListedEntry> ListFolder(const std::string& folder) {
  std::vector<ListedEntry> entries;
  if (folder.empty()) return entries;
  const QDir dir(QDir::fromNativeSeparators(Shown(folder)));
  for (const QFileInfo& info :
       dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
    const QString name = info.fileName();
    ListedEntry entry;
    entry.name = NameBytes(name);
    entry.folder = info.isDir();
    entry.hidden = info.isHidden();
    // Devices, pipes, sockets and links that lead nowhere: neither file nor folder.
    entry.system = !info.isDir() && !info.isFile();
    entry.exact = Exact(name);
    entries.push_back(std::move(entry));
  }
  return entries;
}

}  // namespace qtfolders

}  // namespace qmr
