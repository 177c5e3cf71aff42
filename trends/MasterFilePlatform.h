// What MasterFile.cpp asks of each system: the temporary file a master is
// written to, syncing a folder, telling a leftover from a file in progress,
// and the interrupt clean-up. MasterFilePosix.cpp and MasterFileWindows.cpp
// each give it for their system; nothing outside the master writer uses it.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <utility>

#include "tools/FolderHandle.h"
#include "trends/OldMaster.h"
#include "trends/RebuildEvents.h"
#include "trends/TemporaryName.h"
#include "trends/TrendFolder.h"

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

// True when a temporary file name of `nameSize` characters in `folder` can
// be opened on this system.
bool TemporaryPathFits(const std::string& folder, std::size_t nameSize);

// "~qmr-PID-N-NAME.tmp" in the master's folder (MasterFile.cpp).
std::string TemporaryPath(const std::string& masterPath);

// True when `start`, the first bytes of a file named as a temporary file
// `name` in `folder`, is what this program writes there: nothing yet, or a
// master's banner, the master of a trend of that folder (MasterFile.cpp).
bool HoldsOwnMaster(std::span<const unsigned char> start, const TemporaryName& name, const TrendFolder& folder);
// How many bytes HoldsOwnMaster needs.
constexpr std::size_t kLeftoverHeadSize = 128;

// What was found of a temporary file of `folder`, looked at relative to the
// folder (which must still be the one listed) and, when `remove`, removed
// if it is a leftover.
enum class LeftoverState {
  NotOurs,  // not provably this program's, or its writer still works
  Found,    // a leftover, not removed (not asked to, or a read-only mount)
  Removed,  // a leftover, removed
};
LeftoverState ExamineLeftover(const TrendFolder& folder, const TrendFolder::Temporary& temporary, bool remove);

// The temporary file, open for writing; closed and removed unless committed.
class TemporaryFile {
 public:
  // In the folder of `masterPath`, which must be the folder `listed` lists
  // when it is given; the folder it holds open, if any, is the one written
  // in, and what `old` saw of the master there is taken as it is. A master
  // that is no regular file is refused.
  TemporaryFile(const std::string& masterPath, const TrendFolder* listed, const OldMasterEntries* old);
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  void Write(const unsigned char* data, std::size_t size);
  // The old master's owner, group and permission bits, where permitted.
  // Returns what could not be kept, when the owner or group could not.
  std::optional<OwnerNotKept> KeepOwnership();
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
  std::optional<FolderHandle> own_;  // opened here when the listing holds none
  const FolderHandle* folder_ = nullptr;
  std::string masterName_;
  std::string fileName_;  // name_ within folder_
  struct stat old_ {};
  bool hadMaster_ = false;
  int fd_ = -1;
  int cleanupSlot_ = -1;
#endif
  bool committed_ = false;
};

// Makes the renames into `folder` durable, where the system needs it.
void SyncFolder(const std::string& folder);

}  // namespace qmr::masterfile
