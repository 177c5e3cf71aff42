// The master writer on Windows: the temporary file is shared with no one
// while in progress and moved over the master with the move written through.
#include <windows.h>

#include <string>
#include <utility>

#include "tools/AnsiNames.h"
#include "tools/Errors.h"
#include "tools/FileReading.h"
#include "trends/MasterFile.h"
#include "trends/MasterFilePlatform.h"
#include "trends/TrendFolder.h"

namespace qmr {
namespace masterfile {

namespace {

// The attributes of the master being replaced that the new one keeps.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

}  // namespace

const char* const kSeparator = "\\";

unsigned long CurrentProcessId() { return static_cast<unsigned long>(GetCurrentProcessId()); }

// A temporary path of MAX_PATH characters or more is opened in its long
// form (LongPathForm), but one that the user could not open by hand in a
// plain program would be a poor leftover: the long name only where it fits.
bool TemporaryPathFits(const std::string& folder, std::size_t nameSize) { return folder.size() + nameSize < MAX_PATH; }

TemporaryFile::TemporaryFile(const std::string& masterPath, const TrendFolder*, const OldMasterEntries*)
    : masterPath_(masterPath) {
  // A master that is a link (a reparse point: a symbolic link, a junction)
  // is neither followed nor replaced. A read-only master is the user's word
  // that it stays as it is: refused here, by name, rather than by the rename
  // at the end. A hidden or system master is replaced by one that is hidden
  // or system too.
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  const DWORD old = GetFileAttributesW(LongPathForm(masterPath).c_str());
  if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    throw Error(ErrorCode::PathFileAccess, ErrorFact::NotAFile, {.path = masterPath, .found = FoundKind::ReparsePoint});
  if (old != INVALID_FILE_ATTRIBUTES && (old & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    if ((old & FILE_ATTRIBUTE_READONLY) != 0)
      throw Error(ErrorCode::PermissionDenied, ErrorFact::ReadOnlyMaster, {.path = masterPath});
    if ((old & kKeptAttributes) != 0) attributes = old & kKeptAttributes;
  }
  for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
    name_ = TemporaryPath(masterPath);
    // Shared with no one: another run cannot remove it while it is open.
    handle_ = CreateFileW(LongPathForm(name_).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, attributes, nullptr);
    if (handle_ != INVALID_HANDLE_VALUE) return;
    const DWORD code = GetLastError();
    if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) Fail(code);
  }
  Fail(ERROR_FILE_EXISTS);
}

TemporaryFile::~TemporaryFile() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  if (!committed_) DeleteFileW(LongPathForm(name_).c_str());
}

void TemporaryFile::Write(const unsigned char* data, std::size_t size) {
  while (size > 0) {
    DWORD done = 0;
    const DWORD want = static_cast<DWORD>(size < kChunkSize ? size : kChunkSize);
    if (!WriteFile(handle_, data, want, &done, nullptr)) Fail(GetLastError());
    if (done == 0) Fail(ERROR_DISK_FULL);
    data += done;
    size -= done;
  }
}

// Files take the permissions of their folder here.
std::optional<OwnerNotKept> TemporaryFile::KeepOwnership() { return std::nullopt; }

void TemporaryFile::FlushAndReplace() {
  if (!FlushFileBuffers(handle_)) Fail(GetLastError());
  const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
  if (!CloseHandle(handle)) Fail(GetLastError());
  // A read-only master refuses the replacement, as the runtime would.
  if (!MoveFileExW(LongPathForm(name_).c_str(), LongPathForm(masterPath_).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD code = GetLastError();
    // The move says "access denied" for a master that another program holds
    // open (the runtime, a viewer): a user can do something about that, so
    // it is told as what it is.
    if (code == ERROR_ACCESS_DENIED) {
      const HANDLE probe =
          CreateFileW(LongPathForm(masterPath_).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (probe != INVALID_HANDLE_VALUE)
        CloseHandle(probe);
      else if (GetLastError() == ERROR_SHARING_VIOLATION)
        code = ERROR_SHARING_VIOLATION;
    }
    Fail(code);
  }
  committed_ = true;
}

// A write failure the system names no closer is a device error.
void TemporaryFile::Fail(DWORD code) const { ThrowWindowsError(code, masterPath_, ErrorCode::DeviceIO); }

// The rename itself is written through; there is no folder to sync.
void SyncFolder(const std::string&) {}

namespace {

bool ProcessRuns(unsigned long processId) {
  const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(processId));
  if (process == nullptr) return GetLastError() == ERROR_ACCESS_DENIED;  // another user's, running
  DWORD code = 0;
  const bool runs = GetExitCodeProcess(process, &code) && code == STILL_ACTIVE;
  CloseHandle(process);
  return runs;
}

// A leftover: its writer does not hold it open (a file still open by its
// writer cannot be opened again: nothing shares it), and the writer no
// longer runs or the file is old enough that its number has been reused.
// The writer closes the file just before renaming it: in that moment it
// runs, and its file is new.
bool IsStale(const std::string& path, unsigned long processId) {
  const HANDLE handle =
      CreateFileW(LongPathForm(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  FILETIME written{}, now{};
  const bool dated = GetFileTime(handle, nullptr, nullptr, &written) != 0;
  CloseHandle(handle);
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  };
  const bool old = dated && ticks(now) > ticks(written) && ticks(now) - ticks(written) > 60ULL * 10000000ULL;
  return old || !ProcessRuns(processId);
}

}  // namespace

// Files take the permissions of their folder here: who owns a leftover is
// not asked.
LeftoverState ExamineLeftover(const TrendFolder& folder, const TrendFolder::Temporary& temporary, bool remove) {
  const std::string& in = folder.folder();
  // "C:" names the drive's current folder: its files follow it directly.
  const bool bare = in.empty() || in.back() == '\\' || in.back() == '/' || in.back() == ':';
  const std::string path = (bare ? in : in + kSeparator) + temporary.fileName;
  const DWORD attributes = GetFileAttributesW(LongPathForm(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0)
    return LeftoverState::NotOurs;
  unsigned char start[kLeftoverHeadSize];
  try {
    const std::size_t count = ReadFileHead(path, start);
    if (!HoldsOwnMaster({start, count}, temporary.name, folder)) return LeftoverState::NotOurs;
  } catch (const Error&) {
    return LeftoverState::NotOurs;
  }
  if (!IsStale(path, temporary.name.processId)) return LeftoverState::NotOurs;
  if (remove && DeleteFileW(LongPathForm(path).c_str()) != 0) return LeftoverState::Removed;
  return LeftoverState::Found;
}

}  // namespace masterfile

// No such signals here: an interrupted run ends as it is.
void InstallInterruptCleanup() {}

}  // namespace qmr
