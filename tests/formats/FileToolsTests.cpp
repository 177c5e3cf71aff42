// Path helpers: extension stripping, the ordinary-file test, joining and
// making paths absolute; the process's identity as kept.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/ErrorCodeOf.h"
#include "tests/support/TestFiles.h"
#include "tools/Errors.h"
#include "tools/FileReading.h"
#include "tools/FileTools.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tools/FolderHandle.h"
#include "tools/ProcessIdentity.h"
#endif

namespace qmr {
namespace {

TEST(StripExtension, BackslashPaths) {
  EXPECT_EQ(StripExtension("C:\\data\\TREND.000"), "C:\\data\\TREND");
  EXPECT_EQ(StripExtension("TREND.000"), "TREND");
  EXPECT_EQ(StripExtension("C:\\data\\TREND"), "C:\\data\\TREND");
  EXPECT_EQ(StripExtension("C:\\my.data\\TREND"), "C:\\my.data\\TREND");
  EXPECT_EQ(StripExtension("C:\\data\\TREND."), "C:\\data\\TREND");
  EXPECT_EQ(StripExtension(""), "");
  EXPECT_EQ(StripExtension("C:\\data\\.000"), "C:\\data\\");
  EXPECT_EQ(StripExtension(".000"), "");
  EXPECT_EQ(StripExtension("A.B.C"), "A.B");
  EXPECT_EQ(StripExtension("C:\\my.data\\TREND.000"), "C:\\my.data\\TREND");
}

TEST(StripExtension, ForwardSlash) {
#ifdef _WIN32
  // Only "\" separates folders here.
  EXPECT_EQ(StripExtension("C:/my.data/TREND"), "C:/my");
#else
  // "/" is the folder separator of this platform, so the dot in the folder
  // name is no extension.
  EXPECT_EQ(StripExtension("C:/my.data/TREND"), "C:/my.data/TREND");
  EXPECT_EQ(StripExtension("/srv/my.data/TANK1.000"), "/srv/my.data/TANK1");
  EXPECT_EQ(StripExtension("/srv/data/.000"), "/srv/data/");
#endif
}

TEST(StripExtension, LeavesItsArgumentUnchanged) {
  const std::string path = "C:\\data\\TREND.000";
  const std::string copy = path;
  (void)StripExtension(path);
  EXPECT_EQ(path, copy);
}

TEST(JoinPath, PutsOneSeparatorAndNoneAfterARoot) {
#ifdef _WIN32
  EXPECT_EQ(JoinPath("C:\\data", "TANK1.000"), "C:\\data\\TANK1.000");
  EXPECT_EQ(JoinPath("C:\\", "TANK1.000"), "C:\\TANK1.000");
  EXPECT_EQ(JoinPath("C:/data/", "TANK1.000"), "C:/data/TANK1.000");
  // "C:" alone names the drive's current folder: the separator makes it the root.
  EXPECT_EQ(JoinPath("C:", "TANK1.000"), "C:\\TANK1.000");
#else
  EXPECT_EQ(JoinPath("/srv/data", "TANK1.000"), "/srv/data/TANK1.000");
  EXPECT_EQ(JoinPath("/srv/data/", "TANK1.000"), "/srv/data/TANK1.000");
  EXPECT_EQ(JoinPath("/", "TANK1.000"), "/TANK1.000");
  EXPECT_EQ(JoinPath("data\\", "TANK1.000"), "data\\/TANK1.000");  // a backslash is part of a name here
#endif
  EXPECT_EQ(JoinPath("", "TANK1.000"), "TANK1.000");
}

// A file beside another is named after the folder text up to the last
// separator, kept as given: the master's temporary file beside the master.
TEST(FolderPrefix, KeepsTheFolderTextUpToTheLastSeparator) {
#ifdef _WIN32
  EXPECT_EQ(qmr::FolderPrefix("C:\\data\\TANK1.qmr"), "C:\\data\\");
  EXPECT_EQ(qmr::FolderPrefix("C:TANK1.qmr"), "C:");
#else
  EXPECT_EQ(qmr::FolderPrefix("/srv//data/TANK1.qmr"), "/srv//data/");
  EXPECT_EQ(qmr::FolderPrefix("/TANK1.qmr"), "/");
  EXPECT_EQ(qmr::FolderPrefix("data\\TANK1.qmr"), "");
#endif
  EXPECT_EQ(qmr::FolderPrefix("TANK1.qmr"), "");
}

TEST(FileExists, OrdinaryFilesOnly) {
  const testsupport::TempFolder folder;
  const std::string file = folder.write("TANK1.000", "x");
  const std::string empty = folder.write("EMPTY.000", "");
  std::filesystem::create_directory(folder / "SUB.000");

  EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(empty));  // size and content play no part
  EXPECT_FALSE(FileExists(folder / "SUB.000"));
  EXPECT_FALSE(FileExists(folder / "TANK1.001"));
  EXPECT_FALSE(FileExists(folder / "gone/TANK1.000"));
  EXPECT_FALSE(FileExists(""));
}

TEST(FileExists, PathHoldingANulIsRefused) {
  const testsupport::TempFolder folder;
  const std::string real = folder.write("TANK1", "x");
  EXPECT_EQ(testsupport::CodeOf([&] { FileExists(real + std::string(1, '\0') + ".000"); }), ErrorCode::BadFileName);
}

#ifdef _WIN32

TEST(FileExists, HiddenAndSystemFilesAreNotFoundReadOnlyIs) {
  const testsupport::TempFolder folder;
  const std::string hidden = folder.write("HIDDEN.000", "x");
  const std::string system = folder.write("SYSTEM.000", "x");
  const std::string readOnly = folder.write("READONLY.000", "x");
  ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));
  ASSERT_TRUE(SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_SYSTEM));
  ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(FileExists(hidden));
  EXPECT_FALSE(FileExists(system));
  EXPECT_TRUE(FileExists(readOnly));
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA(system.c_str(), FILE_ATTRIBUTE_NORMAL);
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(AbsolutePath, FullPathOfARelativeName) {
  const std::string absolute = AbsolutePath("TANK1.000");
  ASSERT_GE(absolute.size(), 3u);
  EXPECT_EQ(absolute.substr(1, 2), ":\\");
  EXPECT_EQ(absolute.substr(absolute.size() - 10), "\\TANK1.000");
}

#else

TEST(FileExists, DotFilesAreHiddenReadOnlyFilesAreFound) {
  const testsupport::TempFolder folder;
  const std::string hidden = folder.write(".TANK1.000", "x");
  const std::string readOnly = folder.write("READONLY.000", "x");
  ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);

  EXPECT_FALSE(FileExists(hidden));
  EXPECT_TRUE(FileExists(readOnly));
  // Only the file's own name counts: a dot folder on the way is fine.
  std::filesystem::create_directory(folder / ".cache");
  EXPECT_TRUE(FileExists(folder.write(".cache/TANK1.000", "x")));
}

TEST(FileExists, LinksAreFollowed) {
  const testsupport::TempFolder folder;
  const std::string target = folder.write("TARGET.000", "x");
  ASSERT_EQ(symlink(target.c_str(), (folder / "LINK.000").c_str()), 0);
  ASSERT_EQ(symlink((folder / "NOWHERE.000").c_str(), (folder / "DANGLING.000").c_str()), 0);
  ASSERT_EQ(symlink((folder / "LOOP.000").c_str(), (folder / "LOOP.000").c_str()), 0);
  ASSERT_EQ(symlink(folder.path().c_str(), (folder / "FOLDERLINK.000").c_str()), 0);

  EXPECT_TRUE(FileExists(folder / "LINK.000"));
  EXPECT_FALSE(FileExists(folder / "DANGLING.000"));
  EXPECT_FALSE(FileExists(folder / "LOOP.000"));
  EXPECT_FALSE(FileExists(folder / "FOLDERLINK.000"));
}

TEST(FileExists, PipesAndDevicesAreNotOrdinaryFiles) {
  const testsupport::TempFolder folder;
  ASSERT_EQ(mkfifo((folder / "PIPE.000").c_str(), 0600), 0);
  EXPECT_FALSE(FileExists(folder / "PIPE.000"));
  EXPECT_FALSE(FileExists("/dev/null"));
}

TEST(FileExists, FileStandingForAFolderMeansNothingFound) {
  const testsupport::TempFolder folder;
  const std::string file = folder.write("TANK1.000", "x");
  EXPECT_FALSE(FileExists(file + "/TANK1.001"));
}

TEST(FileExists, RefusedLookUpThrowsPermissionDenied) {
  if (geteuid() == 0) GTEST_SKIP() << "root is never refused access";
  const testsupport::TempFolder folder;
  std::filesystem::create_directory(folder / "LOCKED");
  folder.write("LOCKED/TANK1.000", "x");
  ASSERT_EQ(chmod((folder / "LOCKED").c_str(), 0), 0);
  const Error error = testsupport::ErrorOf([&] { FileExists(folder / "LOCKED/TANK1.000"); });
  EXPECT_EQ(error.code(), ErrorCode::PermissionDenied);
  EXPECT_NE(error.description().find("LOCKED/TANK1.000"), std::string::npos);
  chmod((folder / "LOCKED").c_str(), 0700);
}

// The path as the user means it: dots and doubled separators resolved by the
// text, so that "../T.000" records the folder's own name in the master.
TEST(AbsolutePath, IsMadeAbsoluteAndCleanByItsText) {
  EXPECT_EQ(AbsolutePath("/srv/data/TANK1.000"), "/srv/data/TANK1.000");
  EXPECT_EQ(AbsolutePath("/srv//data/./old/../TANK1.000"), "/srv/data/TANK1.000");
  EXPECT_EQ(AbsolutePath("/../TANK1.000"), "/TANK1.000");
  const std::filesystem::path cwd = std::filesystem::current_path();
  EXPECT_EQ(AbsolutePath("TANK1.000"), cwd.string() + "/TANK1.000");
  EXPECT_EQ(AbsolutePath("../x/./TANK1.000"), cwd.parent_path().string() + "/x/TANK1.000");
}

// A working folder reached through a link keeps the name the user reached it by.
TEST(AbsolutePath, StartsFromThePwdThatNamesTheWorkingFolder) {
  const testsupport::TempFolder folder;
  std::filesystem::create_directory(folder / "real");
  std::filesystem::create_directory_symlink(folder / "real", folder / "link");
  const std::filesystem::path previous = std::filesystem::current_path();
  const char* oldPwd = std::getenv("PWD");
  const std::string savedPwd = oldPwd ? oldPwd : "";
  std::filesystem::current_path(folder / "real");

  setenv("PWD", (folder / "link").c_str(), 1);
  const std::string viaLink = AbsolutePath("T.000");
  setenv("PWD", "/", 1);  // names another folder: not taken
  const std::string viaSystem = AbsolutePath("T.000");

  std::filesystem::current_path(previous);
  setenv("PWD", savedPwd.c_str(), 1);
  EXPECT_EQ(viaLink, (folder / "link") + "/T.000");
  EXPECT_EQ(viaSystem, (folder / "real") + "/T.000");
}

TEST(AbsolutePath, NamesTheSameFile) {
  const testsupport::TempFolder folder;
  folder.write("TANK1.000", "x");
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  const std::string absolute = AbsolutePath("TANK1.000");
  std::filesystem::current_path(previous);
  EXPECT_TRUE(FileExists(absolute));
  EXPECT_TRUE(std::filesystem::equivalent(absolute, folder / "TANK1.000"));
}

// Kept once asked, but a forked child that becomes another user (as the
// safety tests' helpers do) answers for itself.
TEST(ProcessIdentity, AForkedChildAnswersForItself) {
  ASSERT_EQ(ThisProcessId(), static_cast<unsigned long>(getpid()));
  ASSERT_EQ(EffectiveUserId(), geteuid());
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    constexpr uid_t kNobody = 65534;
    const bool becameNobody = geteuid() == 0 && seteuid(kNobody) == 0;
    const bool right = ThisProcessId() == static_cast<unsigned long>(getpid()) && EffectiveUserId() == geteuid() &&
                       (!becameNobody || EffectiveUserId() == kNobody);
    _exit(right ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(ThisProcessId(), static_cast<unsigned long>(getpid()));
}

#endif

#ifndef _WIN32
// A master opened ahead of its comparison is read only by the read of that
// same master: another master's read on the thread opens its own file.
TEST(OpenMasterAhead, ServesOnlyTheReadOfThatMaster) {
  const testsupport::TempFolder folder;
  const std::string first = folder.write("A.qmr", std::string_view("first master"));
  const std::string second = folder.write("B.qmr", std::string_view("second master"));
  const FolderHandle open(folder.path());
  const auto read = [&](const std::string& path) {
    std::string bytes;
    ReadMasterInChunks(
        path, 1024,
        [&](std::span<const unsigned char> chunk) {
          bytes.append(chunk.begin(), chunk.end());
          return true;
        },
        open);
    return bytes;
  };

  OpenMasterAhead(first, open, 1024);
  EXPECT_EQ(read(second), "second master");
  OpenMasterAhead(first, open, 1024);
  EXPECT_EQ(read(first), "first master");

  // Grown after the open: read on past the bytes fetched ahead, once each.
  OpenMasterAhead(second, open, 1024);
  std::ofstream(second, std::ios::binary | std::ios::app) << ", grown since";
  EXPECT_EQ(read(second), "second master, grown since");
}
#endif

}  // namespace
}  // namespace qmr
