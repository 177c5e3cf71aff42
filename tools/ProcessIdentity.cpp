#include "tools/ProcessIdentity.h"

#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <mutex>

namespace qmr {

namespace {

// No process, user or group has this number.
constexpr unsigned long kNotAsked = ~0UL;

std::atomic<unsigned long> processId{kNotAsked};
std::atomic<unsigned long> userId{kNotAsked};
std::atomic<unsigned long> groupId{kNotAsked};

std::atomic<unsigned> forks{0};

void Forget() {
  forks.fetch_add(1, std::memory_order_relaxed);
  processId.store(kNotAsked);
  userId.store(kNotAsked);
  groupId.store(kNotAsked);
}

void ForgetAtFork() {
  static std::once_flag forgetAtFork;
  std::call_once(forgetAtFork, [] { pthread_atfork(nullptr, nullptr, Forget); });
}

// Asks `ask` the first time, and again after a fork.
template <typename Ask>
unsigned long Kept(std::atomic<unsigned long>& kept, Ask ask) {
  ForgetAtFork();
  unsigned long value = kept.load(std::memory_order_relaxed);
  if (value == kNotAsked) {
    value = static_cast<unsigned long>(ask());
    kept.store(value, std::memory_order_relaxed);
  }
  return value;
}

}  // namespace

unsigned long ThisProcessId() { return Kept(processId, getpid); }
unsigned EffectiveUserId() { return static_cast<unsigned>(Kept(userId, geteuid)); }
unsigned EffectiveGroupId() { return static_cast<unsigned>(Kept(groupId, getegid)); }

unsigned ForksSoFar() {
  ForgetAtFork();
  return forks.load(std::memory_order_relaxed);
}

}  // namespace qmr
