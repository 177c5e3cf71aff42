#include "forms/MainWindow.h"

#include <algorithm>
#include <cctype>

#include "forms/FormTexts.h"
#include "tools/AnsiNames.h"
#include "tools/Errors.h"
#include "tools/PathParts.h"

namespace qmr {

namespace {

// `folder` and `name` with one separator between them (none added after a root).
std::string Joined(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == kPathSeparator) return folder + name;
  return folder + kPathSeparator + name;
}

// True when `a` and `b` name the same drive: on Windows "C:" is "c:".
bool SameDrive(const std::string& a, const std::string& b) {
#ifdef _WIN32
  const auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return lower(x) == lower(y); });
#else
  return a == b;
#endif
}

}  // namespace

std::size_t RootLength(const std::string& path) {
#ifdef _WIN32
  if (path.size() >= 3 && path[1] == ':') return 3;
  if (path.size() == 2 && path[1] == ':') return 2;
  if (path.rfind("\\\\", 0) == 0) {
    std::size_t end = path.find('\\', 2);
    if (end != std::string::npos) end = path.find('\\', end + 1);
    return end == std::string::npos ? path.size() : end;
  }
#endif
  return std::min<std::size_t>(path.size(), 1);
}

bool IsShownFolder(const ListedEntry& entry) {
  return entry.folder && !entry.hidden && !entry.system && entry.name != "." && entry.name != "..";
}

bool IsTrendFile(const ListedEntry& entry) {
  // The name itself must end in ".000": on Windows the pattern also matches
  // a long name by its short form.
  return !entry.folder && !entry.hidden && !entry.system && entry.name.size() >= 4 &&
         entry.name.compare(entry.name.size() - 4, 4, ".000") == 0;
}

std::vector<FolderLine> FolderChain(const std::string& folder) {
  std::vector<FolderLine> chain;
  const std::size_t rootLength = RootLength(folder);
  chain.push_back({folder.substr(0, rootLength), folder.substr(0, rootLength), 0, true});
  for (std::size_t start = rootLength; start < folder.size();) {
    if (folder[start] == kPathSeparator) ++start;
    std::size_t end = folder.find(kPathSeparator, start);
    if (end == std::string::npos) end = folder.size();
    if (end > start) {
      chain.push_back({folder.substr(0, end), folder.substr(start, end - start), static_cast<int>(chain.size()), true});
    }
    start = end;
  }
  return chain;
}

MainWindow::MainWindow(MainWindowView& view, WindowServices& services) : view_(view), services_(services) {
  drives_ = view_.MachineDrives();
  folder_ = view_.WorkingFolder();
  const std::string start = view_.DriveOf(folder_.path);
  auto found = std::find(drives_.begin(), drives_.end(), start);
  if (!start.empty() && found == drives_.end()) {
    drives_.push_back(start);
    found = drives_.end() - 1;
  }
  drive_ = found == drives_.end() ? 0 : static_cast<std::size_t>(found - drives_.begin());
  view_.ShowDrives(drives_, drive_);
  Fill();
}

void MainWindow::Load() {
  try {
    SetDrive("c:");
  } catch (...) {
  }
  try {
    SetFolder("c:\\quorax\\data");
  } catch (...) {
  }
}

void MainWindow::SetDrive(const std::string& text) {
  for (std::size_t index = 0; index < drives_.size(); ++index) {
    if (!SameDrive(drives_[index], text)) continue;
    if (index != drive_) {
      view_.ShowDrives(drives_, index);
      DriveChosen(index);
    }
    return;
  }
  throw Error(ErrorCode::PathNotFound, "Drive not found");
}

void MainWindow::DriveChosen(std::size_t index) {
  if (index >= drives_.size()) return;
  drive_ = index;
  try {
    SetFolder(drives_[index]);
  } catch (const Error& error) {
    // The drive list keeps the new drive; the folder and file lists stay where they were.
    services_.ShowMessage(ErrorText(error), MessageIcon::Warning);
  }
}

void MainWindow::SetFolder(const std::string& path) {
  // The folder already open, opened again, is read again: folders and trend
  // files copied in meanwhile appear.
  folder_ = view_.Openable(path);
  Fill();
}

void MainWindow::FolderOpened(std::size_t line) {
  if (line >= lines_.size()) return;
  // The core could not name what lies in it: the user is told why it stays closed.
  if (!lines_[line].exact) {
    RefuseInexact(lines_[line].path, lines_[line].inexact, MessageIcon::Warning);
    return;
  }
  try {
    SetFolder(lines_[line].path);
  } catch (const Error&) {
    Fill();  // the folder went away or was closed to us: show what is there now
  }
}

void MainWindow::ReadAgain() {
  try {
    SetFolder(folder_.path);
  } catch (const Error&) {
    // The folder went away: the lists stay as they were.
  }
}

void MainWindow::Fill() {
  std::vector<ListedEntry> subfolders;
  std::vector<ListedEntry> files;
  for (const ListedEntry& entry : view_.ListFolder(folder_.path)) {
    if (IsShownFolder(entry)) subfolders.push_back(entry);
    if (IsTrendFile(entry)) files.push_back(entry);
  }
  // Names are ordered character code by character code, as everywhere else.
  const auto byName = [](const ListedEntry& a, const ListedEntry& b) {
    return a.name != b.name ? a.name < b.name : a.shown < b.shown;
  };
  std::sort(subfolders.begin(), subfolders.end(), byName);
  std::sort(files.begin(), files.end(), byName);

  // From the root down to the current folder, open, then its own subfolders, closed.
  lines_ = FolderChain(folder_.path);
  const std::size_t current = lines_.size() - 1;
  for (const ListedEntry& entry : subfolders) {
    lines_.push_back({Joined(folder_.path, entry.name), entry.name, static_cast<int>(current) + 1, false, entry.shown,
                      entry.exact, entry.inexact});
  }
  files_.clear();
  listedFiles_ = files;
  std::vector<std::string> shown;
  for (const ListedEntry& entry : files) {
    files_.push_back(entry.name);
    shown.push_back(entry.shown.empty() ? entry.name : entry.shown);
  }
  view_.ShowFolders(lines_, current);
  view_.ShowFiles(shown);
}

void MainWindow::RefuseInexact(const std::string& shown, const std::string& inexact, MessageIcon icon) {
  services_.ShowMessage(inexact.empty() ? BadNameText(shown) : ErrorText(NoAnsiFormError(shown, inexact)), icon);
}

void MainWindow::OK() {
  if (batch_.Busy()) return;  // the running batch goes on alone
  std::vector<std::string> names;
  for (std::size_t row : view_.SelectedFiles()) {
    if (row >= files_.size()) continue;
    // The core opens files by their byte names; a name without an exact
    // byte form would name another file (a look-alike) or none.
    const ListedEntry& entry = listedFiles_[row];
    if (!entry.exact) {
      RefuseInexact(entry.name, entry.inexact, MessageIcon::Error);
      return;
    }
    names.push_back(files_[row]);
  }
  if (!names.empty() && !folder_.exact) {
    services_.ShowMessage(BadNameText(folder_.path), MessageIcon::Error);
    return;
  }
  batch_.Run(folder_.path, names, services_);
}

void MainWindow::Arrange() {
  if (!view_.CanArrange()) return;  // minimised, or still being built
  const Resolution dpi = view_.ScreenResolution();
  // The minimum holds for the outer size, title bar and borders included.
  const OuterSize minimum = MinimumOuterPixels(view_.ClientWidth(), view_.ClientHeight(), dpi);
  if (minimum.width || minimum.height) view_.RaiseToMinimum(minimum);
  view_.Place(Placements(
      view_.ClientWidth(), view_.ClientHeight(), [this](MainControl control) { return view_.ControlBox(control); },
      dpi));
}

}  // namespace qmr
