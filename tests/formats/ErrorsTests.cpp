// Error numbers and the file errors a failed system call turns into.
#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/ErrorCodeOf.h"
#include "tests/support/TestFiles.h"
#include "tools/Errors.h"

namespace qmr {
namespace {

Error Caught(int errnoValue, const std::string& path) {
  return testsupport::ErrorOf([&] { ThrowFileError(errnoValue, path); });
}

TEST(Errors, NumbersAndDefaultWording) {
  EXPECT_EQ(Error(ErrorCode::InvalidArgument).number(), 5);
  EXPECT_EQ(Error(ErrorCode::FileNotFound).number(), 53);
  EXPECT_EQ(Error(ErrorCode::PathNotFound).number(), 76);
  EXPECT_EQ(Error(ErrorCode::FileNotFound).description(), "File not found");
  EXPECT_EQ(Error(ErrorCode::PermissionDenied).description(), "Permission denied");
  EXPECT_EQ(Error(ErrorCode::DiskFull, "no room").description(), "no room");
  // An empty description would leave the user nothing to read.
  EXPECT_EQ(Error(ErrorCode::DiskFull, "").description(), "Disk full");
}

TEST(Errors, MissingFileAndMissingFolderDiffer) {
  const testsupport::TempFolder folder;
  const Error file = Caught(ENOENT, folder / "TANK1.000");
  EXPECT_EQ(file.number(), 53);
  EXPECT_NE(file.description().find(folder / "TANK1.000"), std::string::npos);

  const Error path = Caught(ENOENT, folder / "gone/TANK1.000");
  EXPECT_EQ(path.number(), 76);
  EXPECT_NE(path.description().find("gone/TANK1.000"), std::string::npos);

  // A bare name lives in the current folder, which exists.
  EXPECT_EQ(Caught(ENOENT, "TANK1.000").number(), 53);
}

TEST(Errors, ErrnoMapping) {
  EXPECT_EQ(Caught(EACCES, "f").code(), ErrorCode::PermissionDenied);
  EXPECT_EQ(Caught(EPERM, "f").code(), ErrorCode::PermissionDenied);
  EXPECT_EQ(Caught(ENOSPC, "f").code(), ErrorCode::DiskFull);
#ifdef EDQUOT
  EXPECT_EQ(Caught(EDQUOT, "f").code(), ErrorCode::DiskFull);
#endif
  EXPECT_EQ(Caught(EIO, "f").code(), ErrorCode::DeviceIO);
  EXPECT_EQ(Caught(ENOTDIR, "f").code(), ErrorCode::PathNotFound);
  EXPECT_EQ(Caught(ENAMETOOLONG, "f").code(), ErrorCode::BadFileName);
  EXPECT_EQ(Caught(EISDIR, "f").code(), ErrorCode::PathFileAccess);
  EXPECT_EQ(Caught(ELOOP, "f").code(), ErrorCode::PathFileAccess);
  EXPECT_EQ(Caught(ENXIO, "f").code(), ErrorCode::PathFileAccess);
  // A failure whose reason got lost is still a failure.
  EXPECT_EQ(Caught(0, "f").code(), ErrorCode::DeviceIO);
}

TEST(Errors, DescriptionNamesPathAndSystemReason) {
  const std::string text = Caught(EACCES, "/data/TANK1.000").description();
  EXPECT_NE(text.find("Permission denied"), std::string::npos) << text;
  EXPECT_NE(text.find("'/data/TANK1.000'"), std::string::npos) << text;
#ifndef _WIN32
  const std::string full = Caught(ENOSPC, "x.qmr").description();
  EXPECT_NE(full.find("No space left on device"), std::string::npos) << full;
#endif
}

}  // namespace
}  // namespace qmr
