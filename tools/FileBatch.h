// Many files' system calls made with one system call, where the system
// permits it (io_uring on Linux): opening the files of a folder, reading
// their first bytes and closing them. A call costs little next to entering
// the system on this kind of machine, and a cold call that waits for the
// disk runs beside the others instead of after them: files written one
// after the other often lie one after the other on the disk, and asked for
// together, the disk serves them in a few large reads.
#pragma once

#include <limits>
#include <memory>
#include <span>
#include <vector>

struct io_uring_sqe;

namespace qmr {

class FileBatch {
 public:
  // For `depth` calls in flight at most. Where the system has no batches or
  // refuses them (containers often do), or lacks one of the calls,
  // Available() is false.
  explicit FileBatch(unsigned depth);
  // The calling thread's batch for kThreadDepth calls, set up at its first
  // use (and again in a forked child).
  static constexpr unsigned kThreadDepth = 1024;
  static FileBatch& OfThisThread();
  ~FileBatch();  // waits for the calls in flight
  FileBatch(const FileBatch&) = delete;
  FileBatch& operator=(const FileBatch&) = delete;

  bool Available() const noexcept;
  // Set up before this process was forked from another: never used again.
  bool Stale() const noexcept;
  // Test seam: whether batches are made at all (as where the system
  // refuses them), also by a batch set up before; returns what was set
  // before.
  static bool Allow(bool allowed);
  // Test seam: every open is left to the caller as one that would wait for
  // the disk (-EAGAIN); returns what was set before.
  static bool LeaveOpens(bool leave);

  // A result of a call the batch did not make: the caller makes it itself.
  static constexpr long kNotDone = std::numeric_limits<long>::min();

  // Each Add prepares one call for the next Submit. Its `result` becomes
  // what the call returns (a descriptor, 0 or a count of bytes), minus the
  // system's error number, or kNotDone; the names, buffers and results must
  // stay until Finish. Only where Available().
  //
  // openat(folder, name, flags), only as far as the system can without the
  // disk: one that would wait for it gives -EAGAIN, for the caller to make
  // itself. `name` must stay until Submit returns.
  void AddOpen(int folder, const char* name, int flags, long& result);
  // One read at offset 0 of `file` into `into`, then the file closed
  // whatever the read gave: `closed` is the close's result. A close that
  // is neither done nor -ECANCELED has taken the descriptor away.
  void AddReadThenClose(int file, std::span<unsigned char> into, long& read, long& closed);
  // One read at offset 0 of `file` into `into`, the file left open. It
  // goes with the next reads added (AddReadThenClose), so that the disk
  // fetches them together, or with the Finish of its result if none come
  // first; a Submit that waits does not wait for it.
  void AddReadAlong(int file, std::span<unsigned char> into, long& read);

  // Starts the calls added since the last Submit; with `wait`, the same
  // system call also waits for them. Calls it cannot start become kNotDone,
  // and the batch is not used again.
  void Submit(bool wait);
  // Waits until no call that gave one of `results` is in flight.
  void Finish(std::span<long> results);

 private:
  // The next call's place, with room for `count` calls in this submission
  // (what was added is started first when there is none); nullptr when the
  // batch cannot take them.
  io_uring_sqe* Room(unsigned count);
  // The call's result goes to `result`.
  void Track(io_uring_sqe* call, long& result);
  // The reads waiting to go with others, put in the next submission.
  void PutAlong();

  struct Ring;
  std::unique_ptr<Ring> ring_;
  std::vector<long*> added_;  // the results of the calls not submitted yet
  struct Along {
    int file;
    std::span<unsigned char> into;
    long* read;
  };
  std::vector<Along> along_;  // reads waiting to go with others
  unsigned unwaited_ = 0;     // the added reads that went along: no Submit waits for them
};

}  // namespace qmr
