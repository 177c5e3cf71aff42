// The master writer on POSIX systems: the temporary file is created with
// O_EXCL and locked while in progress, renamed over the master, and the
// folder synced; a signal handler removes files in progress.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>

#include "tools/Errors.h"
#include "tools/FileReading.h"
#include "tools/FolderHandle.h"
#include "tools/PathParts.h"
#include "tools/ProcessIdentity.h"
#include "trends/MasterFile.h"
#include "trends/MasterFilePlatform.h"
#include "trends/TrendFolder.h"

namespace qmr {
namespace masterfile {

const char* const kSeparator = "/";

unsigned long CurrentProcessId() { return ThisProcessId(); }

bool TemporaryPathFits(const std::string&, std::size_t) { return true; }

namespace {

// ---------------------------------------------------------------------------
// The temporary files in progress, for the interrupt handler. A handler may
// only use what is safe in a signal: fixed slots, lock-free flags, unlinkat
// relative to the folder the file was created in (the folder's path may
// lead elsewhere by now).

constexpr int kCleanupSlots = 256;
constexpr std::size_t kCleanupNameSize = 256;

struct CleanupSlot {
  std::atomic<int> state{0};  // 0 free, 1 being filled, 2 names a file to remove
  int folder = -1;
  char name[kCleanupNameSize];
};
CleanupSlot cleanupSlots[kCleanupSlots];
static_assert(std::atomic<int>::is_always_lock_free);

int RegisterForCleanup(int folder, const std::string& name) {
  if (name.size() >= kCleanupNameSize) return -1;
  for (int i = 0; i < kCleanupSlots; ++i) {
    int expected = 0;
    if (cleanupSlots[i].state.compare_exchange_strong(expected, 1)) {
      cleanupSlots[i].folder = folder;
      std::memcpy(cleanupSlots[i].name, name.c_str(), name.size() + 1);
      cleanupSlots[i].state.store(2);
      return i;
    }
  }
  return -1;  // more writes at once than slots: this one is not cleaned on a signal
}

void UnregisterForCleanup(int slot) {
  if (slot >= 0) cleanupSlots[slot].state.store(0);
}

// Held while a temporary file is named to the slots and created, so that a
// thread ending the program (EndByInterrupt) sees every file that exists and
// no file is created after it looked. A signal handler cannot take it.
std::mutex creating;

void RemoveRegisteredTemporaries() {
  for (CleanupSlot& slot : cleanupSlots)
    if (slot.state.load() == 2) unlinkat(slot.folder, slot.name, 0);
}

void RemoveTemporariesAndDie(int signalNumber) {
  RemoveRegisteredTemporaries();
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
void RefuseReadOnlyMaster(const FolderHandle& folder, const std::string& name, const std::string& path,
                          const struct stat& info) {
  if ((info.st_mode & 0222) == 0) throw Error(ErrorCode::PermissionDenied, ErrorFact::ReadOnlyMaster, {.path = path});
  if (EffectiveUserId() != 0 && faccessat(folder.fd(), name.c_str(), W_OK, AT_EACCESS) != 0 &&
      (errno == EACCES || errno == EPERM || errno == EROFS))
    throw Error(ErrorCode::PermissionDenied, ErrorFact::MasterNotWritable, {.path = path, .systemError = errno});
}

}  // namespace

TemporaryFile::TemporaryFile(const std::string& masterPath, const TrendFolder* listed, const OldMasterEntries* old)
    : masterPath_(masterPath) {
  masterName_ = FileNameOf(masterPath);
  folder_ = listed != nullptr ? listed->Open() : nullptr;
  // What the old master's read saw in this very folder a moment ago.
  const struct stat* seen = folder_ != nullptr && old != nullptr && old->seen ? &*old->seen : nullptr;
  if (folder_ == nullptr) {
    folder_ = &own_.emplace(FolderPart(masterPath));
    if (listed != nullptr) own_->ExpectIdentity(listed->identity());
  }
  // The master itself, never through a link: a link, a device or a pipe
  // put there is neither read nor replaced.
  if (seen != nullptr || folder_->StatEntry(masterName_, old_)) {
    if (seen != nullptr) old_ = *seen;
    if (!S_ISREG(old_.st_mode)) RefuseNonRegularFile(masterPath, old_.st_mode);
    hadMaster_ = true;
    RefuseReadOnlyMaster(*folder_, masterName_, masterPath, old_);
  } else if (errno != ENOENT) {
    ThrowFileError(errno, masterPath);
  }
  int error = EEXIST;
  for (int attempt = 0; attempt < kTemporaryAttempts && fd_ < 0; ++attempt) {
    name_ = TemporaryPath(masterPath);
    fileName_ = FileNameOf(name_);
    // Named to the interrupt handler before the file exists: a signal
    // between its creation and its registration would leave it behind.
    // Should a signal come while a name already taken is tried, what the
    // handler removes can only be a leftover of an earlier process that
    // had this one's number.
    const std::lock_guard<std::mutex> lock(creating);
    cleanupSlot_ = RegisterForCleanup(folder_->fd(), fileName_);
    fd_ = folder_->OpenEntry(fileName_, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
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

TemporaryFile::~TemporaryFile() {
  if (fd_ >= 0) close(fd_);
  if (!committed_ && !fileName_.empty()) (void)folder_->Remove(fileName_);
  UnregisterForCleanup(cleanupSlot_);
}

void TemporaryFile::Write(const unsigned char* data, std::size_t size) {
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

std::optional<OwnerNotKept> TemporaryFile::KeepOwnership() {
  if (!hadMaster_) return std::nullopt;
  std::optional<OwnerNotKept> problem;
  const unsigned user = EffectiveUserId();
  // The group the new file was given: a set-group-ID folder's own.
  const unsigned group = folder_->HandsDownGroup() ? folder_->group() : EffectiveGroupId();
  if (old_.st_uid != user || old_.st_gid != group) {
    if (fchown(fd_, old_.st_uid, old_.st_gid) != 0) {
      const int error = errno;
      // A user may still hand the file to a group of their own.
      const bool groupKept = old_.st_gid == group || fchown(fd_, static_cast<uid_t>(-1), old_.st_gid) == 0;
      if (old_.st_uid != user || !groupKept) problem = OwnerNotKept{old_.st_uid, old_.st_gid, error};
    }
  }
  // The permission bits alone: a set-user-ID, set-group-ID or sticky bit
  // that someone put on the old master has no business on a data file that
  // this program, perhaps run by the administrator, wrote.
  (void)fchmod(fd_, old_.st_mode & 0777);
  return problem;
}

// Renamed while still open, and so still locked: another run cleaning this
// folder never takes it for a leftover in between. The flush has written
// everything; closing after the rename has nothing left to fail.
void TemporaryFile::FlushAndReplace() {
  if (fsync(fd_) != 0) ThrowFileError(errno, masterPath_);
  if (const int error = folder_->Rename(fileName_, masterName_)) ThrowFileError(error, masterPath_);
  committed_ = true;
  close(std::exchange(fd_, -1));
}

// A folder in which no file can be created is named as such: the master
// itself was never reached.
void TemporaryFile::FailToCreate(int error) const {
  const std::string folderPart = FolderPart(masterPath_);
  const std::string folder = folderPart.empty() ? "." : folderPart;
  try {
    ThrowFileError(error, name_);
  } catch (const Error& failure) {
    throw Error(failure.code(), ErrorFact::NoFileInFolder,
                {.path = folder, .detail = FileNameOf(masterPath_), .systemError = error});
  }
}

void SyncFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)fsync(fd);
  close(fd);
}

namespace {

// A writer that left its file: no one holds the file's lock, and its writer
// no longer runs here (or the file is old enough that its process number
// has been reused: a container's first process has the same number every
// time, this one's included). On a read-only mount no one can be writing.
bool WriterGone(int fd, bool readOnlyMount, const struct stat& info, unsigned long processId) {
#ifndef F_OFD_SETLK
  // Without locks of open files, this process's own locks do not exclude it:
  // its own files are never taken for leftovers.
  if (processId == CurrentProcessId()) return false;
#endif
  if (!readOnlyMount && !TryWriteLock(fd)) return false;
  return (kill(static_cast<pid_t>(processId), 0) != 0 && errno == ESRCH) || std::time(nullptr) - info.st_mtime > 60;
}

}  // namespace

LeftoverState ExamineLeftover(const TrendFolder& folder, const TrendFolder::Temporary& temporary, bool remove) {
  try {
    // In the folder the listing holds open, or else opened here.
    std::optional<FolderHandle> own;
    const FolderHandle* open = folder.Open();
    if (open == nullptr) {
      open = &own.emplace(folder.folder());
      open->ExpectIdentity(folder.identity());
    }
    // The file itself, never through a link, and without waiting on a pipe.
    bool readOnlyMount = false;
    int fd = open->OpenEntry(temporary.fileName, O_RDWR | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0 && errno == EROFS) {
      readOnlyMount = true;
      fd = open->OpenEntry(temporary.fileName, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    }
    if (fd < 0) return LeftoverState::NotOurs;
    struct stat info {};
    unsigned char start[kLeftoverHeadSize];
    ssize_t count = -1;
    const bool ours = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                      (info.st_uid == EffectiveUserId() || info.st_uid == open->owner()) &&
                      (count = pread(fd, start, sizeof start, 0)) >= 0 &&
                      HoldsOwnMaster({start, static_cast<std::size_t>(count)}, temporary.name, folder) &&
                      WriterGone(fd, readOnlyMount, info, temporary.name.processId);
    // Removed while its lock is held, so that no run of this program that
    // starts to write it meanwhile loses it; the name removed is checked to
    // still be this very file.
    LeftoverState state = ours ? LeftoverState::Found : LeftoverState::NotOurs;
    struct stat now {};
    if (ours && remove && !readOnlyMount && open->StatEntry(temporary.fileName, now) && now.st_ino == info.st_ino &&
        now.st_dev == info.st_dev && open->Remove(temporary.fileName) == 0)
      state = LeftoverState::Removed;
    close(fd);
    return state;
  } catch (const Error&) {
    return LeftoverState::NotOurs;
  }
}

}  // namespace masterfile

void InstallInterruptCleanup() {
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    struct sigaction current {};
    // A signal the program was told to ignore (nohup) stays ignored.
    if (sigaction(signalNumber, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = masterfile::RemoveTemporariesAndDie;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(signalNumber, &action, nullptr);
  }
}

void EndByInterrupt(int signalNumber) {
  // Never given back: a worker that would create a file now waits for the
  // end instead.
  masterfile::creating.lock();
  masterfile::RemoveRegisteredTemporaries();
  signal(signalNumber, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signalNumber);
  pthread_sigmask(SIG_UNBLOCK, &only, nullptr);
  raise(signalNumber);
  _exit(128 + signalNumber);  // not reached: the signal's default action ends the program
}

}  // namespace qmr
