// How qmr ends when told to (Ctrl+C, kill, a closed terminal, a reader of
// its output that went away) while several threads write masters: no
// temporary file may stay behind.
#pragma once

#include <streambuf>

namespace qmr::cli {

// Called once by the program's main: runs may then hand the signals to a
// thread of their own. Tests that run the tool in-process leave it off.
void AllowInterruptWatch();

// Called before a run starts threads (does nothing unless allowed, or a
// second time): SIGINT, SIGTERM and SIGHUP are blocked in the calling thread,
// and so in every thread started after, and one thread waits for them
// (sigwait) and ends the program through EndByInterrupt. A signal handler
// would run on any thread while the others go on creating files. SIGPIPE is
// ignored: the closed pipe is learnt from the write (StandardOutput).
// Signals the program was told to ignore (nohup) stay ignored.
void WatchInterruptsBeforeThreads();

// Standard output, written with write(2): a write that fails with EPIPE ends
// the program as SIGPIPE would have, its temporary files removed.
class StandardOutput : public std::streambuf {
 public:
  StandardOutput();
  ~StandardOutput() override;
  StandardOutput(const StandardOutput&) = delete;
  StandardOutput& operator=(const StandardOutput&) = delete;

  // The errno of the write that failed, 0 while none did.
  int WriteError() const { return writeError_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool Drain();
  char buffer_[1 << 14];
  int writeError_ = 0;
};

}  // namespace qmr::cli
