#include "tools/FolderListing.h"

#include <cerrno>
#include <optional>
#include <string_view>

#include "tools/AnsiNames.h"
#include "tools/Errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include "tools/FolderHandle.h"
#endif

namespace qmr {

namespace {

#ifndef _WIN32

FolderEntry::Kind KindOf(const FolderHandle& folder, const char* name, unsigned char type) {
  struct stat info {};
  // A link to a folder is not walked into, so the folder is asked about the
  // entry itself first; a link to a file counts as the file (whether the
  // rebuild may follow it is decided when it is read).
  if (type == DT_DIR) return FolderEntry::Kind::Folder;
  if (type == DT_UNKNOWN || type == DT_LNK) {
    if (fstatat(folder.fd(), name, &info, AT_SYMLINK_NOFOLLOW) != 0) return FolderEntry::Kind::Other;
    if (S_ISDIR(info.st_mode)) return FolderEntry::Kind::Folder;
    if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) return FolderEntry::Kind::Other;
    if (S_ISLNK(info.st_mode) && (fstatat(folder.fd(), name, &info, 0) != 0 || !S_ISREG(info.st_mode)))
      return FolderEntry::Kind::Other;
  } else if (type != DT_REG) {
    return FolderEntry::Kind::Other;
  }
  return name[0] == '.' ? FolderEntry::Kind::Other : FolderEntry::Kind::OrdinaryFile;
}

#endif

}  // namespace

std::uint64_t ListFolder(const std::string& folder, const std::function<void(const FolderEntry& entry)>& each) {
  std::uint64_t device = 0;
#ifdef _WIN32
  // The wide listing: the ANSI one would give a name without an exact form
  // in the code page as a look-alike of another file's name.
  WIN32_FIND_DATAW found{};
  // "C:" names the drive's current folder, not its root.
  const bool bare = folder.empty() || folder.back() == '\\' || folder.back() == '/' || folder.back() == ':';
  const std::wstring pattern = WideFromAnsi(folder) + (bare ? L"*" : L"\\*");
  const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) ThrowWindowsError(error, folder, ErrorCode::PathNotFound);
  } else {
    FolderEntry listed;
    do {
      const std::wstring_view wide = found.cFileName;
      if (wide == L"." || wide == L"..") continue;
      if (std::optional<std::string> exact = ExactAnsi(wide)) {
        listed.name = std::move(*exact);
        listed.noAnsiForm.clear();
      } else {
        listed.name = ShownAnsi(wide);
        listed.noAnsiForm = FirstCharacterWithoutAnsiForm(wide);
      }
      const DWORD attributes = found.dwFileAttributes;
      listed.kind = FolderEntry::Kind::OrdinaryFile;
      if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        listed.kind = FolderEntry::Kind::Other;  // a link to a folder: never walked into
      else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        listed.kind = FolderEntry::Kind::Folder;
      else if ((attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0)
        listed.kind = FolderEntry::Kind::Other;
      each(listed);
    } while (FindNextFileW(search, &found));
    const DWORD error = GetLastError();
    FindClose(search);
    if (error != ERROR_NO_MORE_FILES) ThrowWindowsError(error, folder, ErrorCode::PathFileAccess);
  }
#else
  const FolderHandle open(folder);
  device = open.identity().device;
  ListFolder(open, each);
#endif
  return device;
}

#ifndef _WIN32
void ListFolder(const FolderHandle& folder, const std::function<void(const FolderEntry& entry)>& each) {
  FolderEntry listed;  // one name buffer for the whole folder
  folder.List([&](const char* name, unsigned char type) {
    listed.name.assign(name);
    listed.kind = KindOf(folder, name, type);
    each(listed);
  });
}
#endif

}  // namespace qmr
