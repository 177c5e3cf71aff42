// Root runs qmr over folders that another user (65534) writes: a folder
// swapped for a link while scan --rebuild works, links planted at a master
// and at a data file, files named like leftovers. Nothing of root's may be
// replaced or shown, and nothing of the user's removed. Every case needs
// root and a second user, and skips elsewhere. The work is done in a fresh
// folder of its own that the other user can reach, whatever folder the
// checkout lies in; the other user's part runs in a forked child.
#include <fcntl.h>
#include <stdio.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "SafetySupport.h"
#include "cli/CommandLine.h"
#include "tools/FileTools.h"

namespace safety_test {
namespace {

namespace fs = std::filesystem;

struct QmrRun {
  int status = -1;
  std::string out;
  std::string err;
};

QmrRun Qmr(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  QmrRun run;
  run.status = qmr::RunQmr(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

bool Holds(const Bytes& bytes, const std::string& text) {
  return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

class HostileFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "needs root, to be the administrator another user attacks";
    char name[] = "/tmp/qmr-hostile-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    base_ = name;
    ASSERT_EQ(chmod(base_.c_str(), 0755), 0);
  }
  void TearDown() override {
    if (!base_.empty()) fs::remove_all(base_);  // never follows a link
  }

  std::string Path(const std::string& relative) const { return base_ + "/" + relative; }

  // A folder of root's, or of the other user's, with trend T in it.
  void Folder(const std::string& relative, bool others, const std::string& trendName = "Trend") {
    fs::create_directories(Path(relative));
    qmr::samples::WriteTrend(Path(relative), "T", RisingTrend(6, trendName, 3));
    if (!others) return;
    for (const auto& entry : fs::directory_iterator(Path(relative)))
      ASSERT_EQ(lchown(entry.path().c_str(), kOtherUser, kOtherGroup), 0);
    ASSERT_EQ(chown(Path(relative).c_str(), kOtherUser, kOtherGroup), 0);
  }

  // A root-only file holding `text`.
  void Secret(const std::string& relative, const Bytes& bytes) {
    WriteBytes(Path(relative), bytes);
    ASSERT_EQ(chmod(Path(relative).c_str(), 0600), 0);
  }

  // The other user makes a symbolic link `at` to `target`.
  void LinkAsOther(const std::string& target, const std::string& at) {
    const auto made = RunAsOtherUser([&] { return symlink(target.c_str(), at.c_str()) == 0 ? "" : "failed"; });
    ASSERT_TRUE(made);
    ASSERT_EQ(*made, "");
  }

  // root's folder "victim" with trend T and a master of its own.
  void Victim() {
    Folder("victim", false, "Victim");
    WriteBytes(Path("victim/T.qmr"), victimMaster_);
  }
  void ExpectVictimUntouched() {
    EXPECT_EQ(Contents(Path("victim/T.qmr")), victimMaster_);
    EXPECT_TRUE(Temporaries(Path("victim")).empty());
  }

  std::string base_;
  const Bytes victimMaster_ = Bytes(600, 0x5A);
};

// The user swaps tree/f0 for a link to root's folder right after the scan
// read f0's first data file, through the seam between the listing and the
// opens: the rest of f0's trend is read from f0 itself, and its master goes
// nowhere else.
TEST_F(HostileFolder, AFolderSwappedForALinkDuringScanRebuildLeadsNowhereElse) {
  Victim();
  fs::create_directories(Path("tree"));
  ASSERT_EQ(chown(Path("tree").c_str(), kOtherUser, kOtherGroup), 0);
  Folder("tree/f0", true);
  bool swapped = false;
  const auto previous = qmr::SetFileExistsHook([&](const std::string& path, bool) {
    if (swapped || path != Path("tree/f0/T.001")) return;
    swapped = true;
    const auto done = RunAsOtherUser([&] {
      return rename(Path("tree/f0").c_str(), Path("tree/f0.real").c_str()) == 0 &&
                     symlink(Path("victim").c_str(), Path("tree/f0").c_str()) == 0
                 ? ""
                 : "failed";
    });
    ASSERT_TRUE(done && done->empty());
  });
  const QmrRun run = Qmr({"scan", "--rebuild", "-j", "1", Path("tree")});
  qmr::SetFileExistsHook(previous);

  ASSERT_TRUE(swapped);
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  ExpectVictimUntouched();
  EXPECT_FALSE(Holds(Bytes(run.out.begin(), run.out.end()), "Victim")) << run.out;
}

// The same swap done for real, again and again, while root scans: bounded
// to a few seconds.
TEST_F(HostileFolder, ARealSwapRaceNeverWritesOutsideTheTree) {
  Victim();
  fs::create_directories(Path("tree"));
  ASSERT_EQ(chown(Path("tree").c_str(), kOtherUser, kOtherGroup), 0);
  Folder("tree/f0", true);
  LinkAsOther(Path("victim"), Path("tree/swap"));
  int stop[2];
  ASSERT_EQ(pipe(stop), 0);
  const pid_t swapper = fork();
  ASSERT_GE(swapper, 0);
  if (swapper == 0) {
    close(stop[1]);
    if (setgroups(0, nullptr) != 0 || setgid(kOtherGroup) != 0 || setuid(kOtherUser) != 0) _exit(77);
    fcntl(stop[0], F_SETFL, O_NONBLOCK);
    const std::string a = Path("tree/f0"), b = Path("tree/swap");
    char ignored;
    while (read(stop[0], &ignored, 1) < 0) (void)renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE);
    _exit(0);
  }
  close(stop[0]);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  int runs = 0;
  while (std::chrono::steady_clock::now() < until && runs < 200) {
    (void)Qmr({"scan", "--rebuild", "-j", "1", Path("tree")});
    ++runs;
  }
  (void)!write(stop[1], "x", 1);
  close(stop[1]);
  int status = 0;
  waitpid(swapper, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ExpectVictimUntouched();
}

// A user's scan meets a folder of root's it may not enter: the folder is
// told, in qmr's words for the engine's error.
TEST_F(HostileFolder, AFolderTheUserMayNotEnterIsTold) {
  fs::create_directories(Path("tree/locked"));
  ASSERT_EQ(chmod(Path("tree/locked").c_str(), 0700), 0);
  Folder("tree/mine", true);
  const auto said = RunAsOtherUser([&] { return Qmr({"scan", Path("tree")}).err; });
  ASSERT_TRUE(said);
  const std::string locked = Path("tree/locked");
  EXPECT_EQ(*said, "qmr: " + locked + ": warning: folder not read: Permission denied: '" + locked + "' (" +
                       std::generic_category().message(EACCES) + ") (error 70)\n");
}

// A master that is the user's link to a root-only file: no command shows its
// bytes, replaces the link or touches the file.
TEST_F(HostileFolder, AMasterThatIsALinkIsNeitherReadNorReplaced) {
  Folder("m", true);
  const std::string secret = "TOPSECRET master of root";
  Secret("secret", Bytes(secret.begin(), secret.end()));
  LinkAsOther(Path("secret"), Path("m/T.qmr"));

  for (const std::vector<std::string>& args : {std::vector<std::string>{"check", Path("m/T.000")},
                                               {"check", "--json", Path("m/T.000")},
                                               {"scan", "--json", Path("m")},
                                               {"scan", "--rebuild", Path("m")},
                                               {"show", Path("m/T.qmr")},
                                               {"rebuild", Path("m/T.000")}}) {
    SCOPED_TRACE(args.front() + " " + args[1]);
    const QmrRun run = Qmr(args);
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_EQ(run.out.find("TOPSECRET"), std::string::npos) << run.out;
    EXPECT_EQ(run.err.find("TOPSECRET"), std::string::npos) << run.err;
  }
  EXPECT_TRUE(fs::is_symlink(Path("m/T.qmr")));
  EXPECT_EQ(Contents(Path("secret")), Bytes(secret.begin(), secret.end()));
  EXPECT_TRUE(Temporaries(Path("m")).empty());
}

// A data file that is the user's link to a root-only data file: its bytes
// never reach the master, which anyone may read; --follow-links follows it.
TEST_F(HostileFolder, AnotherUsersLinkAtADataFileIsNotFollowed) {
  Folder("d", true);
  Secret("secret.000", qmr::samples::MakeDataFile(RisingTrend(6, "TOPSECRET", 1)[0]));
  fs::remove(Path("d/T.002"));
  LinkAsOther(Path("secret.000"), Path("d/T.002"));

  const QmrRun run = Qmr({"rebuild", Path("d/T.000")});
  EXPECT_EQ(run.status, 3) << run.out << run.err;
  EXPECT_NE(run.err.find(Path("d/T.002") + ": warning: a symbolic link"), std::string::npos) << run.err;
  EXPECT_FALSE(Holds(Contents(Path("d/T.qmr")), "TOPSECRET"));

  // Root's own link, or one the user asks to follow, is followed.
  ASSERT_EQ(Qmr({"rebuild", "--follow-links", Path("d/T.000")}).status, 0);
  EXPECT_TRUE(Holds(Contents(Path("d/T.qmr")), "TOPSECRET"));
}

// Files named like leftovers that are not provably qmr's survive a rebuild
// in their folder; the one that is goes, and is told.
TEST_F(HostileFolder, FilesNamedLikeLeftoversThatAreNotOursSurvive) {
  Folder("l", true);
  const std::string banner = qmr::ComposeBanner(6, "T", std::tm{});
  const std::vector<std::pair<std::string, Bytes>> theirs = {
      {"~qmr-999999999-0-T.tmp", Bytes{'n', 'o', 't', 'e', 's'}},  // not a master
      {"~qmr-999999999-1-NOSUCH.tmp", {}},                         // no trend of the folder
      {"~qmr-999999999-2.tmp", {}},                                // no banner to name a trend
  };
  for (const auto& [name, bytes] : theirs) {
    WriteBytes(Path("l/" + name), bytes);
    ASSERT_EQ(chown(Path("l/" + name).c_str(), kOtherUser, kOtherGroup), 0);
  }
  // Made by a third user: neither the folder's owner nor root.
  WriteBytes(Path("l/~qmr-999999999-3-T.tmp"), {});
  ASSERT_EQ(chown(Path("l/~qmr-999999999-3-T.tmp").c_str(), 4321, 4321), 0);
  LinkAsOther(Path("l/T.000"), Path("l/~qmr-999999999-4-T.tmp"));
  // qmr's own, left by a writer that is gone.
  WriteBytes(Path("l/~qmr-999999999-5.tmp"), Bytes(banner.begin(), banner.end()));
  ASSERT_EQ(chown(Path("l/~qmr-999999999-5.tmp").c_str(), kOtherUser, kOtherGroup), 0);

  const QmrRun run = Qmr({"rebuild", Path("l/T.000")});

  EXPECT_EQ(run.status, 0) << run.err;
  for (const auto& [name, bytes] : theirs) EXPECT_EQ(Contents(Path("l/" + name)), bytes) << name;
  EXPECT_TRUE(fs::exists(Path("l/~qmr-999999999-3-T.tmp")));
  EXPECT_TRUE(fs::is_symlink(Path("l/~qmr-999999999-4-T.tmp")));
  EXPECT_FALSE(fs::exists(Path("l/~qmr-999999999-5.tmp")));
  EXPECT_NE(run.err.find(Path("l/~qmr-999999999-5.tmp") + ": removed"), std::string::npos) << run.err;
}

// A leftover on a read-only mount cannot be removed, and is reported all the
// same.
TEST_F(HostileFolder, ALeftoverOnAReadOnlyMountIsReported) {
  fs::create_directories(Path("ro"));
  if (mount("tmpfs", Path("ro").c_str(), "tmpfs", 0, "size=1m") != 0) GTEST_SKIP() << "may not mount here";
  struct Unmount {
    std::string at;
    ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
  } unmount{Path("ro")};
  Folder("ro/f", false);
  ASSERT_EQ(Qmr({"rebuild", Path("ro/f/T.000")}).status, 0);
  WriteBytes(Path("ro/f/~qmr-999999999-0-T.tmp"), {});
  ASSERT_EQ(mount(nullptr, Path("ro").c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);

  const QmrRun run = Qmr({"check", Path("ro/f/T.000")});
  EXPECT_EQ(run.status, 3) << run.out << run.err;
  EXPECT_NE(run.err.find(Path("ro/f/~qmr-999999999-0-T.tmp") + ": warning: left by an interrupted rebuild"),
            std::string::npos)
      << run.err;
}

// A master's set-user-ID bit is not carried over to the master root writes.
TEST_F(HostileFolder, OnlyThePermissionBitsOfTheOldMasterAreKept) {
  Folder("s", true);
  WriteBytes(Path("s/T.qmr"), Bytes(300, 1));
  ASSERT_EQ(chown(Path("s/T.qmr").c_str(), kOtherUser, kOtherGroup), 0);
  ASSERT_EQ(chmod(Path("s/T.qmr").c_str(), 07755), 0);
  ASSERT_EQ(Qmr({"rebuild", "--force", Path("s/T.000")}).status, 0);
  EXPECT_EQ(StatOf(Path("s/T.qmr")).st_mode & 07777, 0755u);
}

}  // namespace
}  // namespace safety_test
