#include "tools/BatchReads.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>

#ifdef QMR_HAVE_URING
#include <liburing.h>
#endif

namespace qmr {

namespace {

// A read started and not done yet.
constexpr long kInFlight = BatchReads::kNotRead + 1;

std::atomic<bool> allowed{true};

}  // namespace

#ifdef QMR_HAVE_URING

struct BatchReads::Ring {
  io_uring ring{};
  unsigned inFlight = 0;

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
    while (inFlight > 0 && TakeOne()) {
    }
    io_uring_queue_exit(&ring);
  }
};

BatchReads::BatchReads(unsigned depth) {
  if (!allowed.load()) return;
  auto ring = std::make_unique<Ring>();
  if (io_uring_queue_init(depth, &ring->ring, 0) < 0) return;  // not here: the caller reads one by one
  ring_ = std::move(ring);
}

void BatchReads::Start(std::span<const int> files, std::span<const std::span<unsigned char>> into,
                       std::span<long> results, bool waitNow) {
  io_uring* ring = &ring_->ring;
  std::size_t prepared = 0;
  for (; prepared < files.size(); ++prepared) {
    io_uring_sqe* read = io_uring_get_sqe(ring);
    if (read == nullptr) break;
    io_uring_prep_read(read, files[prepared], into[prepared].data(), static_cast<unsigned>(into[prepared].size()), 0);
    io_uring_sqe_set_data64(read, reinterpret_cast<std::uintptr_t>(&results[prepared]));
    results[prepared] = kInFlight;
  }
  std::fill(results.begin() + static_cast<std::ptrdiff_t>(prepared), results.end(), kNotRead);
  int submitted = 0;
  do submitted = waitNow ? io_uring_submit_and_wait(ring, static_cast<unsigned>(prepared)) : io_uring_submit(ring);
  while (submitted == -EINTR);
  if (submitted > 0) ring_->inFlight += static_cast<unsigned>(submitted);
  if (submitted == static_cast<int>(prepared)) return;
  // Not all taken: those not started are read one by one, and the ring is
  // not used again.
  for (std::size_t at = static_cast<std::size_t>(std::max(submitted, 0)); at < prepared; ++at) results[at] = kNotRead;
  Finish(results);
  ring_.reset();
}

void BatchReads::Finish(std::span<long> results) {
  for (long& result : results)
    while (result == kInFlight && ring_ != nullptr)
      if (!ring_->TakeOne()) ring_.reset();  // a failing ring is not used again
  // Reads the ring could not finish are done one by one.
  std::replace(results.begin(), results.end(), kInFlight, kNotRead);
}

#else

struct BatchReads::Ring {};

BatchReads::BatchReads(unsigned) {}

void BatchReads::Start(std::span<const int>, std::span<const std::span<unsigned char>>, std::span<long>, bool) {}

void BatchReads::Finish(std::span<long>) {}

#endif

BatchReads::~BatchReads() = default;

bool BatchReads::Allow(bool allow) { return allowed.exchange(allow); }

}  // namespace qmr
