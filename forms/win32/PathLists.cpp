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

// The entries of `folder`, as FindFirstFileA reports them. Returns false with
// `error` set when the folder cannot be listed.
bool FindEntries(const std::string& folder, std::vector<WIN32_FIND_DATAA>& entries, DWORD& error) {
  const std::string pattern = folder + (!folder.empty() && folder.back() == '\\' ? "*" : "\\*");
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;  // nothing matches
  }
  do entries.push_back(data);
  while (FindNextFileA(search, &data));
  FindClose(search);
  return true;
}

// A name the ANSI code page could not hold reaches us with "?" in its place,
// a character no Windows file name has.
bool HasAnsiForm(const std::string& name) { return name.find('?') == std::string::npos; }

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

void FillList(HWND list, const std::vector<std::string>& texts) {
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const std::string& text : texts) SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

}  // namespace

void DriveList::Show(const std::vector<std::string>& drives, std::size_t current) {
  SendMessageA(combo_, CB_RESETCONTENT, 0, 0);
  for (const std::string& drive : drives)
    SendMessageA(combo_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(drive.c_str()));
  SendMessageA(combo_, CB_SETCURSEL, static_cast<WPARAM>(current), 0);
}

void FolderList::Attach(HWND list, int itemHeight) {
  list_ = list;
  SendMessageA(list_, LB_SETITEMHEIGHT, 0, itemHeight);
}

void FolderList::Show(const std::vector<FolderLine>& lines, std::size_t current) {
  lines_ = lines;
  std::vector<std::string> names;
  for (const FolderLine& line : lines_) names.push_back(line.name);
  FillList(list_, names);
  SendMessageA(list_, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

void FolderList::Draw(const DRAWITEMSTRUCT& item) const {
  if (item.itemID >= lines_.size()) return;
  const FolderLine& folder = lines_[item.itemID];
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

void FileList::Show(const std::vector<std::string>& names) {
  FillList(list_, names);
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

std::vector<std::size_t> SelectedRows(HWND list) {
  std::vector<std::size_t> rows;
  const LRESULT count = SendMessageA(list, LB_GETSELCOUNT, 0, 0);
  if (count == LB_ERR || count <= 0) return rows;  // LB_ERR: a list without multiple selection
  std::vector<int> positions(static_cast<std::size_t>(count));
  const LRESULT got = SendMessageA(list, LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(positions.data()));
  if (got == LB_ERR) return rows;
  positions.resize(static_cast<std::size_t>(got));
  std::sort(positions.begin(), positions.end());  // ascending list order
  for (int position : positions) rows.push_back(static_cast<std::size_t>(position));
  return rows;
}

std::vector<std::string> GetSelectedItems(HWND list) {
  std::vector<std::string> texts;
  for (std::size_t row : SelectedRows(list)) {
    const LRESULT length = SendMessageA(list, LB_GETTEXTLEN, row, 0);
    if (length == LB_ERR) continue;
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    texts.push_back(text);
  }
  return texts;
}

std::string DriveOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
    return Lower(path.substr(0, 2));
  return {};
}

bool SameDrive(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

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

OpenableFolder WorkingFolder() {
  char folder[MAX_PATH * 2] = {};
  GetCurrentDirectoryA(sizeof(folder), folder);
  std::string path = folder;
  if (path.size() >= 2 && path[1] == ':')
    path[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
  return {path, HasAnsiForm(path)};
}

OpenableFolder Openable(const std::string& path) {
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
  if (!FindEntries(absolute, entries, error)) ThrowWindowsError(error, absolute, ErrorCode::PermissionDenied);
  return {absolute, HasAnsiForm(absolute)};
}

std::vector<ListedEntry> ListFolder(const std::string& folder) {
  std::vector<ListedEntry> listed;
  std::vector<WIN32_FIND_DATAA> entries;
  DWORD error = 0;
  if (folder.empty() || !FindEntries(folder, entries, error)) return listed;
  for (const WIN32_FIND_DATAA& entry : entries) {
    ListedEntry item;
    item.name = entry.cFileName;
    if (item.name == "." || item.name == "..") continue;
    item.folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.hidden = (entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    item.system = (entry.dwFileAttributes & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE)) != 0;
    item.exact = HasAnsiForm(item.name);
    listed.push_back(std::move(item));
  }
  return listed;
}

}  // namespace qmr::win32
