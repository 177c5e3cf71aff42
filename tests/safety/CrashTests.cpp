// A batch rebuild killed outright (SIGKILL: no handler runs, as in a crash)
// at random moments: every master is its old content or its whole new
// content, never cut or mixed, no data file changes, and the temporary file
// a kill leaves is removed by the next rebuild in the folder.
#include <fcntl.h>
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <iostream>
#include <random>
#include <sstream>

#include "SafetySupport.h"

namespace safety_test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kTrends = 24;
constexpr int kFilesPerTrend = 12;
constexpr int kOldFilesPerTrend = 8;  // the old masters are of the trends as they were
constexpr int kKills = 200;
// Every this many kills, every data file is compared byte for byte; between,
// their sizes and times of change are.
constexpr int kFullComparisonEvery = 20;

// Trends of every version, a few with versions 1 to 3 mixed.
std::vector<TrendSet::Trend> CrashTrends() {
  std::vector<TrendSet::Trend> trends;
  for (int i = 0; i < kTrends; ++i) {
    const auto version = static_cast<std::int16_t>(1 + i % 6);
    auto files = RisingTrend(version, "Trend " + std::to_string(i), kFilesPerTrend);
    if (i % 7 == 0)
      for (std::size_t k = 0; k < files.size(); ++k) files[k].version = static_cast<std::int16_t>(1 + k % 3);
    trends.push_back({TrendName(i), std::move(files)});
  }
  return trends;
}

// Size and time of change of every file but the masters and the temporary
// files: a write to a data file changes them.
std::map<std::string, std::pair<off_t, long long>> DataFileStamps(const std::string& folder) {
  std::map<std::string, std::pair<off_t, long long>> stamps;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.ends_with(".qmr") || IsTemporaryName(name)) continue;
    const struct stat info = StatOf(entry.path().string());
    stamps[name] = {info.st_size, static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec};
  }
  return stamps;
}

void SyncFileSystemOf(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(fd, 0) << folder;
  EXPECT_EQ(syncfs(fd), 0) << folder;
  close(fd);
}

void SleepFor(std::chrono::microseconds delay) {
  timespec wanted{static_cast<time_t>(delay.count() / 1000000), static_cast<long>(delay.count() % 1000000) * 1000};
  while (nanosleep(&wanted, &wanted) != 0 && errno == EINTR) {
  }
}

TEST(Crash, KilledAtRandomMomentsEveryMasterIsOldOrWholeAndNew) {
  ASSERT_FALSE(QmrBinary().empty()) << "QMR_BINARY names no qmr binary";
  const auto started = Clock::now();
  const TempFolder folder("qmr-crash-");
  const TempFolder output("qmr-crash-output-");
  TrendSet set(folder.path(), CrashTrends(), kOldFilesPerTrend);
  const auto stamps = DataFileStamps(folder.path());

  // The run's length, measured uninterrupted; the kills fall anywhere in it.
  // The files just written are flushed first: their write-back would slow
  // the first runs' flushes of their masters and make the runs that follow
  // shorter than measured.
  SyncFileSystemOf(folder.path());
  std::chrono::microseconds duration = set.LearnNewMasters(output / "first-run");
  for (int i = 0; i < 2; ++i) duration = std::min(duration, set.LearnNewMasters(output / "timing-run"));
  ASSERT_FALSE(HasFailure());

  std::mt19937 random(20261207);
  std::uniform_int_distribution<long long> delayOf(0, duration.count());
  int kills = 0, allOld = 0, allNew = 0, mixed = 0, torn = 0, ranToEnd = 0, leftTemporary = 0, cleared = 0;
  for (int kill = 0; kill < kKills && !HasFailure(); ++kill) {
    set.RestoreOldMasters();
    const std::chrono::microseconds delay(delayOf(random));
    {
      QmrProcess run(set.RebuildArguments());
      ASSERT_TRUE(run.Started()) << QmrBinary();
      SleepFor(delay);
      run.Signal(SIGKILL);
      ++kills;
      const int status = run.Wait();
      if (WIFEXITED(status)) {
        ++ranToEnd;
        EXPECT_EQ(WEXITSTATUS(status), 0) << "kill " << kill;
      }
    }
    SCOPED_TRACE("kill " + std::to_string(kill) + " after " + std::to_string(delay.count()) + " us");

    int olds = 0, news = 0;
    for (const TrendSet::Trend& trend : set.trends()) {
      switch (set.StateOf(trend.name)) {
        case MasterState::Old: ++olds; break;
        case MasterState::New: ++news; break;
        case MasterState::Neither: ADD_FAILURE() << trend.name << ": neither the old master nor the new one"; break;
      }
    }
    if (olds + news < kTrends)
      ++torn;
    else if (news == 0)
      ++allOld;
    else if (olds == 0)
      ++allNew;
    else
      ++mixed;

    EXPECT_TRUE(DataFileStamps(folder.path()) == stamps) << "a data file changed";
    if ((kill + 1) % kFullComparisonEvery == 0) {
      EXPECT_EQ(set.ChangedDataFiles(), std::vector<std::string>{});
    }

    // The next rebuild in the folder, of one trend alone, clears what the
    // killed one left.
    if (!Temporaries(folder.path()).empty()) {
      ++leftTemporary;
      EXPECT_EQ(RunQmr({"rebuild", "-q", set.FirstFile(set.trends().front().name)}, output / "follow-up"), 0);
      EXPECT_EQ(Temporaries(folder.path()), std::vector<std::string>{});
      if (Temporaries(folder.path()).empty()) ++cleared;
    }
  }
  EXPECT_EQ(set.ChangedDataFiles(), std::vector<std::string>{});

  const auto seconds = std::chrono::duration<double>(Clock::now() - started).count();
  std::ostringstream figures;
  figures << kills << " kills of a rebuild of " << kTrends << " trends (" << kFilesPerTrend
          << " data files each; uninterrupted run " << duration.count() / 1000.0 << " ms): " << allOld
          << " left every master old, " << mixed << " left old and new masters, " << allNew
          << " left every master new (" << ranToEnd << " of them had ended before the kill), " << torn
          << " left a master neither; " << leftTemporary << " left a temporary file, " << cleared
          << " of them removed by the next rebuild; " << seconds << " s";
  std::cout << figures.str() << std::endl;
  RecordProperty("kills", kills);
  RecordProperty("trends", kTrends);
  RecordProperty("all_old", allOld);
  RecordProperty("mixed", mixed);
  RecordProperty("all_new", allNew);
  RecordProperty("ended_before_kill", ranToEnd);
  RecordProperty("neither", torn);
  RecordProperty("left_temporary", leftTemporary);
  RecordProperty("temporary_removed", cleared);
  EXPECT_EQ(torn, 0);
  // Kills that fell while masters were being replaced, or the test proved
  // nothing about them.
  EXPECT_GT(mixed, 0);
  EXPECT_GT(leftTemporary, 0);
}

}  // namespace
}  // namespace safety_test
