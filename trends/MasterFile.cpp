#include "trends/MasterFile.h"

#include <atomic>
#include <cerrno>
#include <string>
#include <utility>

#include "tools/Errors.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qmr {
namespace {

// Big enough that a master of 32767 entries takes a few hundred writes, small
// enough that a failure part way through can be simulated.
constexpr std::size_t kChunkSize = 64 * 1024;
// How many temporary names are tried before giving up on a folder in which
// every candidate already exists.
constexpr int kTemporaryAttempts = 100;

// The seam is set by tests on the thread that rebuilds; nothing else runs
// writes at the same time.
WriteFaultHook writeFaultHook;

std::atomic<unsigned> temporaryCounter{0};

unsigned CurrentProcessId() {
#ifdef _WIN32
  return static_cast<unsigned>(GetCurrentProcessId());
#else
  return static_cast<unsigned>(getpid());
#endif
}

// ~qmr-<pid>-<counter>.tmp in the master's folder, so that the final rename
// never crosses file systems. The name does not grow with the trend's name:
// a trend named near the file system's limit of 255 bytes per name still
// leaves room for it.
std::string TemporaryName(const std::string& path) {
#ifdef _WIN32
  const std::size_t cut = path.find_last_of("\\/:");
#else
  const std::size_t cut = path.find_last_of('/');
#endif
  const std::string folder = cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
  return folder + "~qmr-" + std::to_string(CurrentProcessId()) + "-" + std::to_string(temporaryCounter++) + ".tmp";
}

#ifdef _WIN32

// The temporary file, open for writing; closed and deleted unless committed.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& masterPath) : masterPath_(masterPath) {
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
      name_ = TemporaryName(masterPath);
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
      const DWORD want = static_cast<DWORD>(size);
      if (!WriteFile(handle_, data, want, &done, nullptr)) Fail(GetLastError());
      if (done == 0) Fail(ERROR_DISK_FULL);
      data += done;
      size -= done;
    }
  }

  void FlushAndReplace() {
    if (!FlushFileBuffers(handle_)) Fail(GetLastError());
    const HANDLE handle = std::exchange(handle_, INVALID_HANDLE_VALUE);
    if (!CloseHandle(handle)) Fail(GetLastError());
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

#else

// The temporary file, open for writing; closed and unlinked unless committed.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& masterPath) : masterPath_(masterPath) {
    // A replaced master keeps the permissions of the one it replaces.
    struct stat old {};
    const bool hadMaster = stat(masterPath.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
      name_ = TemporaryName(masterPath);
      fd_ = open(name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) break;
      if (errno != EEXIST) ThrowFileError(errno, masterPath_);
    }
    if (fd_ < 0) ThrowFileError(EEXIST, masterPath_);
    if (hadMaster) (void)fchmod(fd_, old.st_mode & 07777);
  }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlink(name_.c_str());
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

  void FlushAndReplace() {
    if (fsync(fd_) != 0) ThrowFileError(errno, masterPath_);
    const int fd = std::exchange(fd_, -1);
    if (close(fd) != 0) ThrowFileError(errno, masterPath_);
    if (rename(name_.c_str(), masterPath_.c_str()) != 0) ThrowFileError(errno, masterPath_);
    committed_ = true;
    SyncFolder();
  }

 private:
  // Makes the rename itself durable. The master is already in place, so a
  // folder that cannot be synced is no reason to report a failure.
  void SyncFolder() const {
    const std::size_t cut = masterPath_.find_last_of('/');
    const std::string folder = cut == std::string::npos ? "." : cut == 0 ? "/" : masterPath_.substr(0, cut);
    const int fd = open(folder.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return;
    (void)fsync(fd);
    close(fd);
  }

  std::string masterPath_;
  std::string name_;
  int fd_ = -1;
  bool committed_ = false;
};

#endif

}  // namespace

WriteFaultHook SetWriteFaultHook(WriteFaultHook hook) {
  return std::exchange(writeFaultHook, std::move(hook));
}

void WriteMasterFile(const std::string& path, std::span<const unsigned char> bytes) {
  const WriteFaultHook hook = writeFaultHook;
  TemporaryFile file(path);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const std::size_t chunk = bytes.size() - written < kChunkSize ? bytes.size() - written : kChunkSize;
    if (hook) hook(written, chunk);
    file.Write(bytes.data() + written, chunk);
    written += chunk;
  }
  file.FlushAndReplace();
}

}  // namespace qmr
