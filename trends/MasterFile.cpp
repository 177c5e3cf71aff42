#include "trends/MasterFile.h"

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "trends/RebuildEvents.h"
#include "trends/TrendFolder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qmr {
namespace {

// Big enough that a master of 32767 entries takes a few hundred writes, small
// enough that a failure part way through can be simulated.
constexpr std::size_t kChunkSize = std::size_t{64} << 10;
// How many temporary names are tried before giving up on a folder in which
// every candidate already exists.
constexpr int kTemporaryAttempts = 100;
// The longest file name most file systems hold.
constexpr std::size_t kLongestFileName = 255;
constexpr std::string_view kTemporaryPrefix = "~qmr-";
constexpr std::string_view kTemporarySuffix = ".tmp";

// The seam is set by tests on the thread that rebuilds.
WriteFaultHook writeFaultHook;

std::atomic<unsigned> temporaryCounter{0};

unsigned long CurrentProcessId() {
#ifdef _WIN32
  return static_cast<unsigned long>(GetCurrentProcessId());
#else
  return static_cast<unsigned long>(getpid());
#endif
}

// "~qmr-PID-N-NAME.tmp" in the master's folder, so that the final rename
// never crosses file systems and a leftover names its trend; the short form
// when a trend named near the file system's limit would make it too long.
std::string TemporaryPath(const TrendPath& trend) {
  std::string name(kTemporaryPrefix);
  name += std::to_string(CurrentProcessId()) + "-" + std::to_string(temporaryCounter++);
  const std::string trendName = trend.Name();
  const std::size_t longName = name.size() + 1 + trendName.size() + kTemporarySuffix.size();
#ifdef _WIN32
  // A path of MAX_PATH characters or more cannot be opened here: a master
  // deep in folders still gets a temporary file beside it.
  const bool fits = trend.Beside("").size() + longName < MAX_PATH;
#else
  const bool fits = true;
#endif
  if (!trendName.empty() && longName <= kLongestFileName && fits) name += "-" + trendName;
  name += kTemporarySuffix;
  return trend.Beside(name);
}

#ifndef _WIN32

// ---------------------------------------------------------------------------
// The temporary files in progress, for the interrupt handler. A handler may
// only use what is safe in a signal: fixed slots, lock-free flags, unlink.

constexpr int kCleanupSlots = 256;
constexpr std::size_t kCleanupPathSize = 4096;

struct CleanupSlot {
  std::atomic<int> state{0};  // 0 free, 1 being filled, 2 names a file to remove
  char path[kCleanupPathSize];
};
CleanupSlot cleanupSlots[kCleanupSlots];
static_assert(std::atomic<int>::is_always_lock_free);

int RegisterForCleanup(const std::string& path) {
  if (path.size() >= kCleanupPathSize) return -1;
  for (int i = 0; i < kCleanupSlots; ++i) {
    int expected = 0;
    if (cleanupSlots[i].state.compare_exchange_strong(expected, 1)) {
      std::memcpy(cleanupSlots[i].path, path.c_str(), path.size() + 1);
      cleanupSlots[i].state.store(2);
      return i;
    }
  }
  return -1;  // more writes at once than slots: this one is not cleaned on a signal
}

void UnregisterForCleanup(int slot) {
  if (slot >= 0) cleanupSlots[slot].state.store(0);
}

void RemoveTemporariesAndDie(int signalNumber) {
  for (CleanupSlot& slot : cleanupSlots)
    if (slot.state.load() == 2) unlink(slot.path);
  // The handler was installed to run once: the signal now does what it
  // would have done without us.
  raise(signalNumber);
}

// Locks a whole open file for writing without waiting; true when the lock
// was taken. Locks of the open file itself where the system has them, so
// that two threads of one process exclude each other too.
bool TryWriteLock(int fd) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
#ifdef F_OFD_SETLK
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
#else
  return fcntl(fd, F_SETLK, &lock) == 0;
#endif
}

// Refuses a master that the runtime itself could not write into: one whose
// permission bits let no one write it, or one this user may not write (the
// administrator may write any other, so the system is not asked then).
void RefuseReadOnlyMaster(const std::string& path, const struct stat& info) {
  if ((info.st_mode & 0222) == 0) throw Error(ErrorCode::PermissionDenied, ErrorFact::ReadOnlyMaster, path);
  if (geteuid() != 0 && faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0 &&
      (errno == EACCES || errno == EPERM || errno == EROFS))
    throw Error(ErrorCode::PermissionDenied, ErrorFact::MasterNotWritable, path, errno);
}

// The temporary file, open for writing; closed and removed unless committed.
class TemporaryFile {
 public:
  explicit TemporaryFile(const TrendPath& trend)
      : masterPath_(trend.Master()), folder_(trend.FolderToOpen()), masterName_(trend.Name() + ".qmr") {
    hadMaster_ = stat(masterPath_.c_str(), &old_) == 0 && S_ISREG(old_.st_mode);
    if (hadMaster_) RefuseReadOnlyMaster(masterPath_, old_);
    int error = EEXIST;
    for (int attempt = 0; attempt < kTemporaryAttempts && fd_ < 0; ++attempt) {
      name_ = TemporaryPath(trend);
      // Named to the interrupt handler before the file exists: a signal
      // between its creation and its registration would leave it behind.
      // Should a signal come while a name already taken is tried, what the
      // handler removes can only be a leftover of an earlier process that
      // had this one's number.
      cleanupSlot_ = RegisterForCleanup(name_);
      fd_ = open(name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ < 0) {
        error = errno;
        UnregisterForCleanup(std::exchange(cleanupSlot_, -1));
        if (error != EEXIST) break;
      }
    }
    if (fd_ < 0) FailToCreate(error);
    // Held until the file is renamed or removed: a later run in this folder
    // tells a file in progress from a leftover by it.
    (void)TryWriteLock(fd_);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlink(name_.c_str());
    UnregisterForCleanup(cleanupSlot_);
  }

  void Write(const unsigned char* data, std::size_t size) {
    while (size > 0) {
      const ssize_t done = write(fd_, data, size);
      if (done < 0) {
        if (errno == EINTR) continue;
        ThrowFileError(errno, masterPath_);
      }
      if (done == 0) ThrowFileError(ENOSPC, masterPath_);
      data += done;
      size -= static_cast<std::size_t>(done);
    }
  }

  // The old master's owner, group and permission bits, where permitted.
  // Returns what could not be kept, when the owner or group could not.
  std::optional<OwnerNotKept> KeepOwnership() {
    if (!hadMaster_) return std::nullopt;
    std::optional<OwnerNotKept> problem;
    if (old_.st_uid != geteuid() || old_.st_gid != getegid()) {
      if (fchown(fd_, old_.st_uid, old_.st_gid) != 0) {
        const int error = errno;
        // A user may still hand the file to a group of their own.
        const bool groupKept = old_.st_gid == getegid() || fchown(fd_, static_cast<uid_t>(-1), old_.st_gid) == 0;
        if (old_.st_uid != geteuid() || !groupKept) problem = OwnerNotKept{old_.st_uid, old_.st_gid, error};
      }
    }
    // After the owner: a change of owner clears the set-id bits.
    (void)fchmod(fd_, old_.st_mode & 07777);
    return problem;
  }

  // Renamed while still open, and so still locked: another run cleaning
  // this folder never takes it for a leftover in between. The flush has
  // written everything; closing after the rename has nothing left to fail.
  void FlushAndReplace() {
    if (fsync(fd_) != 0) ThrowFileError(errno, masterPath_);
    if (rename(name_.c_str(), masterPath_.c_str()) != 0) ThrowFileError(errno, masterPath_);
    committed_ = true;
    close(std::exchange(fd_, -1));
  }

 private:
  // A folder in which no file can be created is named as such: the master
  // itself was never reached.
  [[noreturn]] void FailToCreate(int error) const {
    try {
      ThrowFileError(error, name_);
    } catch (const Error& failure) {
      throw Error(failure.code(), ErrorFact::NoFileInFolder, folder_, error, masterName_);
    }
  }

  std::string masterPath_;
  std::string folder_;
  std::string masterName_;
  std::string name_;
  struct stat old_ {};
  bool hadMaster_ = false;
  int fd_ = -1;
  int cleanupSlot_ = -1;
  bool committed_ = false;
};

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  (void)fsync(fd);
  close(fd);
}

// A leftover: no one holds its lock, and its writer no longer runs here (or
// it is old enough that its process number has been reused: a container's
// first process has the same number every time, this one's included).
bool IsStale(const std::string& path, unsigned long processId) {
#ifndef F_OFD_SETLK
  // Without locks of open files, this process's own locks do not exclude it:
  // its own files are never taken for leftovers.
  if (processId == CurrentProcessId()) return false;
#endif
  const int fd = open(path.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  const bool stale =
      fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && TryWriteLock(fd) &&
      ((kill(static_cast<pid_t>(processId), 0) != 0 && errno == ESRCH) || std::time(nullptr) - info.st_mtime > 60);
  close(fd);
  return stale;
}

bool RemoveIfStale(const std::string& path, unsigned long processId) {
  return IsStale(path, processId) && unlink(path.c_str()) == 0;
}

#else  // _WIN32

class TemporaryFile {
 public:
  explicit TemporaryFile(const TrendPath& trend) : masterPath_(trend.Master()) {
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
      name_ = TemporaryPath(trend);
      // Shared with no one: another run cannot remove it while it is open.
      handle_ = CreateFileA(name_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle_ != INVALID_HANDLE_VALUE) return;
      const DWORD code = GetLastError();
      if (code != ERROR_FILE_EXISTS && code != ERROR_ALREADY_EXISTS) Fail(code);
    }
    Fail(ERROR_FILE_EXISTS);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    if (!committed_) DeleteFileA(name_.c_str());
  }

  void Write(const unsigned char* data, std::size_t size) {
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
  std::optional<OwnerNotKept> KeepOwnership() { return std::nullopt; }

  void FlushAndReplace() {
    if (!FlushFileBuffers(handle_)) Fail(GetLastError());
    const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    if (!CloseHandle(handle)) Fail(GetLastError());
    // A read-only master refuses the replacement, as the runtime would.
    if (!MoveFileExA(name_.c_str(), masterPath_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      Fail(GetLastError());
    committed_ = true;
  }

 private:
  // A write failure the system names no closer is a device error.
  [[noreturn]] void Fail(DWORD code) const { ThrowWindowsError(code, masterPath_, ErrorCode::DeviceIO); }

  std::string masterPath_;
  std::string name_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool committed_ = false;
};

// The rename itself is written through; there is no folder to sync.
void SyncFolder(const std::string&) {}

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
  const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
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

bool RemoveIfStale(const std::string& path, unsigned long processId) {
  return IsStale(path, processId) && DeleteFileA(path.c_str()) != 0;
}

#endif

}  // namespace

std::optional<TemporaryName> ParseTemporaryName(const std::string& fileName) {
  std::string_view rest = fileName;
  if (!rest.starts_with(kTemporaryPrefix) || !rest.ends_with(kTemporarySuffix)) return std::nullopt;
  rest.remove_prefix(kTemporaryPrefix.size());
  rest.remove_suffix(kTemporarySuffix.size());
  TemporaryName parsed;
  const auto process = std::from_chars(rest.data(), rest.data() + rest.size(), parsed.processId);
  if (process.ec != std::errc() || process.ptr == rest.data() || process.ptr == rest.data() + rest.size() ||
      *process.ptr != '-')
    return std::nullopt;
  rest.remove_prefix(static_cast<std::size_t>(process.ptr - rest.data()) + 1);
  unsigned long counter = 0;
  const auto count = std::from_chars(rest.data(), rest.data() + rest.size(), counter);
  if (count.ec != std::errc() || count.ptr == rest.data()) return std::nullopt;
  rest.remove_prefix(static_cast<std::size_t>(count.ptr - rest.data()));
  if (!rest.empty()) {
    if (rest.front() != '-' || rest.size() == 1) return std::nullopt;
    parsed.trendName = std::string(rest.substr(1));
  }
  return parsed;
}

bool TemporaryIsStale(const std::string& path) {
  const std::optional<TemporaryName> name = ParseTemporaryName(FileNameOf(path));
  return name && IsStale(path, name->processId);
}

struct MasterWriter::State {
  // The leftovers of one folder, removed once by whichever thread comes
  // first while the others wait for it.
  struct Cleaning {
    std::once_flag once;
    std::vector<std::string> removed;
  };
  FolderSync sync;
  std::mutex mutex;
  std::map<std::string, std::shared_ptr<Cleaning>> cleaned;
  std::set<std::string> unsynced;  // folders renamed into, not synced yet
};

MasterWriter::MasterWriter(FolderSync sync) : state_(new State{sync, {}, {}, {}}) {}

MasterWriter::~MasterWriter() { Finish(); }

std::vector<std::string> MasterWriter::RemoveLeftovers(const std::string& folder, RebuildEvents& events) {
  std::shared_ptr<State::Cleaning> cleaning;
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    std::shared_ptr<State::Cleaning>& entry = state_->cleaned[folder];
    if (!entry) entry = std::make_shared<State::Cleaning>();
    cleaning = entry;
  }
  std::call_once(cleaning->once, [&] {
    try {
      const TrendFolder listed(folder.empty() ? "." : folder);
      for (const TrendFolder::Temporary& temporary : listed.Temporaries()) {
        const std::string leftover = JoinPath(folder, temporary.fileName);
        if (!RemoveIfStale(leftover, temporary.name.processId)) continue;
        cleaning->removed.push_back(leftover);
        events.StaleTemporaryRemoved(leftover);
      }
    } catch (const Error&) {
      // A folder that cannot be listed fails on the write that follows, naming it.
    }
  });
  return cleaning->removed;
}

void MasterWriter::Write(const TrendPath& trend, std::span<const unsigned char> bytes, RebuildEvents& events) {
  const std::string folder = trend.FolderToOpen();
  RemoveLeftovers(folder, events);

  const WriteFaultHook hook = writeFaultHook;
  const std::string path = trend.Master();
  TemporaryFile file(trend);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const std::size_t chunk = bytes.size() - written < kChunkSize ? bytes.size() - written : kChunkSize;
    if (hook) hook(written, chunk);
    file.Write(bytes.data() + written, chunk);
    written += chunk;
  }
  const std::optional<OwnerNotKept> ownerProblem = file.KeepOwnership();
  file.FlushAndReplace();
  if (ownerProblem) events.MasterOwnerNotKept(path, *ownerProblem);

  if (state_->sync == FolderSync::AfterEachMaster) {
    SyncFolder(folder);
  } else {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->unsynced.insert(folder);
  }
}

void MasterWriter::Finish() {
  std::set<std::string> folders;
  {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    folders.swap(state_->unsynced);
  }
  for (const std::string& folder : folders) SyncFolder(folder);
}

void WriteMasterFile(const TrendPath& trend, std::span<const unsigned char> bytes, RebuildEvents& events) {
  MasterWriter writer;
  writer.Write(trend, bytes, events);
}

void WriteMasterFile(const std::string& masterPath, std::span<const unsigned char> bytes) {
  RebuildEvents silent;
  WriteMasterFile(TrendPath::OfFile(masterPath), bytes, silent);
}

void InstallInterruptCleanup() {
#ifndef _WIN32
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    struct sigaction current {};
    // A signal the program was told to ignore (nohup) stays ignored.
    if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndDie;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(signalNumber, &action, nullptr);
  }
#endif
}

WriteFaultHook SetWriteFaultHook(WriteFaultHook hook) { return std::exchange(writeFaultHook, std::move(hook)); }

}  // namespace qmr
