// Replacing master files safely. Each master is written whole to a temporary
// file in its folder, flushed to disk and renamed over the old one, so that a
// failure or a crash at any point leaves every master either as it was or
// complete and new, never cut, and no temporary file behind once the next
// rebuild in that folder has run.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tools/FolderHandle.h"
#include "trends/TemporaryName.h"
#include "trends/TrendPath.h"

namespace qmr {

class RebuildEvents;
class TrendFolder;
struct OldMasterEntries;

// True when the file `fileName` of `folder` (named as above) is a leftover
// of this program: provably its own (see MasterWriter) and its writer gone.
// Looks only, removes nothing; a leftover on a read-only mount counts.
bool IsLeftover(const TrendFolder& folder, const std::string& fileName);

// Writes the masters of one run, from one thread or several.
//  - A master that may not be written is refused with error 70 and left as it
//    is: one whose permission bits let no one write it (read-only by intent,
//    even for the administrator), or one the user may not write.
//  - A master that is no regular file (a symbolic link, a device, a pipe, a
//    Windows reparse point) is refused with error 75: it is never followed,
//    read or replaced.
//  - The new master keeps the old one's owner, group and permission bits
//    (0777 only: never set-user-ID, set-group-ID or sticky) where the system
//    permits; where it does not, MasterOwnerNotKept is told.
//  - Every file is created, renamed and removed relative to the folder held
//    open, which must be the folder the caller listed when it says which.
//  - Before the first master of a folder, the temporary files that earlier
//    runs left behind are removed and told to StaleTemporaryRemoved; only
//    those provably this program's: named "~qmr-PID-N[-NAME].tmp", a
//    regular file owned by this user or the folder's owner, its NAME a trend
//    of the folder, empty or holding a master's banner (which names a trend
//    of the folder when the name carries none), no writer holding its lock,
//    and the writer gone.
//  - The renames are made durable by syncing the folder: after each master,
//    or once per folder when the run finishes.
class MasterWriter {
 public:
  enum class FolderSync { AfterEachMaster, OncePerFolder };

  explicit MasterWriter(FolderSync sync = FolderSync::AfterEachMaster);
  ~MasterWriter();  // Finish()
  MasterWriter(const MasterWriter&) = delete;
  MasterWriter& operator=(const MasterWriter&) = delete;

  // Writes the master of `trend`, in the folder `listed` lists when the
  // caller has listed it (through the folder it holds open, if any; its
  // leftovers are then those it lists). `old` is what the caller has just
  // read of the master it replaces, if anything: what it saw of the file
  // there is not asked again. Throws qmr::Error when it cannot be written;
  // the old master (if any) is then untouched and no temporary file is left.
  // What the write has to tell goes to `events`.
  void Write(const TrendPath& trend, std::span<const unsigned char> bytes, RebuildEvents& events,
             const TrendFolder* listed = nullptr, const OldMasterEntries* old = nullptr);
  // Removes the leftovers of `folder` without writing a master there: once
  // per folder, as before its first master, telling `events` of the call
  // that removes them. A call while another thread removes them waits for
  // it. Returns every leftover removed from the folder in this run.
  std::vector<std::string> RemoveLeftovers(const std::string& folder, RebuildEvents& events);
  // The same, `listed` being that folder's listing, made in this run.
  std::vector<std::string> RemoveLeftovers(const std::string& folder, RebuildEvents& events, const TrendFolder* listed);
  // Syncs every folder written to and not synced yet. A folder that cannot
  // be synced is no failure: its masters are in place.
  void Finish();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// One master, written as MasterWriter writes it, its folder synced.
void WriteMasterFile(const TrendPath& trend, std::span<const unsigned char> bytes, RebuildEvents& events);
// The same for the master at `masterPath` (NAME.qmr).
void WriteMasterFile(const std::string& masterPath, std::span<const unsigned char> bytes);

// When the program is interrupted (SIGINT, SIGTERM, SIGHUP, or SIGPIPE when
// the reader of its output went away), removes the temporary file of every
// replacement in progress, then lets the signal end the program as it would
// have. The old masters stay. Call once, early in main; does nothing where
// the system has no such signals.
void InstallInterruptCleanup();

#ifndef _WIN32
// For a program that waits for its signals on a thread of its own (sigwait),
// or learns of a closed output pipe from a write's EPIPE: removes the
// temporary file of every replacement in progress, lets no new one be
// created, then ends the program by `signalNumber` (its default action).
// Not for a signal handler.
[[noreturn]] void EndByInterrupt(int signalNumber);
#endif

// Test seam: called before every low-level write with the number of bytes
// already written and the size of the next chunk. Throwing from it (for
// example Error(DiskFull)) simulates a device that fails part way. An empty
// hook removes the seam. Returns the previous hook.
using WriteFaultHook = std::function<void(std::size_t written, std::size_t chunk)>;
WriteFaultHook SetWriteFaultHook(WriteFaultHook hook);

}  // namespace qmr
