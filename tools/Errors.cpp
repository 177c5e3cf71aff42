#include "tools/Errors.h"

#include <cerrno>
#include <utility>

#include <sys/stat.h>

#include "tools/PathParts.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace qmr {

const char* DefaultDescription(ErrorCode code) noexcept {
  switch (code) {
    case ErrorCode::InvalidArgument: return "Invalid procedure call or argument";
    case ErrorCode::Overflow: return "Overflow";
    case ErrorCode::OutOfMemory: return "Out of memory";
    case ErrorCode::SubscriptOutOfRange: return "Subscript out of range";
    case ErrorCode::TypeMismatch: return "Type mismatch";
    case ErrorCode::BadFileName: return "Bad file name or number";
    case ErrorCode::FileNotFound: return "File not found";
    case ErrorCode::DeviceIO: return "Device I/O error";
    case ErrorCode::DiskFull: return "Disk full";
    case ErrorCode::PermissionDenied: return "Permission denied";
    case ErrorCode::PathFileAccess: return "Path/File access error";
    case ErrorCode::PathNotFound: return "Path not found";
  }
  return "Application-defined or object-defined error";
}

Error::Error(ErrorCode code) : std::runtime_error(DefaultDescription(code)), code_(code) {}

Error::Error(ErrorCode code, const std::string& description)
    : std::runtime_error(description.empty() ? std::string(DefaultDescription(code)) : description), code_(code) {}

Error::Error(ErrorCode code, ErrorFact fact, ErrorValues values)
    : std::runtime_error(values.path.empty() ? std::string(DefaultDescription(code))
                                             : std::string(DefaultDescription(code)) + ": '" + values.path + "'"),
      code_(code),
      fact_(fact),
      values_(std::move(values)) {}

namespace {

// A missing file and a missing folder on the way to it get different
// numbers, so that the user knows which of the two to look for. Only called
// after a failure, so the extra look-up costs nothing on the normal path.
bool FolderIsMissing(const std::string& path) {
  const std::string folder = FolderPart(path);
  if (folder.empty()) return false;
  struct stat info {};
  if (stat(folder.c_str(), &info) != 0) return errno == ENOENT || errno == ENOTDIR;
  return !S_ISDIR(info.st_mode);
}

ErrorCode CodeForErrno(int errnoValue, const std::string& path) {
  switch (errnoValue) {
    case ENOENT: return FolderIsMissing(path) ? ErrorCode::PathNotFound : ErrorCode::FileNotFound;
    // A file standing where the path needs a folder: the folder is not there.
    case ENOTDIR: return ErrorCode::PathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return ErrorCode::PermissionDenied;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG: return ErrorCode::DiskFull;
    case EIO: return ErrorCode::DeviceIO;
    case ENAMETOOLONG:
    case EINVAL:
#ifdef EILSEQ
    case EILSEQ:
#endif
      return ErrorCode::BadFileName;
    default: return ErrorCode::PathFileAccess;  // EISDIR, ELOOP, ENXIO, EMFILE, ...
  }
}

}  // namespace

void ThrowFileError(int errnoValue, const std::string& path) {
  // A caller that lost the reason still reports a failure, never success.
  const int value = errnoValue != 0 ? errnoValue : EIO;
  throw Error(CodeForErrno(value, path), ErrorFact::SystemRefused, {.path = path, .systemError = value});
}

#ifdef _WIN32

namespace {

ErrorCode CodeForSystemError(DWORD error, ErrorCode otherwise) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return ErrorCode::FileNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME: return ErrorCode::PathNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: return ErrorCode::PermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return ErrorCode::DiskFull;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE: return ErrorCode::BadFileName;
    case ERROR_NOT_READY:
    case ERROR_CRC:
    case ERROR_GEN_FAILURE: return ErrorCode::DeviceIO;
    default: return otherwise;
  }
}

}  // namespace

void ThrowWindowsError(unsigned long systemError, const std::string& path, ErrorCode otherwise) {
  const auto error = static_cast<DWORD>(systemError);
  const ErrorCode code = CodeForSystemError(error, otherwise);
  // The system's words ("The process cannot access the file...") do not say
  // what the user can do about a file another program holds.
  if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
    throw Error(code, ErrorFact::OpenInAnotherProgram, {.path = path});
  throw Error(code, ErrorFact::WindowsRefused, {.path = path, .systemError = static_cast<int>(error)});
}

#endif

}  // namespace qmr
