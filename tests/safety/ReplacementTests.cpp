// Replacing a master must not take from its owner what the old one gave: its
// owner, group and mode stay, a master no one may write is not replaced, and
// the leftovers of writers that died are cleared without touching the files
// of writers still at work.
#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "SafetySupport.h"
#include "trends/Banner.h"

namespace safety_test {
namespace {

class Replacement : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return folder_ / name; }
  std::string Trend(const std::string& name, int files = 3) const {
    qmr::samples::WriteTrend(folder_.path(), name, RisingTrend(6, "Tank", files));
    return Path(name + ".000");
  }

  TempFolder folder_{"qmr-safety-"};
};

TEST_F(Replacement, RootKeepsTheOwnerGroupAndModeOfTheOldMaster) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a file to another user";
  // 02750: the permission bits are carried over, the set-group-ID bit never
  // (nor set-user-ID or sticky).
  for (const mode_t mode : {mode_t{0640}, mode_t{02750}}) {
    SCOPED_TRACE(mode);
    const std::string first = Trend("TANK");
    const Bytes old(300, 0x5A);
    WriteBytes(Path("TANK.qmr"), old);
    ASSERT_EQ(chown(Path("TANK.qmr").c_str(), 1234, 5678), 0);
    ASSERT_EQ(chmod(Path("TANK.qmr").c_str(), mode), 0);

    SafetyEvents events;
    qmr::RebuildTrend(first, events);

    const struct stat info = StatOf(Path("TANK.qmr"));
    EXPECT_EQ(info.st_uid, 1234u);
    EXPECT_EQ(info.st_gid, 5678u);
    EXPECT_EQ(info.st_mode & 07777, mode & 0777);
    EXPECT_NE(Contents(Path("TANK.qmr")), old) << "the master was not replaced";
    EXPECT_TRUE(events.ownerNotKept.empty());
    EXPECT_TRUE(Temporaries(folder_.path()).empty());
  }
}

// A set-group-ID folder gives a new file its own group: the old master's,
// even when it is the writer's, is given back.
TEST_F(Replacement, TheGroupIsKeptInAFolderThatHandsDownItsOwn) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can give a folder another group";
  ASSERT_EQ(chown(folder_.path().c_str(), 0, 5678), 0);
  ASSERT_EQ(chmod(folder_.path().c_str(), 02755), 0);
  const std::string first = Trend("TANK");
  WriteBytes(Path("TANK.qmr"), Bytes(300, 0x5A));
  ASSERT_EQ(chown(Path("TANK.qmr").c_str(), geteuid(), getegid()), 0);

  SafetyEvents events;
  qmr::RebuildTrend(first, events);

  const struct stat info = StatOf(Path("TANK.qmr"));
  EXPECT_EQ(info.st_size, static_cast<off_t>(176 + 3 * 448));
  EXPECT_EQ(info.st_gid, getegid());
  EXPECT_TRUE(events.ownerNotKept.empty());
}

TEST_F(Replacement, AUserWhoCannotKeepTheOwnerReplacesTheMasterAndIsTold) {
  const std::string first = Trend("TANK");
  ASSERT_EQ(chmod(folder_.path().c_str(), 0777), 0);
  // Root's master, writable by everyone, in a folder everyone may write:
  // replaced by the engine, which tells, and by qmr, which warns.
  for (const bool byQmr : {false, true}) {
    SCOPED_TRACE(byQmr ? "qmr" : "engine");
    WriteBytes(Path("TANK.qmr"), Bytes(300, 0x5A));
    ASSERT_EQ(chown(Path("TANK.qmr").c_str(), 0, 0), 0);
    ASSERT_EQ(chmod(Path("TANK.qmr").c_str(), 0666), 0);

    const std::optional<std::string> report = RunAsOtherUser([&] {
      if (!byQmr) return RebuildReport(first);
      const int status = RunQmr({"rebuild", first}, Path("qmr-output"));
      const Bytes output = ReadIfThere(Path("qmr-output")).value_or(Bytes{});
      return "exit " + std::to_string(status) + "\n" + std::string(output.begin(), output.end());
    });
    if (!report) GTEST_SKIP() << "cannot run as user " << kOtherUser;

    if (byQmr) {
      EXPECT_EQ(report->rfind("exit 3\n", 0), 0u) << *report;
      EXPECT_NE(report->find(Path("TANK.qmr") + ": warning: "), std::string::npos) << *report;
      // Whose it was and why not, as the engine told it.
      EXPECT_NE(report->find("the old one's owner (user 0, group 0): " + std::generic_category().message(EPERM)),
                std::string::npos)
          << *report;
    } else {
      EXPECT_EQ(*report, "rebuilt\nowner not kept: " + Path("TANK.qmr") + "\n");
    }
    const struct stat info = StatOf(Path("TANK.qmr"));
    EXPECT_EQ(info.st_uid, kOtherUser);
    EXPECT_EQ(info.st_mode & 07777, 0666u);
    EXPECT_EQ(info.st_size, static_cast<off_t>(176 + 3 * 448));
    EXPECT_TRUE(Temporaries(folder_.path()).empty());
  }
}

TEST_F(Replacement, AMasterNoOneMayWriteIsRefusedEvenForRoot) {
  if (geteuid() != 0) GTEST_SKIP() << "the refusal that matters is root's, who may rename over anything";
  const std::string first = Trend("TANK");
  WriteBytes(Path("TANK.qmr"), Bytes(300, 0x5A));
  ASSERT_EQ(chmod(Path("TANK.qmr").c_str(), 0444), 0);
  const auto before = Snapshot(folder_.path());

  SafetyEvents events;
  try {
    qmr::RebuildTrend(first, events);
    ADD_FAILURE() << "the read-only master was replaced";
  } catch (const qmr::Error& error) {
    EXPECT_EQ(error.number(), 70);
    EXPECT_NE(error.description().find(Path("TANK.qmr")), std::string::npos) << error.description();
  }

  EXPECT_TRUE(Snapshot(folder_.path()) == before) << "the folder changed";
  EXPECT_EQ(StatOf(Path("TANK.qmr")).st_mode & 07777, 0444u);
}

TEST_F(Replacement, AMasterThisUserMayNotWriteIsRefusedThoughItsFolderIsWritable) {
  const std::string first = Trend("TANK");
  WriteBytes(Path("TANK.qmr"), Bytes(300, 0x5A));
  ASSERT_EQ(chmod(Path("TANK.qmr").c_str(), 0644), 0);
  ASSERT_EQ(chmod(folder_.path().c_str(), 0777), 0);
  const auto before = Snapshot(folder_.path());

  const std::optional<std::string> report = RunAsOtherUser([&] { return RebuildReport(first); });
  if (!report) GTEST_SKIP() << "cannot run as user " << kOtherUser;

  EXPECT_EQ(report->rfind("error 70: ", 0), 0u) << *report;
  EXPECT_TRUE(Snapshot(folder_.path()) == before) << "the folder changed";
  EXPECT_EQ(StatOf(Path("TANK.qmr")).st_uid, 0u);
}

TEST_F(Replacement, AFolderWithoutWritePermissionIsNamedNotTheMaster) {
  const std::string folder = Path("locked");
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  qmr::samples::WriteTrend(folder, "TANK", RisingTrend(6, "Tank", 3));
  const std::string master = folder + "/TANK.qmr";
  WriteBytes(master, Bytes(300, 0x5A));
  // The master itself may be written; only its folder refuses new files.
  ASSERT_EQ(chmod(master.c_str(), 0666), 0);
  ASSERT_EQ(chmod(folder.c_str(), 0755), 0);
  const auto before = Snapshot(folder);

  const std::optional<std::string> report = RunAsOtherUser([&] { return RebuildReport(folder + "/TANK.000"); });
  if (!report) GTEST_SKIP() << "cannot run as user " << kOtherUser;

  EXPECT_EQ(report->rfind("error 70: ", 0), 0u) << *report;
  EXPECT_NE(report->find(folder), std::string::npos) << *report;
  EXPECT_EQ(report->find(master), std::string::npos) << "names the master, not its folder: " << *report;
  EXPECT_TRUE(Snapshot(folder) == before) << "the folder changed";
}

// The first bytes a writer writes: those of a master's banner.
constexpr const char* kPartOfMaster = "QUOR";

// A process that holds a temporary file as a writer at work does: open, with
// a write lock of its open file, until the test lets it go.
class LiveWriter {
 public:
  explicit LiveWriter(const std::string& folder) {
    int ready[2], release[2];
    if (pipe(ready) != 0 || pipe(release) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      close(release[1]);
      const std::string path = folder + "/~qmr-" + std::to_string(getpid()) + "-0-TANK.tmp";
      const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
      struct flock lock {};
      lock.l_type = F_WRLCK;
      lock.l_whence = SEEK_SET;
      const char state = fd >= 0 && write(fd, kPartOfMaster, 4) == 4 && fcntl(fd, F_OFD_SETLK, &lock) == 0 ? '1' : '0';
      if (write(ready[1], &state, 1) != 1) _exit(1);
      char ignored;
      while (read(release[0], &ignored, 1) < 0 && errno == EINTR) {
      }
      _exit(0);
    }
    close(ready[1]);
    close(release[0]);
    release_ = release[1];
    char state = '0';
    ready_ = pid_ > 0 && read(ready[0], &state, 1) == 1 && state == '1';
    close(ready[0]);
    name_ = "~qmr-" + std::to_string(pid_) + "-0-TANK.tmp";
  }
  ~LiveWriter() {
    if (release_ >= 0) close(release_);
    if (pid_ > 0) {
      int status = 0;
      while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
      }
    }
  }
  LiveWriter(const LiveWriter&) = delete;
  LiveWriter& operator=(const LiveWriter&) = delete;

  bool Ready() const { return ready_; }
  const std::string& Name() const { return name_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool ready_ = false;
  std::string name_;
};

TEST_F(Replacement, LeftoversOfDeadWritersAreRemovedAndAWriterAtWorkKeepsItsFile) {
  const std::string first = Trend("FLOW");
  Trend("TANK");
  // No process has the number 999999999: both writers are gone, one of
  // them while it replaced another trend's master of this folder.
  WriteBytes(Path("~qmr-999999999-0-TANK.tmp"), {});
  const std::string banner = qmr::ComposeBanner(6, "TANK", std::tm{});
  WriteBytes(Path("~qmr-999999999-1.tmp"), Bytes(banner.begin(), banner.end()));
  // An earlier process that had this one's number (a container's first
  // process always has the same), gone for two hours.
  const std::string earlier = "~qmr-" + std::to_string(getpid()) + "-999999-FLOW.tmp";
  WriteBytes(Path(earlier), {});
  std::filesystem::last_write_time(Path(earlier),
                                   std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
  const LiveWriter live(folder_.path());
  ASSERT_TRUE(live.Ready()) << "the writer at work could not lock its file";

  SafetyEvents events;
  qmr::RebuildTrend(first, events);

  EXPECT_EQ(Temporaries(folder_.path()), std::vector<std::string>{live.Name()});
  std::sort(events.staleRemoved.begin(), events.staleRemoved.end());
  EXPECT_EQ(events.staleRemoved,
            (std::vector<std::string>{Path(earlier), Path("~qmr-999999999-0-TANK.tmp"), Path("~qmr-999999999-1.tmp")}));
  EXPECT_EQ(Contents(Path(live.Name())), (Bytes{'Q', 'U', 'O', 'R'}));
}

TEST_F(Replacement, AWriterAtWorkKeepsAFileOverAMinuteOldByItsLock) {
  const std::string first = Trend("FLOW");
  const LiveWriter live(folder_.path());
  ASSERT_TRUE(live.Ready()) << "the writer at work could not lock its file";
  // A large master on a slow disk: the writer runs, and its file was last
  // written long ago. Only its lock tells that it is at work.
  std::filesystem::last_write_time(Path(live.Name()),
                                   std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2));

  SafetyEvents events;
  qmr::RebuildTrend(first, events);

  EXPECT_EQ(Temporaries(folder_.path()), std::vector<std::string>{live.Name()});
  EXPECT_TRUE(events.staleRemoved.empty());
  EXPECT_EQ(Contents(Path(live.Name())), (Bytes{'Q', 'U', 'O', 'R'}));
}

}  // namespace
}  // namespace safety_test
