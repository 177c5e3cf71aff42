#include "forms/win32/PathLists.h"

#include <algorithm>
#include <cctype>
#include <cwctype>
#include <optional>

#include "tools/AnsiNames.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"

namespace qmr::win32 {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// The entries of `folder`, as FindFirstFileW reports them: the ANSI search
// would give a name without an exact form in the code page as a look-alike.
// Returns false with `error` set when the folder cannot be listed.
bool FindEntries(const std::string& folder, std::vector<WIN32_FIND_DATAW>& entries, DWORD& error) {
  std::wstring pattern = WideFromAnsi(folder);
  pattern += !pattern.empty() && pattern.back() == L'\\' ? L"*" : L"\\*";
  WIN32_FIND_DATAW data;
  HANDLE search = FindFirstFileW(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES;  // nothing matches
  }
  do entries.push_back(data);
  while (FindNextFileW(search, &data));
  FindClose(search);
  return true;
}

// A path the ANSI code page could not hold reaches us with "?" in its place,
// a character no Windows file name has.
bool HasAnsiForm(const std::string& name) { return name.find('?') == std::string::npos; }

std::string Utf8FromWide(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(std::max(size, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), size, nullptr, nullptr);
  return text;
}

std::wstring WideFromUtf8(std::string_view text) {
  if (text.empty()) return {};
  const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(size, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
  return wide;
}

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

void FillList(HWND list, const std::vector<std::wstring>& texts) {
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  SendMessageA(list, LB_RESETCONTENT, 0, 0);
  for (const std::wstring& text : texts) SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
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
  lines_.clear();
  for (const FolderLine& line : lines) lines_.push_back({line.depth, line.open, ShownName(line)});
  std::vector<std::wstring> names;
  for (const Line& line : lines_) names.push_back(line.name);
  FillList(list_, names);
  SendMessageA(list_, LB_SETCURSEL, static_cast<WPARAM>(current), 0);
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

void FolderList::Draw(const DRAWITEMSTRUCT& item) const {
  if (item.itemID >= lines_.size()) return;
  const Line& folder = lines_[item.itemID];
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
  // A name wider than the list ends in an ellipsis.
  DrawTextW(dc, folder.name.c_str(), static_cast<int>(folder.name.size()), &text,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_LEFT | DT_END_ELLIPSIS);
  if (item.itemState & ODS_FOCUS) DrawFocusRect(dc, &box);
}

void FileList::Show(const std::vector<std::string>& names) {
  shown_.clear();
  for (const std::string& name : names) shown_.push_back(WideFromUtf8(name));
  FillList(list_, shown_);
  FitWidth();
  SendMessageA(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
}

void FileList::FitWidth() {
  // A name wider than the list scrolls sideways rather than being cut.
  HDC dc = GetDC(list_);
  const HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list_, WM_GETFONT, 0, 0)));
  int widest = 0;
  for (const std::wstring& name : shown_) {
    SIZE size{};
    GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &size);
    widest = std::max(widest, static_cast<int>(size.cx));
  }
  SelectObject(dc, previous);
  ReleaseDC(list_, dc);
  SendMessageA(list_, LB_SETHORIZONTALEXTENT, widest > 0 ? widest + 4 : 0, 0);
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

std::string DriveOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
    return Lower(path.substr(0, 2));
  return {};
}

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
  // Read wide: the ANSI form of a path without one would be a look-alike
  // ("Lodz" for "Łódź") that passes for exact.
  wchar_t folder[MAX_PATH * 2] = {};
  GetCurrentDirectoryW(MAX_PATH * 2, folder);
  std::wstring path = folder;
  if (path.size() >= 2 && path[1] == L':') path[0] = static_cast<wchar_t>(std::towupper(path[0]));
  const std::optional<std::string> exact = ExactAnsi(path);
  return {exact ? *exact : ShownAnsi(path), exact.has_value()};
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
  std::vector<WIN32_FIND_DATAW> entries;
  DWORD error = 0;
  if (!FindEntries(absolute, entries, error)) ThrowWindowsError(error, absolute, ErrorCode::PermissionDenied);
  return {absolute, HasAnsiForm(absolute)};
}

std::vector<ListedEntry> ListFolder(const std::string& folder) {
  std::vector<ListedEntry> listed;
  std::vector<WIN32_FIND_DATAW> entries;
  DWORD error = 0;
  if (folder.empty() || !FindEntries(folder, entries, error)) return listed;
  for (const WIN32_FIND_DATAW& entry : entries) {
    const std::wstring_view name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    ListedEntry item;
    // Named as the core opens files; a name without an exact ANSI form by
    // a stand-in that no file has, and refused when chosen.
    const std::optional<std::string> exact = ExactAnsi(name);
    item.name = exact ? *exact : ShownAnsi(name);
    item.exact = exact.has_value();
    if (!exact) item.inexact = FirstCharacterWithoutAnsiForm(name);
    item.shown = Utf8FromWide(name);
    item.folder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    item.hidden = (entry.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
    item.system = (entry.dwFileAttributes & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE)) != 0;
    listed.push_back(std::move(item));
  }
  return listed;
}

std::wstring ShownName(const FolderLine& line) {
  return line.shown.empty() ? WideFromAnsi(line.name) : WideFromUtf8(line.shown);
}

}  // namespace qmr::win32
