// Error numbers and the file errors a failed system call turns into.
#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/ErrorCodeOf.h"
#include "tests/support/TestFiles.h"
#include "texts/ErrorWords.h"
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
  const std::string text = ErrorWords(Caught(EACCES, "/data/TANK1.000"));
  EXPECT_NE(text.find("Permission denied"), std::string::npos) << text;
  EXPECT_NE(text.find("'/data/TANK1.000'"), std::string::npos) << text;
#ifndef _WIN32
  const std::string full = ErrorWords(Caught(ENOSPC, "x.qmr"));
  EXPECT_NE(full.find("No space left on device"), std::string::npos) << full;
#endif
}

// Each fact the engine tells is worded once for the windows and qmr, as
// they have always said it.
TEST(Errors, FactsAreWorded) {
  struct Case {
    Error error;
    std::string words;
  };
  const Case cases[] = {
      {Error(ErrorCode::PathFileAccess, ErrorFact::NotAFile, {.path = "/d/T.qmr", .found = FoundKind::NamedPipe}),
       "Path/File access error: '/d/T.qmr' is a named pipe, not a file"},
      {Error(ErrorCode::PathFileAccess, ErrorFact::NotAFile, {.path = "T.qmr", .found = FoundKind::ReparsePoint}),
       "Path/File access error: 'T.qmr' is a link (a reparse point), not a file"},
      {Error(ErrorCode::PathFileAccess, ErrorFact::NotAFile, {.path = "T.qmr", .found = FoundKind::AnotherFile}),
       "Path/File access error: 'T.qmr' is another file than the one looked at, not a file"},
      {Error(ErrorCode::BadFileName, ErrorFact::NulInPath), "Bad file name or number: the path holds a NUL character"},
      {Error(ErrorCode::BadFileName, ErrorFact::PathTooLongHere, {.path = "C:\\d\\T.000", .count = 262, .limit = 259}),
       "Bad file name or number: 'C:\\d\\T.000' has 262 characters, more than the 259 a path may have here"},
      {Error(ErrorCode::PathFileAccess, ErrorFact::FolderIsLink, {.path = "/d"}),
       "Path/File access error: '/d' is a symbolic link, not a folder"},
      {Error(ErrorCode::PathFileAccess, ErrorFact::NoLongerFolder, {.path = "/d/s"}),
       "Path/File access error: '/d/s' is no longer a folder"},
      {Error(ErrorCode::PathFileAccess, ErrorFact::FolderReplaced, {.path = "/d"}),
       "Path/File access error: '/d' was replaced by another folder after it was listed"},
      {Error(ErrorCode::BadFileName, ErrorFact::NoAnsiForm, {.path = "?ODZ.000", .detail = "U+0141", .limit = 1252}),
       "Bad file name or number: '?ODZ.000' holds U+0141, which has no form in the system's code page 1252; files are "
       "named in that code page, so rename it"},
      {Error(ErrorCode::BadFileName, ErrorFact::NoAnsiForm, {.path = "?ODZ.000", .detail = "U+0141"}),
       "Bad file name or number: '?ODZ.000' holds U+0141, which has no form in the system's code page; files are "
       "named in that code page, so rename it"},
      {Error(ErrorCode::InvalidArgument, ErrorFact::NoLocalTime), "The clock gives no local time"},
      {Error(ErrorCode::InvalidArgument, ErrorFact::NoValidDate), "The clock gives no valid weekday or month"},
      {Error(ErrorCode::Overflow, ErrorFact::TooManyDataFiles, {.path = "/d/T.32767", .limit = 32767}),
       "Overflow: more than 32767 data files after '/d/T.32767'"},
      {Error(ErrorCode::BadFileName, ErrorFact::NotOneByteText, {.path = "/d/\xC5\x81", .count = 0x141}),
       "Bad file name or number: '/d/\xC5\x81' holds U+0141, which the runtime's paths (one byte per character) "
       "cannot hold"},
      {Error(ErrorCode::BadFileName, ErrorFact::NotOneByteText, {.path = "x", .count = 0x1F600}),
       "Bad file name or number: 'x' holds U+1F600, which the runtime's paths (one byte per character) cannot hold"},
      {Error(ErrorCode::BadFileName, ErrorFact::RecordedFolderTooLong, {.path = "/d", .count = 300, .limit = 266}),
       "Bad file name or number: '/d' has 300 characters; a recorded folder may have at most 266"},
      {Error(ErrorCode::BadFileName, ErrorFact::NulInRecordedFolder, {.path = "D:\\"}),
       "Bad file name or number: 'D:\\' holds a NUL character"},
      {Error(ErrorCode::InvalidArgument, ErrorFact::TextTooLong, {.count = 4, .limit = 3}),
       "Invalid procedure call or argument: a text of 4 bytes does not fit a field of 3 bytes"},
      {Error(ErrorCode::InvalidArgument, ErrorFact::TrendNameTooLong, {.path = "TANK", .count = 70, .limit = 65}),
       "Invalid procedure call or argument: the trend name 'TANK' has 70 characters; the master's banner holds at "
       "most 65"},
      {Error(ErrorCode::InvalidArgument, ErrorFact::PathTooLongForEntry,
             {.path = "/d/T.000", .count = 145, .limit = 144, .version = 2}),
       "Invalid procedure call or argument: the path '/d/T.000' has 145 characters; an entry of versions 1 to 3 holds "
       "at most 144"},
      {Error(ErrorCode::InvalidArgument, ErrorFact::PathTooLongForEntry,
             {.path = "/d/T.000", .count = 300, .limit = 272, .version = 6}),
       "Invalid procedure call or argument: the path '/d/T.000' has 300 characters; an entry of version 6 holds at "
       "most 272"},
      {Error(ErrorCode::PermissionDenied, ErrorFact::OpenInAnotherProgram, {.path = "T.qmr"}),
       "Permission denied: 'T.qmr' is open in another program; close it there (or end that program) and try again"},
      {Error(ErrorCode::PermissionDenied, ErrorFact::MasterNotWritable, {.path = "/d/T.qmr", .systemError = EACCES}),
       "Permission denied: '/d/T.qmr' may not be written by this user"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorWords(c.error), c.words);
}

// A program without words for a fact still has the number's wording and
// the path.
TEST(Errors, FactWithoutWordsNamesNumberAndPath) {
  EXPECT_EQ(Error(ErrorCode::PathFileAccess, ErrorFact::NoLongerFolder, {.path = "/d/s"}).description(),
            "Path/File access error: '/d/s'");
  EXPECT_EQ(Error(ErrorCode::InvalidArgument, ErrorFact::NoLocalTime).description(),
            "Invalid procedure call or argument");
}

}  // namespace
}  // namespace qmr
