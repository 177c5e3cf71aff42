#include "tools/FileTools.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/AnsiNames.h"
#include "tools/Errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qmr {

void AllowManyOpenFiles() {
#ifndef _WIN32
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) != 0 || files.rlim_cur >= files.rlim_max) return;
  files.rlim_cur = files.rlim_max;
  (void)setrlimit(RLIMIT_NOFILE, &files);
#endif
}

#ifdef _WIN32

namespace {

// Closes a directory search on every way out of FileExists.
class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

bool IsOrdinaryFile(const WIN32_FIND_DATAA& found) {
  const DWORD excluded = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return (found.dwFileAttributes & excluded) == 0 && found.cFileName[0] != '\0';
}

bool FindOrdinaryFile(const std::string& path) {
  WIN32_FIND_DATAA found{};
  FindHandle search(FindFirstFileA(path.c_str(), &found));
  if (search.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    // Past MAX_PATH the search finds nothing, whether or not the file is
    // there: a file that is there must not end the run of data files
    // silently.
    if (path.size() >= MAX_PATH && GetFileAttributesW(LongPathForm(path).c_str()) != INVALID_FILE_ATTRIBUTES)
      throw Error(ErrorCode::BadFileName, ErrorFact::PathTooLongHere,
                  {.path = path, .count = path.size(), .limit = MAX_PATH - 1});
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NO_MORE_FILES) return false;
    ThrowWindowsError(error, path, ErrorCode::PathFileAccess);
  }
  // A pattern can match several entries: the first ordinary one counts.
  for (;;) {
    if (IsOrdinaryFile(found)) return true;
    if (!FindNextFileA(search.get(), &found)) {
      const DWORD error = GetLastError();
      if (error == ERROR_NO_MORE_FILES) return false;
      ThrowWindowsError(error, path, ErrorCode::PathFileAccess);
    }
  }
}

}  // namespace

std::string WorkingFolder() { return AbsolutePath("."); }

std::string AbsolutePath(const std::string& path, const std::string& /*workingFolder*/) { return AbsolutePath(path); }

std::string AbsolutePath(const std::string& path) {
  const DWORD needed = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) ThrowWindowsError(GetLastError(), path, ErrorCode::PathFileAccess);
  std::vector<char> buffer(needed + 1);
  const DWORD written = GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
  if (written == 0 || written >= buffer.size()) ThrowWindowsError(GetLastError(), path, ErrorCode::PathFileAccess);
  return std::string(buffer.data(), written);
}

#else  // POSIX

namespace {

bool FindOrdinaryFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    const int error = errno;
    // Nothing there, a folder missing on the way, a dangling link or a link
    // loop: all of them mean that no file is present.
    if (error == ENOENT || error == ENOTDIR || error == ELOOP) return false;
    ThrowFileError(error, path);
  }
  // Folders, pipes, sockets and devices are not ordinary files.
  if (!S_ISREG(info.st_mode)) return false;
  // A name that begins with "." is the hidden file of this platform.
  const std::size_t slash = path.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  return nameStart < path.size() && path[nameStart] != '.';
}

}  // namespace

std::string WorkingFolder() {
  const char* pwd = std::getenv("PWD");
  struct stat named {
  }, actual{};
  if (pwd != nullptr && pwd[0] == '/' && stat(pwd, &named) == 0 && stat(".", &actual) == 0 &&
      named.st_dev == actual.st_dev && named.st_ino == actual.st_ino)
    return pwd;
  std::vector<char> buffer(4096);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE) ThrowFileError(errno, ".");
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

std::string AbsolutePath(const std::string& path) {
  return !path.empty() && path.front() == '/' ? AbsolutePath(path, "/") : AbsolutePath(path, WorkingFolder());
}

std::string AbsolutePath(const std::string& path, const std::string& workingFolder) {
  const std::string full = !path.empty() && path.front() == '/' ? path : workingFolder + "/" + path;
  // Resolve "." and ".." and drop doubled separators by the text alone.
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= full.size()) {
    const std::size_t end = std::min(full.find('/', start), full.size());
    const std::string part = full.substr(start, end - start);
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    start = end + 1;
  }
  std::string result;
  for (const std::string& part : parts) result += "/" + part;
  return result.empty() ? "/" : result;
}

#endif

namespace {
// Set only by tests, on the thread that rebuilds.
FileExistsHook fileExistsHook;
}  // namespace

bool FileExists(const std::string& path) {
  // The system would look for the text before the NUL: another file.
  if (path.find('\0') != std::string::npos) throw Error(ErrorCode::BadFileName, ErrorFact::NulInPath);
  const bool found = FindOrdinaryFile(path);
  if (fileExistsHook) fileExistsHook(path, found);
  return found;
}

bool HiddenFileExists(const std::string& path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
         (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
#else
  struct stat info {};
  const std::size_t slash = path.find_last_of('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  return nameStart < path.size() && path[nameStart] == '.' && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
#endif
}

void NotifyFileExistsHook(const std::string& path, bool found) {
  if (fileExistsHook) fileExistsHook(path, found);
}

FileExistsHook SetFileExistsHook(FileExistsHook hook) { return std::exchange(fileExistsHook, std::move(hook)); }

EntryKind KindOfEntry(const std::string& path) {
#ifdef _WIN32
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return EntryKind::None;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? EntryKind::Folder : EntryKind::Other;
#else
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return EntryKind::None;
  return S_ISDIR(info.st_mode) ? EntryKind::Folder : EntryKind::Other;
#endif
}

}  // namespace qmr
