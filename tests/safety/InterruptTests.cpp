// The real qmr, told to end (Ctrl+C, kill, a closed terminal) while a master
// is being written: it removes its temporary file and ends by the signal, the
// master being written stays as it was.
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/inotify.h>
#include <unistd.h>

#include "SafetySupport.h"

namespace safety_test {
namespace {

using Clock = std::chrono::steady_clock;

// Sends `signalNumber` to a rebuild of `set` at a moment when one of its
// temporary files exists: the process is stopped as soon as a temporary file
// appears and signalled only if the file is still there, so the signal is
// known to arrive while that master is being written. Returns the temporary
// file's name, or "" when the run ended before one was caught.
std::string SignalWhileWriting(const TrendSet& set, int signalNumber, int& status) {
  const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  if (watch < 0 || inotify_add_watch(watch, set.folder().c_str(), IN_CREATE) < 0) {
    ADD_FAILURE() << "cannot watch " << set.folder() << ": " << strerror(errno);
    if (watch >= 0) close(watch);
    return "";
  }
  // One trend at a time: with several at once the signal is handled by one
  // thread while the others go on, and a master whose write it interrupted
  // may still be finished, whole, by its own thread before the program ends.
  std::vector<std::string> args = set.RebuildArguments();
  args.insert(args.begin() + 1, {"-j", "1"});
  QmrProcess run(args);
  EXPECT_TRUE(run.Started()) << QmrBinary();
  std::string caught;
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (run.Started() && caught.empty() && !run.Ended() && Clock::now() < deadline) {
    pollfd ready{watch, POLLIN, 0};
    if (poll(&ready, 1, 50) <= 0) continue;
    alignas(inotify_event) char buffer[16384];
    const ssize_t got = read(watch, buffer, sizeof buffer);
    for (ssize_t at = 0; at < got && caught.empty();) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      const std::string name = event->len > 0 ? event->name : "";
      if (!IsTemporaryName(name)) continue;
      if (!run.Stop()) break;  // it ended meanwhile
      if (std::filesystem::exists(set.folder() + "/" + name)) {
        run.Signal(signalNumber);
        caught = name;
      }
      run.Signal(SIGCONT);
    }
  }
  close(watch);
  EXPECT_LT(Clock::now(), deadline) << "the rebuild did not end";
  status = run.Wait();
  return caught;
}

TEST(Interrupt, AnInterruptedRebuildRemovesItsTemporaryFileAndKeepsTheOldMaster) {
  ASSERT_FALSE(QmrBinary().empty()) << "QMR_BINARY names no qmr binary";
  const TempFolder folder("qmr-interrupt-");
  const TempFolder output("qmr-interrupt-output-");
  // Masters of some size, so that writing one takes long enough to be caught.
  std::vector<TrendSet::Trend> trends;
  for (int i = 0; i < 4; ++i) trends.push_back({TrendName(i), RisingTrend(6, "Tank " + std::to_string(i), 400)});
  TrendSet set(folder.path(), trends, 300);
  set.LearnNewMasters(output / "first-run");

  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
    SCOPED_TRACE(strsignal(signalNumber));
    // A run whose temporary files all came and went before it could be
    // stopped is tried again.
    std::string caught;
    int status = 0;
    for (int attempt = 0; attempt < 5 && caught.empty(); ++attempt) {
      set.RestoreOldMasters();
      caught = SignalWhileWriting(set, signalNumber, status);
    }
    ASSERT_FALSE(caught.empty()) << "no run was caught while writing a master";

    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << "wait status " << status;
    EXPECT_EQ(Temporaries(folder.path()), std::vector<std::string>{});
    for (const TrendSet::Trend& trend : set.trends()) {
      const MasterState state = set.StateOf(trend.name);
      EXPECT_NE(state, MasterState::Neither) << trend.name << ": neither the old master nor the new one";
      // "~qmr-PID-N-T02.tmp" was T02's.
      if (caught.ends_with("-" + trend.name + ".tmp")) {
        EXPECT_EQ(state, MasterState::Old) << trend.name;
      }
    }
    EXPECT_EQ(set.ChangedDataFiles(), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace safety_test
