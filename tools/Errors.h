// The one error type of the core. Every failure carries a number the user can
// quote and, where the number does not say it all, a fact with its values,
// which the front ends word (texts/ErrorWords); the numbers are listed here
// and nowhere else, with the runtime's own wording of each.
#pragma once

#include <cstdint>
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

// What stood where a regular file was wanted.
enum class FoundKind {
  Folder,
  NamedPipe,
  Device,
  DeviceOrPipe,  // Windows: a name that the system answers as a device or a pipe
  SymbolicLink,
  ReparsePoint,   // Windows: a symbolic link, a junction
  NoRegularFile,  // anything else that is no regular file
  AnotherFile,    // a regular file, but not the one looked at a moment before
};

// What a failure is about when its number and path do not say it all. The
// core tells the fact and its values (ErrorValues, named beside each fact);
// each front end words it.
enum class ErrorFact {
  None,
  SystemRefused,          // path, systemError: a C library or POSIX call failed with errno systemError
  WindowsRefused,         // path, systemError: a Win32 call failed with GetLastError() systemError
  OpenInAnotherProgram,   // path: another program holds the file open
  NotAFile,               // path, found: something else stands where a file was wanted
  NulInPath,              // a path holds a NUL character (not shown: it would name another file)
  PathTooLongHere,        // path, count (its characters), limit: a path longer than the system takes
  FolderIsLink,           // path: a symbolic link where a folder was named
  NoLongerFolder,         // path: a subfolder that is no folder any more since it was listed
  FolderReplaced,         // path: a folder replaced by another after it was listed
  NoAnsiForm,             // path (as shown), detail (the character, "U+0141"), limit (the code page, 0 for none)
  NoLocalTime,            // the clock gives no local time
  NoValidDate,            // the clock gives no valid weekday or month
  TooManyDataFiles,       // path (the last data file), limit (the most a trend may have)
  NotOneByteText,         // path (the text), count (the code point) beyond one byte per character
  RecordedFolderTooLong,  // path (the folder), count (its characters), limit
  NulInRecordedFolder,    // path (the folder)
  TextTooLong,            // count (the text's bytes), limit (the field's)
  TrendNameTooLong,       // path (the trend name), count (its characters), limit (room in the banner)
  PathTooLongForEntry,    // path, count (its characters), limit (the entry's field), version (the data file's)
  ReadOnlyMaster,         // path: a master whose permission bits let no one write it
  MasterNotWritable,      // path, systemError: a master this user may not write
  NoFileInFolder,         // path (a folder), systemError, detail (the master's file name): no file could be
                          // created in the folder to replace the master
};

// The values a fact carries; each fact uses those named beside it. Every
// member has its initializer, so that a fact names only the values it uses.
struct ErrorValues {
  std::string path{};
  std::string detail{};
  int systemError = 0;
  std::uint64_t count = 0;
  std::uint64_t limit = 0;
  int version = 0;
  FoundKind found = FoundKind::NoRegularFile;
};

class Error : public std::runtime_error {
 public:
  explicit Error(ErrorCode code);
  // A front end's own words for the failure.
  Error(ErrorCode code, const std::string& description);
  // A fact for the front ends to word. what() gives the number's wording
  // and the path alone, for a program that has no words for the fact.
  Error(ErrorCode code, ErrorFact fact, ErrorValues values = {});

  ErrorCode code() const noexcept { return code_; }
  int number() const noexcept { return static_cast<int>(code_); }
  std::string description() const { return what(); }
  ErrorFact fact() const noexcept { return fact_; }
  const ErrorValues& values() const noexcept { return values_; }
  const std::string& path() const noexcept { return values_.path; }
  int systemError() const noexcept { return values_.systemError; }

 private:
  ErrorCode code_;
  ErrorFact fact_ = ErrorFact::None;
  ErrorValues values_;
};

// Turns a failed C library / POSIX call (its errno) on `path` into an Error
// (SystemRefused) with the number that fits.
[[noreturn]] void ThrowFileError(int errnoValue, const std::string& path);

#ifdef _WIN32
// The same for a failed Win32 call (its GetLastError code). A code without a
// closer number gives `otherwise`, which differs between looking a file up
// and writing one.
[[noreturn]] void ThrowWindowsError(unsigned long systemError, const std::string& path, ErrorCode otherwise);
#endif

}  // namespace qmr
