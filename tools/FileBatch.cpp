#include "tools/FileBatch.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <utility>

#ifdef QMR_HAVE_URING
#include <fcntl.h>
#include <liburing.h>
#include <linux/openat2.h>
#include <sys/stat.h>

#include <vector>

#include "tools/ProcessIdentity.h"
#endif

namespace qmr {

namespace {

// A call started and not done yet.
constexpr long kInFlight = FileBatch::kNotDone + 1;
// A read waiting to go with others.
constexpr long kWaitingAlong = FileBatch::kNotDone + 2;

std::atomic<bool> allowed{true};
std::atomic<bool> leaveOpens{false};

}  // namespace

#ifdef QMR_HAVE_URING

// A process forked without a new program shares its parent's queues of
// calls, but each side keeps its own place in them: after one side used a
// queue, the other's place is wrong and its calls would never start. A
// batch set up before a fork is not used again.
struct FileBatch::Ring {
  io_uring ring{};
  unsigned inFlight = 0;
  // What each open asks for, read by the system when it is submitted: one
  // per call the ring takes at once.
  std::vector<open_how> hows;
  std::size_t nextHow = 0;
  unsigned born = ForksSoFar();

  // Takes one completion; false when the ring fails.
  bool TakeOne() {
    io_uring_cqe* done = nullptr;
    int waited = 0;
    do waited = io_uring_wait_cqe(&ring, &done);
    while (waited == -EINTR || waited == -EAGAIN);
    if (waited < 0) return false;
    *reinterpret_cast<long*>(static_cast<std::uintptr_t>(io_uring_cqe_get_data64(done))) = done->res;
    io_uring_cqe_seen(&ring, done);
    --inFlight;
    return true;
  }
  ~Ring() {
    // A child leaves the completions of its parent's calls to the parent.
    const bool stale = born != ForksSoFar();
    while (!stale && inFlight > 0 && TakeOne()) {
    }
    io_uring_queue_exit(&ring);
  }
};

namespace {

bool AllCallsSupported(io_uring& ring) {
  io_uring_probe* probe = io_uring_get_probe_ring(&ring);
  if (probe == nullptr) return false;
  bool all = true;
  for (int call : {IORING_OP_OPENAT2, IORING_OP_READ, IORING_OP_CLOSE})
    all = all && io_uring_opcode_supported(probe, call);
  io_uring_free_probe(probe);
  return all;
}

}  // namespace

FileBatch::FileBatch(unsigned depth) {
  if (!allowed.load()) return;
  auto ring = std::make_unique<Ring>();
  if (io_uring_queue_init(depth, &ring->ring, 0) < 0) return;  // not here: the caller makes the calls itself
  if (!AllCallsSupported(ring->ring)) return;
  ring->hows.resize(depth);
  ring_ = std::move(ring);
  added_.reserve(depth);
}

io_uring_sqe* FileBatch::Room(unsigned count) {
  if (io_uring_sq_space_left(&ring_->ring) < count) Submit(false);
  if (ring_ == nullptr || io_uring_sq_space_left(&ring_->ring) < count) return nullptr;
  return io_uring_get_sqe(&ring_->ring);
}

void FileBatch::Track(io_uring_sqe* call, long& result) {
  io_uring_sqe_set_data64(call, reinterpret_cast<std::uintptr_t>(&result));
  result = kInFlight;
  added_.push_back(&result);
}

void FileBatch::AddOpen(int folder, const char* name, int flags, long& result) {
  if (leaveOpens.load(std::memory_order_relaxed)) {
    result = -EAGAIN;
    return;
  }
  io_uring_sqe* call = Room(1);
  if (call == nullptr) {
    result = kNotDone;
    return;
  }
  // Only from what the system holds in memory: an open that would wait for
  // the disk would go to the system's worker threads, which cost more than
  // the caller's own open of it.
  open_how& how = ring_->hows[ring_->nextHow++ % ring_->hows.size()];
  how = open_how{};
  how.flags = static_cast<std::uint64_t>(flags);
  how.resolve = RESOLVE_CACHED;
  io_uring_prep_openat2(call, folder, name, &how);
  Track(call, result);
}

void FileBatch::AddReadThenClose(int file, std::span<unsigned char> into, long& read, long& closed) {
  PutAlong();
  // The close must follow the read in the same submission: a link does not
  // reach into the next one, and a close run first would let the read hit
  // whatever file takes the descriptor's number next.
  io_uring_sqe* reading = Room(2);
  if (reading == nullptr) {
    read = closed = kNotDone;
    return;
  }
  io_uring_prep_read(reading, file, into.data(), static_cast<unsigned>(into.size()), 0);
  // The close runs even when the read fails.
  reading->flags |= IOSQE_IO_HARDLINK;
  Track(reading, read);
  io_uring_sqe* closing = io_uring_get_sqe(&ring_->ring);
  io_uring_prep_close(closing, file);
  Track(closing, closed);
}

void FileBatch::AddReadAlong(int file, std::span<unsigned char> into, long& read) {
  if (ring_ == nullptr) {
    read = kNotDone;
    return;
  }
  read = kWaitingAlong;
  along_.push_back({file, into, &read});
}

void FileBatch::PutAlong() {
  for (const Along& along : along_) {
    io_uring_sqe* reading = Room(1);
    if (reading == nullptr) {
      *along.read = kNotDone;
      continue;
    }
    io_uring_prep_read(reading, along.file, along.into.data(), static_cast<unsigned>(along.into.size()), 0);
    Track(reading, *along.read);
    ++unwaited_;
  }
  along_.clear();
}

void FileBatch::Submit(bool wait) {
  if (ring_ == nullptr || added_.empty()) return;
  io_uring* ring = &ring_->ring;
  const auto count = static_cast<unsigned>(added_.size()) - std::exchange(unwaited_, 0);
  int submitted = 0;
  do submitted = wait && count > 0 ? io_uring_submit_and_wait(ring, count) : io_uring_submit(ring);
  while (submitted == -EINTR);
  if (submitted > 0) ring_->inFlight += static_cast<unsigned>(submitted);
  const auto started = static_cast<std::size_t>(std::max(submitted, 0));
  if (started == added_.size()) {
    added_.clear();
    return;
  }
  // Not all taken: those not started are made by the caller, and the ring
  // is not used again once the started ones are done.
  for (std::size_t at = started; at < added_.size(); ++at) *added_[at] = kNotDone;
  added_.clear();
  while (ring_->inFlight > 0 && ring_->TakeOne()) {
  }
  ring_.reset();
}

void FileBatch::Finish(std::span<long> results) {
  if (std::find(results.begin(), results.end(), kWaitingAlong) != results.end()) {
    PutAlong();
    Submit(false);
  }
  for (long& result : results)
    while (result == kInFlight && ring_ != nullptr && ring_->inFlight > 0)
      if (!ring_->TakeOne()) ring_.reset();  // a failing ring is not used again
  // Calls the ring could not finish are made by the caller.
  std::replace_if(
      results.begin(), results.end(), [](long result) { return result == kInFlight || result == kWaitingAlong; },
      kNotDone);
}

bool FileBatch::Stale() const noexcept { return ring_ != nullptr && ring_->born != ForksSoFar(); }

#else

struct FileBatch::Ring {};

bool FileBatch::Stale() const noexcept { return false; }

io_uring_sqe* FileBatch::Room(unsigned) { return nullptr; }

void FileBatch::Track(io_uring_sqe*, long&) {}

FileBatch::FileBatch(unsigned) {}

void FileBatch::AddOpen(int, const char*, int, long& result) { result = kNotDone; }

void FileBatch::AddReadThenClose(int, std::span<unsigned char>, long& read, long& closed) { read = closed = kNotDone; }

void FileBatch::AddReadAlong(int, std::span<unsigned char>, long& read) { read = kNotDone; }

void FileBatch::PutAlong() {}

void FileBatch::Submit(bool) {}

void FileBatch::Finish(std::span<long>) {}

#endif

FileBatch::~FileBatch() = default;

bool FileBatch::Available() const noexcept {
  return ring_ != nullptr && allowed.load(std::memory_order_relaxed) && !Stale();
}

FileBatch& FileBatch::OfThisThread() {
  thread_local std::optional<FileBatch> calls;
  if (!calls || calls->Stale()) calls.emplace(kThreadDepth);
  return *calls;
}

bool FileBatch::Allow(bool allow) { return allowed.exchange(allow); }

bool FileBatch::LeaveOpens(bool leave) { return leaveOpens.exchange(leave); }

}  // namespace qmr
