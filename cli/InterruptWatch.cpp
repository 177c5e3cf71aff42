#include "cli/InterruptWatch.h"

#include <atomic>
#include <cerrno>

#ifndef _WIN32
#include <signal.h>
#include <unistd.h>

#include <thread>

#include "trends/MasterFile.h"
#else
#include <io.h>
#endif

namespace qmr::cli {

namespace {

std::atomic<bool> allowed{false};

}  // namespace

void AllowInterruptWatch() { allowed = true; }

#ifndef _WIN32

void WatchInterruptsBeforeThreads() {
  static std::atomic<bool> watching{false};
  if (!allowed || watching.exchange(true)) return;
  sigset_t signals;
  sigemptyset(&signals);
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    if (sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler != SIG_IGN)
      sigaddset(&signals, signalNumber);
  }
  signal(SIGPIPE, SIG_IGN);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread([signals] {
    for (;;) {
      int signalNumber = 0;
      if (sigwait(&signals, &signalNumber) == 0) EndByInterrupt(signalNumber);
    }
  }).detach();
}

#else

// Windows ends a console program on Ctrl+C by a thread of its own; the
// temporary files then stay for the next run in their folder to remove.
void WatchInterruptsBeforeThreads() {}

#endif

StandardOutput::StandardOutput() { setp(buffer_, buffer_ + sizeof buffer_); }

StandardOutput::~StandardOutput() { Drain(); }

StandardOutput::int_type StandardOutput::overflow(int_type c) {
  if (!Drain()) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  *pptr() = traits_type::to_char_type(c);
  pbump(1);
  return c;
}

int StandardOutput::sync() { return Drain() ? 0 : -1; }

bool StandardOutput::Drain() {
  const char* next = pbase();
  while (next < pptr()) {
#ifdef _WIN32
    const int done = _write(1, next, static_cast<unsigned>(pptr() - next));
#else
    const ssize_t done = write(STDOUT_FILENO, next, static_cast<std::size_t>(pptr() - next));
    if (done < 0 && errno == EINTR) continue;
    if (done < 0 && errno == EPIPE) EndByInterrupt(SIGPIPE);
#endif
    if (done <= 0) {
      writeError_ = done < 0 ? errno : EIO;
      setp(buffer_, buffer_ + sizeof buffer_);
      return false;
    }
    next += done;
  }
  setp(buffer_, buffer_ + sizeof buffer_);
  return true;
}

}  // namespace qmr::cli
