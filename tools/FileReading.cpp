#include "tools/FileReading.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include "tools/Errors.h"
#include "tools/FileTools.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tools/FileBatch.h"
#include "tools/FolderHandle.h"
#include "tools/ProcessIdentity.h"
#endif

namespace qmr {

namespace {

constexpr std::size_t kChunk = 1 << 16;

MasterOpenHook& OpenHook() {
  static MasterOpenHook hook;
  return hook;
}

void NotifyMasterOpen(const std::string& path) {
  if (const MasterOpenHook& hook = OpenHook()) hook(path);
}

[[noreturn]] void RefuseKind(const std::string& path, FoundKind kind) {
  throw Error(ErrorCode::PathFileAccess, ErrorFact::NotAFile, {.path = path, .found = kind});
}

void RefuseNul(const std::string& path) {
  // The system would open the file named by the text before the NUL.
  if (path.find('\0') != std::string::npos) throw Error(ErrorCode::BadFileName, ErrorFact::NulInPath);
}

#ifdef _WIN32

const std::string& RefuseReparsePoint(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    RefuseKind(path, FoundKind::ReparsePoint);
  return path;
}

// An open regular file, closed on every way out.
class ReadableFile {
 public:
  // A master: a reparse point (a symbolic link, a junction) is refused.
  struct Master {};
  ReadableFile(const std::string& path, Master, const FolderIdentity&) : ReadableFile(RefuseReparsePoint(path), true) {
    NotifyMasterOpen(path);
  }

  ReadableFile(const std::string& path, bool checkKind) : path_(path) {
    RefuseNul(path);
    const DWORD attributes = checkKind ? GetFileAttributesA(path.c_str()) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
      RefuseKind(path, FoundKind::Folder);
    handle_ = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) ThrowWindowsError(GetLastError(), path, ErrorCode::PathFileAccess);
    // Devices (NUL, CON, COM1) and pipes answer to the same names as files.
    if (checkKind && GetFileType(handle_) != FILE_TYPE_DISK) {
      CloseHandle(handle_);
      RefuseKind(path, FoundKind::DeviceOrPipe);
    }
  }
  ~ReadableFile() { CloseHandle(handle_); }
  ReadableFile(const ReadableFile&) = delete;
  ReadableFile& operator=(const ReadableFile&) = delete;

  std::size_t SizeHint() const {
    LARGE_INTEGER size{};
    return GetFileSizeEx(handle_, &size) ? static_cast<std::size_t>(size.QuadPart) : 0;
  }

  // The end is only ever known by a read that gives nothing.
  bool WhollyRead(std::size_t) const { return false; }

  // Some bytes into `into`; 0 at the end of the file.
  std::size_t Read(unsigned char* into, std::size_t size) {
    DWORD done = 0;
    const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, kChunk));
    if (!ReadFile(handle_, into, want, &done, nullptr)) ThrowWindowsError(GetLastError(), path_, ErrorCode::DeviceIO);
    return done;
  }

 private:
  const std::string& path_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

#else

class ReadableFile {
 public:
  // A master: looked at without following a link, then opened the same way
  // and checked to be the very file looked at.
  struct Master {};
  ReadableFile(const std::string& path, Master, const FolderIdentity& listed) : path_(path) {
    RefuseNul(path);
    const FolderHandle folder(FolderPart(path));
    folder.ExpectIdentity(listed);
    OpenMaster(folder);
  }
  // A master in a folder already open.
  ReadableFile(const std::string& path, Master, const FolderHandle& folder) : path_(path) {
    RefuseNul(path);
    OpenMaster(folder);
  }
  // A master in a folder already open, just looked at.
  ReadableFile(const std::string& path, Master, const FolderHandle& folder, const struct stat& seen) : path_(path) {
    RefuseNul(path);
    OpenMaster(folder, &seen);
  }

  // A master opened before, as above.
  struct Opened {
    int fd;
    std::size_t size;
  };
  ReadableFile(const std::string& path, Opened opened) : path_(path), fd_(opened.fd), size_(opened.size) {
    regular_ = true;
  }
  // The open master, handed over: this no longer closes it.
  Opened Release() { return {std::exchange(fd_, -1), size_}; }
  // The next Read goes on from byte `offset`.
  void SkipTo(std::size_t offset) {
    if (lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) Fail(errno);
  }

  ReadableFile(const std::string& path, bool checkKind) : path_(path) {
    RefuseNul(path);
    // Without blocking, so that a pipe put where a file was cannot hang the
    // open; for a regular file the flag changes nothing.
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) ThrowFileError(errno, path);
    if (!checkKind) return;
    struct stat info {};
    if (fstat(fd_, &info) != 0) Fail(errno);
    if (S_ISDIR(info.st_mode)) Refuse(FoundKind::Folder);
    if (S_ISFIFO(info.st_mode)) Refuse(FoundKind::NamedPipe);
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) Refuse(FoundKind::Device);
    if (!S_ISREG(info.st_mode)) Refuse(FoundKind::NoRegularFile);
    size_ = static_cast<std::size_t>(info.st_size);
    regular_ = true;
  }
  ~ReadableFile() {
    if (fd_ >= 0) close(fd_);
  }
  ReadableFile(const ReadableFile&) = delete;
  ReadableFile& operator=(const ReadableFile&) = delete;

  std::size_t SizeHint() const { return size_; }
  // Whether `total` bytes read, the last read short, is the whole of a
  // regular file as it was when opened: a read more would only say so.
  bool WhollyRead(std::size_t total) const { return regular_ && total >= size_; }

  std::size_t Read(unsigned char* into, std::size_t size) {
    for (;;) {
      const ssize_t done = read(fd_, into, std::min(size, kChunk));
      if (done >= 0) return static_cast<std::size_t>(done);
      if (errno != EINTR) Fail(errno);
    }
  }

 private:
  void OpenMaster(const FolderHandle& folder, const struct stat* lookedAt = nullptr) {
    const std::string name = FileNameOf(path_);
    struct stat seen {};
    if (lookedAt != nullptr)
      seen = *lookedAt;
    else if (!folder.StatEntry(name, seen))
      ThrowFileError(errno, path_);
    if (!S_ISREG(seen.st_mode)) RefuseNonRegularFile(path_, seen.st_mode);
    NotifyMasterOpen(path_);
    fd_ = folder.OpenEntry(name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK);
    if (fd_ < 0) ThrowFileError(errno, path_);
    struct stat info {};
    if (fstat(fd_, &info) != 0) Fail(errno);
    if (!S_ISREG(info.st_mode)) Refuse(FoundKind::NoRegularFile);
    if (info.st_dev != seen.st_dev || info.st_ino != seen.st_ino) Refuse(FoundKind::AnotherFile);
    size_ = static_cast<std::size_t>(info.st_size);
    regular_ = true;
  }
  [[noreturn]] void Fail(int error) {
    close(std::exchange(fd_, -1));
    ThrowFileError(error, path_);
  }
  [[noreturn]] void Refuse(FoundKind kind) {
    close(std::exchange(fd_, -1));
    RefuseKind(path_, kind);
  }

  const std::string& path_;
  int fd_ = -1;
  std::size_t size_ = 0;
  bool regular_ = false;  // size_ is a regular file's size when opened
};

#endif

}  // namespace

std::size_t ReadFileHead(const std::string& path, std::span<unsigned char> into) {
  ReadableFile file(path, false);
  std::size_t count = 0;
  while (count < into.size()) {
    const std::size_t done = file.Read(into.data() + count, into.size() - count);
    if (done == 0) break;
    count += done;
  }
  return count;
}

namespace {

// From the file's position `from` on.
void ReadChunks(ReadableFile& file, std::size_t limit,
                const std::function<bool(std::span<const unsigned char> chunk)>& take, std::size_t from = 0) {
  unsigned char chunk[kChunk];
  for (std::size_t total = from; total < limit;) {
    const std::size_t asked = std::min(sizeof chunk, limit - total);
    const std::size_t done = file.Read(chunk, asked);
    if (done == 0 || !take({chunk, done})) return;
    total += done;
    if (done < asked && file.WhollyRead(total)) return;
  }
}

}  // namespace

void ReadFileInChunks(const std::string& path, std::size_t limit,
                      const std::function<bool(std::span<const unsigned char> chunk)>& take) {
  ReadableFile file(path, false);
  ReadChunks(file, limit, take);
}

namespace {

std::vector<unsigned char> ReadAll(ReadableFile& file, std::size_t limit) {
  std::vector<unsigned char> bytes;
  // The size is only a hint: the file may grow or shrink while it is read.
  bytes.reserve(std::min(limit, file.SizeHint()));
  ReadChunks(file, limit, [&bytes](std::span<const unsigned char> chunk) {
    bytes.insert(bytes.end(), chunk.begin(), chunk.end());
    return true;
  });
  return bytes;
}

}  // namespace

std::vector<unsigned char> ReadFileStart(const std::string& path, std::size_t limit) {
  ReadableFile file(path, true);
  return ReadAll(file, limit);
}

std::vector<unsigned char> ReadMasterStart(const std::string& path, std::size_t limit, const FolderIdentity& folder) {
  ReadableFile file(path, ReadableFile::Master{}, folder);
  return ReadAll(file, limit);
}

void ReadMasterInChunks(const std::string& path, std::size_t limit,
                        const std::function<bool(std::span<const unsigned char> chunk)>& take,
                        const FolderIdentity& folder) {
  ReadableFile file(path, ReadableFile::Master{}, folder);
  ReadChunks(file, limit, take);
}

#ifndef _WIN32
namespace {

// The master this thread opened ahead of its read, if any. A small one is
// read in this thread's batch, which the next batch of data files starts:
// the disk fetches it with them. A larger one's first bytes are asked for.
struct MasterAhead {
  std::string path;
  int fd = -1;
  std::size_t size = 0;
  std::vector<unsigned char> head;  // what the batch reads: one byte more than the size
  long headRead = FileBatch::kNotDone;
  bool reading = false;
  unsigned forks = 0;  // the process's forks when the read was queued

  // Waits for the batch's read, started now if no batch has started it.
  void Settle() {
    if (!std::exchange(reading, false)) return;
    // A forked child leaves its parent's read alone.
    if (forks != ForksSoFar()) {
      headRead = FileBatch::kNotDone;
      return;
    }
    FileBatch::OfThisThread().Finish({&headRead, 1});
  }
  void Drop() {
    Settle();
    headRead = FileBatch::kNotDone;
    if (fd >= 0) close(std::exchange(fd, -1));
  }
  ~MasterAhead() { Drop(); }
};

MasterAhead& ThisThreadsMaster() {
  // The thread's batch is set up first, so that it is there until the
  // master read in it is done with.
  (void)FileBatch::OfThisThread();
  thread_local MasterAhead master;
  return master;
}

// Masters up to this size are read in the batch.
constexpr std::size_t kReadInBatch = 1 << 16;

}  // namespace

void ReadMasterInChunks(const std::string& path, std::size_t limit,
                        const std::function<bool(std::span<const unsigned char> chunk)>& take,
                        const FolderHandle& folder) {
  MasterAhead& masterAhead = ThisThreadsMaster();
  if (masterAhead.fd >= 0 && masterAhead.path == path) {
    masterAhead.Settle();
    ReadableFile file(path, ReadableFile::Opened{std::exchange(masterAhead.fd, -1), masterAhead.size});
    const long read = std::exchange(masterAhead.headRead, FileBatch::kNotDone);
    if (read < 0) return ReadChunks(file, limit, take);  // not read, or failed: read as usual, which says why
    const std::size_t count = std::min(static_cast<std::size_t>(read), limit);
    if (count > 0 && !take({masterAhead.head.data(), count})) return;
    if (count == limit || (count < masterAhead.head.size() && file.WhollyRead(count))) return;
    // It grew since it was opened: the rest from where the batch stopped.
    file.SkipTo(count);
    return ReadChunks(file, limit, take, count);
  }
  masterAhead.Drop();
  ReadableFile file(path, ReadableFile::Master{}, folder);
  ReadChunks(file, limit, take);
}

void OpenMasterAhead(const std::string& path, const FolderHandle& folder, std::size_t limit) {
  MasterAhead& masterAhead = ThisThreadsMaster();
  masterAhead.Drop();
  try {
    ReadableFile file(path, ReadableFile::Master{}, folder);
    const ReadableFile::Opened opened = file.Release();
    masterAhead.path = path;
    masterAhead.fd = opened.fd;
    masterAhead.size = opened.size;
  } catch (const Error&) {
    // Missing, refused or failing: the read will say so.
    return;
  }
  const std::size_t wanted = std::min(masterAhead.size + 1, limit);
  FileBatch& calls = FileBatch::OfThisThread();
  if (wanted <= kReadInBatch && calls.Available()) {
    masterAhead.head.resize(wanted);
    masterAhead.forks = ForksSoFar();
    masterAhead.reading = true;
    calls.AddReadAlong(masterAhead.fd, masterAhead.head, masterAhead.headRead);
  } else {
    (void)posix_fadvise(masterAhead.fd, 0, static_cast<off_t>(std::min(limit, masterAhead.size)), POSIX_FADV_WILLNEED);
  }
}
#endif

namespace {

void ReadHeadThenRest(ReadableFile& file, std::span<unsigned char> head,
                      const std::function<bool(std::size_t read, std::uint64_t size)>& goOn,
                      const std::function<bool(std::span<const unsigned char> chunk)>& take) {
  std::size_t read = 0;
  while (read < head.size()) {
    const std::size_t done = file.Read(head.data() + read, head.size() - read);
    if (done == 0) break;
    read += done;
  }
  if (goOn(read, file.SizeHint())) ReadChunks(file, SIZE_MAX, take);
}

}  // namespace

void ReadMasterHeadThenRest(const std::string& path, std::span<unsigned char> head,
                            const std::function<bool(std::size_t read, std::uint64_t size)>& goOn,
                            const std::function<bool(std::span<const unsigned char> chunk)>& take,
                            const FolderIdentity& folder) {
  ReadableFile file(path, ReadableFile::Master{}, folder);
  ReadHeadThenRest(file, head, goOn, take);
}

#ifndef _WIN32
void ReadMasterHeadThenRest(const std::string& path, std::span<unsigned char> head,
                            const std::function<bool(std::size_t read, std::uint64_t size)>& goOn,
                            const std::function<bool(std::span<const unsigned char> chunk)>& take,
                            const FolderHandle& folder, const struct stat& seen) {
  ReadableFile file(path, ReadableFile::Master{}, folder, seen);
  ReadHeadThenRest(file, head, goOn, take);
}
#endif

MasterOpenHook SetMasterOpenHook(MasterOpenHook hook) { return std::exchange(OpenHook(), std::move(hook)); }

#ifndef _WIN32
namespace {

EntryKind KindOfLookedAt(const std::string& path, const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return EntryKind::Folder;
  if (!S_ISREG(info.st_mode)) RefuseNonRegularFile(path, info.st_mode);
  return EntryKind::Other;
}

}  // namespace
#endif

EntryKind KindOfMaster(const std::string& path) {
  RefuseNul(path);
#ifdef _WIN32
  return KindOfEntry(RefuseReparsePoint(path));
#else
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) {
    if (errno == ENOENT || errno == ENOTDIR) return EntryKind::None;
    ThrowFileError(errno, path);
  }
  return KindOfLookedAt(path, info);
#endif
}

#ifndef _WIN32
EntryKind KindOfMaster(const FolderHandle& folder, const std::string& path, struct stat& seen) {
  RefuseNul(path);
  if (!folder.StatEntry(FileNameOf(path), seen)) {
    if (errno == ENOENT || errno == ENOTDIR) return EntryKind::None;
    ThrowFileError(errno, path);
  }
  return KindOfLookedAt(path, seen);
}
#endif

#ifndef _WIN32
void RefuseNonRegularFile(const std::string& path, unsigned mode) {
  if (S_ISLNK(mode)) RefuseKind(path, FoundKind::SymbolicLink);
  if (S_ISDIR(mode)) RefuseKind(path, FoundKind::Folder);
  if (S_ISFIFO(mode)) RefuseKind(path, FoundKind::NamedPipe);
  if (S_ISCHR(mode) || S_ISBLK(mode)) RefuseKind(path, FoundKind::Device);
  RefuseKind(path, FoundKind::NoRegularFile);
}
#endif

}  // namespace qmr
