#include "forms/win32/PathLists.h"

#include <algorithm>
#include <cctype>

#include "tools/Errors.h"
#include "tools/FileTools.h"

namespace qmr::win32 {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Names are ordered character code by character code, as everywhere else.
void SortOrdinal(std::vector<std::string>& names) { std::sort(names.begin(), names.end()); }

// "X:" of an absolute drive path, lower case; empty for another path.
std::string DriveOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
    return Lower(path.substr(0, 2));
  return {};
}

// The length of a path's root: "C:\" or "\\server\share".
std::size_t RootLength(const std::string& path) {
  if (path.size() >= 3 && path[1] == ':') return 3;
  if (path.rfind("\\\\", 0) == 0) {
    std::size_t end = path.find('\\', 2);
    if (end != std::string::npos) end = path.find('\\', end + 1);
    return end == std::string::npos ? path.size() : end;
  }
  return std::min<std::size_t>(path.size(), 1);
}

// The entries of `folder` matching `pattern`, as FindFirstFileA reports them.
// Returns false with `error` set when the folder cannot be listed.
bool ListFolder(const std::string& folder, const char* pattern, std::vector<WIN32_FIND_DATAA>& entries, DWORD& error) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(JoinPath(folder, pattern).c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;  // nothing matches
  }
  do entries.push_back(data);
  while (FindNextFileA(search, &data));
  FindClose(search);
  return true;
}

constexpr DWORD kNotShown = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;

void DrawFolderGlyph(HDC dc, int left, int top, int size, bool open) {
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0x8a, 0x6a, 0x1c));
  HBRUSH back = CreateSolidBrush(RGB(0xd9, 0xa8, 0x3a));
  HBRUSH front = CreateSolidBrush(open ? RGB(0xfb, 0xe3, 0x8e) : RGB(0xf3, 0xc8, 0x5a));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HGDIOBJ oldBrush = SelectObject(dc, back);
  const int height = size * 3 / 4;
  const int body = top + (size - height) / 2;
  Rectangle(dc, left, body - size / 8, left + size * 2 / 5, body + 2);  // the tab
  Rectangle(dc, left, body, left + size, body + height);
  SelectObject(dc, front);
  if (open) {
    // The front leaf tilted open.
    const POINT leaf[] = {{left + size / 5, body + height / 3},
                          {left + size + size / 8, body + height / 3},
                          {left + size - 1, body + height - 1},
                          {left, body + height - 1}};
    Polygon(dc, leaf, 4);
  } else {
    Rectangle(dc, left, body + height / 4, left + size, body + height);
  }
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  DeleteObject(front);
  DeleteObject(back);
  DeleteObject(pen);
}

}  // namespace

std::vector<std::string> MachineDrives() {
  std::vector<std::string> drives;
  char buffer[512] = {};
  const DWORD length = GetLogicalDriveStringsA(sizeof(buffer) - 1, buffer);
  if (length == 0 || length >= sizeof(buffer)) return drives;
  for (const char* root = buffer; *root; root += std::char_traits<char>::length(root) + 1) {
    const std::string drive = DriveOf(root);
    if (!drive.empty()) drives.push_back(drive);
  }
  return drives;
}

void DriveList::Attach(HWND combo) {
  combo_ = combo;
  std::vector<std::string> drives = MachineDrives();
  char folder[MAX_PATH * 2] = {};
  GetCurrentDirectoryA(sizeof(folder), folder);
  const std::string start = DriveOf(folder);
  if (!start.empty() && std::find(drives.begin(), drives.end(), start) == drives.end()) drives.push_back(start);
  for (const std::string& drive : drives)
    SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(drive.c_str()));
  const auto found = std::find(drives.begin(), drives.end(), start);
  SendMessageA(combo_, CB_SETCURSEL, found == drives.end() ? 0 : found - drives.begin(), 0);
}

std::string DriveList::Drive() const {
  const LRESULT index = SendMessageA(combo_, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return {};
  const LRESULT length = SendMessageA(combo_, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  SendMessageA(combo_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return text;
}

void DriveList::SetDrive(const std::string& text) {
  const LRESULT count = SendMessageA(combo_, CB_GETCOUNT, 0, 0);
  const LRESULT current = SendMessageA(combo_, CB_GETCURSEL, 0, 0);
  for (LRESULT index = 0; index < count; ++index) {
    char item[16] = {};
    if (SendMessageA(combo_, CB_GETLBTEXTLEN, index, 0) >= static_cast<LRESULT>(sizeof(item))) continue;
    SendMessageA(combo_, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item));
    if (Lower(item) != Lower(text)) continue;
    if (index != current) {
      SendMessageA(combo_, CB_SETCURSEL, index, 0);
      if (changed) changed();
    }
    return;
  }
  throw Error(ErrorCode::PathNotFound, "Drive not found");
}

void FolderList::Attach(HWND list, int itemHeight) {
  list_ = list;
  SendMessageA(list_, LB_SETITEMHEIGHT, 0, itemHeight);
  char folder[MAX_PATH * 2] = {};
  GetCurrentDirectoryA(sizeof(folder), folder);
  path_ = folder;
  if (path_.size() >= 2 && path_[1] == ':')
    path_[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(path_[0])));
  Fill();
}

void FolderList::SetPath(const std::string& path) {
  // GetFullPathName gives a bare "x:" that drive's current folder.
  char full[MAX_PATH * 4];
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof(full), full, nullptr);
  if (length == 0 || length >= sizeof(full)) ThrowWindowsError(GetLastError(), path, ErrorCode::PathNotFound);
  std::string absolute(full, length);
  while (absolute.size() > RootLength(absolute) && absolute.back() == '\\') absolute.pop_back();
  if (absolute.size() >= 2 && absolute[1] == ':') {
    absolute[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(absolute[0])));
    if (absolute.size() == 2) absolute += '\\';
  }
  const DWORD attributes = GetFileAttributesA(absolute.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) ThrowWindowsError(GetLastError(), absolute, ErrorCode::PathNotFound);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) throw Error(ErrorCode::PathNotFound);
  std::vector<WIN32_FIND_DATAA> entries;
  DWORD error = 0;
  if (!ListFolder(absolute, "*", entries, error)) ThrowWindowsError(error, absolute, ErrorCode::PermissionDenied);
  // The folder already open, opened again, is read again: files copied in
  // meanwhile appear.
  path_ = absolute;
  Fill();
  if (changed) changed();
}

void FolderList::Open(int index) {
  if (index < 0 || index >= static_cast<int>(folders_.size())) return;
  try {
    SetPath(folders_[static_cast<std::size_t>(index)].path);
  } catch (const Error&) {
    Fill();  // the folder went away or was closed to us: show what is there now
  }
}

void FolderList::Fill() {
  folders_.clear();
  // From the root down to the current folder, open...
  const std::size_t rootLength = RootLength(path_);
  folders_.push_back({path_.substr(0, rootLength), path_.substr(0, rootLength), 0, true});
  for (std::size_t start = rootLength; start < path_.size();) {
    if (path_[start] == '\\') ++start;
    std::size_t end = path_.find('\\', start);
    if (end == std::string::npos) end = path_.size();
    if (end > start) {
      folders_.push_back(
          {path_.substr(0, end), path_.substr(start, end - start), static_cast<int>(folders_.size()), true});
    }
    start = end;
  }
  const int current = static_cast<int>(folders_.size()) - 1;
  // ...then the current folder's own subfolders, closed.
  std::vector<WIN32_FIND_DATAA> entries;
  DWORD error = 0;
  std::vector<std::string> children;
  if (ListFolder(path_, "*", entries, error)) {
    for (const WIN32_FIND_DATAA& entry : entries) {
      const std::string name = entry.cFileName;
      if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (entry.dwFileAttributes & kNotShown)) continue;
      if (name == "." || name == "..") continue;
      children.push_back(name);
    }
  }
  SortOrdinal(children);
  for (const std::string& child : children) folders_.push_back({JoinPath(path_, child), child, current + 1, false});

  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list_, LB_RESETCONTENT, 0, 0);
  for (const Folder& folder : folders_)
    SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(folder.name.c_str()));
  SendMessageA(list_, LB_SETCURSEL, current, 0);
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

void FolderList::Draw(const DRAWITEMSTRUCT& item) const {
  if (item.itemID >= folders_.size()) return;
  const Folder& folder = folders_[item.itemID];
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  HDC dc = item.hDC;
  RECT box = item.rcItem;
  FillRect(dc, &box, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  const int height = box.bottom - box.top;
  const int glyph = std::max(height - 4, 6);
  const int left = box.left + 2 + folder.depth * (height / 2 + 2);
  DrawFolderGlyph(dc, left, box.top + (height - glyph) / 2, glyph, folder.open);
  RECT text{left + glyph + 4, box.top, box.right, box.bottom};
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  DrawTextA(dc, folder.name.c_str(), static_cast<int>(folder.name.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &box);
}

void FileList::SetFolder(const std::string& folder) {
  folder_ = folder;
  std::vector<WIN32_FIND_DATAA> entries;
  DWORD error = 0;
  std::vector<std::string> names;
  if (!folder.empty() && ListFolder(folder, "*.000", entries, error)) {
    for (const WIN32_FIND_DATAA& entry : entries) {
      // Ordinary files only; the pattern also matches a long name by its
      // short form, so the name itself must end in ".000".
      if (entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | kNotShown)) continue;
      const std::string name = entry.cFileName;
      if (name.size() < 4 || name.compare(name.size() - 4, 4, ".000") != 0) continue;
      names.push_back(name);
    }
  }
  SortOrdinal(names);
  SendMessageA(list_, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list_, LB_RESETCONTENT, 0, 0);
  for (const std::string& name : names) SendMessageA(list_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

std::vector<std::string> GetSelectedItems(HWND list) {
  std::vector<std::string> texts;
  const LRESULT count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
  if (count == LB_ERR || count <= 0) return texts;  // LB_ERR: a list without multiple selection
  std::vector<int> positions(static_cast<std::size_t>(count));
  const LRESULT got = SendMessageA(list, LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(positions.data()));
  if (got == LB_ERR) return texts;
  positions.resize(static_cast<std::size_t>(got));
  std::sort(positions.begin(), positions.end());  // ascending list order
  for (int position : positions) {
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, position, 0);
    if (length == LB_ERR) continue;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, position, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    texts.push_back(text);
  }
  return texts;
}

}  // namespace qmr::win32
