// What MasterFile.cpp asks of each system: the temporary file a master is
// written to, syncing a folder, telling a leftover from a file in progress,
// and the interrupt clean-up. MasterFilePosix.cpp and MasterFileWindows.cpp
// each give it for their system; nothing outside the master writer uses it.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace qmr::masterfile {

// Big enough that a master of 32767 entries takes a few hundred writes, small
// enough that a failure part way through can be simulated.
constexpr std::size_t kChunkSize = std::size_t{64} << 10;
// How many temporary names are tried before giving up on a folder in which
// every candidate already exists.
constexpr int kTemporaryAttempts = 100;

// Between a folder and a file name in the paths this system writes.
extern const char* const kSeparator;

unsigned long CurrentProcessId();

// The folder part of a master's path, and the file name after it.
std::pair<std::string, std::string> SplitPath(const std::string& path);

// The folder as the system opens it: "." for the working folder.
std::string FolderToOpen(const std::string& folderPart);

// True when a temporary file name of `nameSize` characters in `folder` can
// be opened on this system.
bool TemporaryPathFits(const std::string& folder, std::size_t nameSize);

// "~qmr-PID-N-NAME.tmp" in the master's folder (MasterFile.cpp).
std::string TemporaryPath(const std::string& masterPath);

// The temporary file, open for writing; closed and removed unless committed.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::string& masterPath);
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  void Write(const unsigned char* data, std::size_t size);
  // The old master's owner, group and permission bits, where permitted.
  // Returns why the owner or group could not be kept, or "".
  std::string KeepOwnership();
  // Flushes the file and renames it over the master.
  void FlushAndReplace();

 private:
#ifdef _WIN32
  [[noreturn]] void Fail(DWORD code) const;
#else
  [[noreturn]] void FailToCreate(int error) const;
#endif

  std::string masterPath_;
  std::string name_;
#ifdef _WIN32
  HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
  struct stat old_ {};
  bool hadMaster_ = false;
  int fd_ = -1;
  int cleanupSlot_ = -1;
#endif
  bool committed_ = false;
};

// Makes the renames into `folder` durable, where the system needs it.
void SyncFolder(const std::string& folder);

// A leftover: its writer no longer holds it.
bool IsStale(const std::string& path, unsigned long processId);
bool RemoveIfStale(const std::string& path, unsigned long processId);

}  // namespace qmr::masterfile
