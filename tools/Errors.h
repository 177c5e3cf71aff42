// The one error type of the core. Every failure carries a number the user can
// quote and a description; the numbers are listed here and nowhere else.
#pragma once

#include <stdexcept>
#include <string>

namespace qmr {

enum class ErrorCode : int {
  InvalidArgument = 5,      // a text too long for its field, a bad argument
  Overflow = 6,             // a 16-bit counter stepped beyond 32767
  OutOfMemory = 7,          // memory for a master could not be had
  SubscriptOutOfRange = 9,  // a table cell outside the table's bounds
  TypeMismatch = 13,        // a cell that has no text form (null)
  BadFileName = 52,         // a path the file system cannot represent
  FileNotFound = 53,        // a file vanished between look-up and open
  DeviceIO = 57,            // a read or write failed on the device
  DiskFull = 61,            // no space left for the master file
  PermissionDenied = 70,    // the file system refused access
  PathFileAccess = 75,      // a path names something that is not a usable file
  PathNotFound = 76,        // a folder in the path does not exist
};

// The standard wording of each number, used when no better description exists.
const char* DefaultDescription(ErrorCode code) noexcept;

// What a failure is about when its number and path do not say it all. The
// core tells the fact; each front end words it.
enum class ErrorFact {
  None,
  ReadOnlyMaster,     // path(): a master whose permission bits let no one write it
  MasterNotWritable,  // path(): a master this user may not write
  NoFileInFolder,     // path(): a folder in which no file could be created (systemError()) to
                      // replace the master fileName()
};

class Error : public std::runtime_error {
 public:
  explicit Error(ErrorCode code);
  Error(ErrorCode code, const std::string& description);
  // Described as the number's wording and the path; `systemError` is the
  // system's own number for the failure (errno), 0 when there is none.
  Error(ErrorCode code, ErrorFact fact, const std::string& path, int systemError = 0, const std::string& fileName = {});

  ErrorCode code() const noexcept { return code_; }
  int number() const noexcept { return static_cast<int>(code_); }
  std::string description() const { return what(); }
  ErrorFact fact() const noexcept { return fact_; }
  const std::string& path() const noexcept { return path_; }
  int systemError() const noexcept { return systemError_; }
  const std::string& fileName() const noexcept { return fileName_; }

 private:
  ErrorCode code_;
  ErrorFact fact_ = ErrorFact::None;
  std::string path_;
  int systemError_ = 0;
  std::string fileName_;
};

// Turns a failed C library / POSIX call (its errno) on `path` into an Error
// whose description names the path.
[[noreturn]] void ThrowFileError(int errnoValue, const std::string& path);

#ifdef _WIN32
// The same for a failed Win32 call (its GetLastError code). A code without a
// closer number gives `otherwise`, which differs between looking a file up
// and writing one.
[[noreturn]] void ThrowWindowsError(unsigned long systemError, const std::string& path, ErrorCode otherwise);
#endif

}  // namespace qmr
