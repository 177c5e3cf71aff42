// Behaviour that only Windows has: the directory search and its file
// attributes, "\" as the only folder separator, and names carried as
// single-byte text in the ANSI code page.
#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/Arguments.h"
#include "cli/CommandLine.h"
#include "samples/SampleTrends.h"
#include "tests/support/RecordingEvents.h"
#include "tests/support/TestFiles.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "trends/Batch.h"
#include "trends/Rebuild.h"

namespace {

using qmr::ErrorCode;
using qmr::ErrorFact;
namespace samples = qmr::samples;

constexpr std::size_t kMasterHeaderSize = 176;
constexpr std::size_t kEntryV6Size = 448;
constexpr std::size_t kPathFieldV6 = 272;
constexpr wchar_t kNoAnsiForm = 0x4E2D;  // a CJK ideograph

// The test's folder as Windows names it: a temporary folder, or a folder of
// the given wide name inside one. Attributes are cleared before the
// temporary folder goes: Windows refuses to delete a read-only file.
class WindowsFolder {
 public:
  explicit WindowsFolder(const std::wstring& leaf = L"") : path_(temp_.fsPath().wstring()) {
    if (!leaf.empty()) {
      path_ += L"\\" + leaf;
      EXPECT_TRUE(CreateDirectoryW(path_.c_str(), nullptr));
    }
  }
  ~WindowsFolder() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ignored))
      SetFileAttributesW(entry.path().c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  WindowsFolder(const WindowsFolder&) = delete;
  WindowsFolder& operator=(const WindowsFolder&) = delete;

  const std::wstring& wide() const { return path_; }
  // The folder as the core names it: its ANSI form (the test folders are
  // chosen so that one exists).
  std::string ansi() const {
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path_.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path_.c_str(), -1, text.data(), size, nullptr, nullptr);
    text.resize(text.size() - 1);
    return text;
  }
  std::string operator/(const std::string& name) const { return ansi() + "\\" + name; }

 private:
  qmr::testsupport::TempFolder temp_{"qmr-windows-"};
  std::wstring path_;
};

void SetAttributes(const std::string& path, DWORD attributes) {
  EXPECT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
  // Wine keeps these attributes in extended attributes of the host's file
  // system; one without them would make the results meaningless.
  if (attributes != FILE_ATTRIBUTE_NORMAL) {
    EXPECT_EQ(GetFileAttributesA(path.c_str()) & attributes, attributes)
        << path << ": the file system does not keep the attributes that were set";
  }
}

std::string MakeFile(const std::string& path, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  samples::WriteBytes(path, {1, 2, 3});
  SetAttributes(path, attributes);
  return path;
}

// Reads by the wide name rather than through the program's ANSI reader, so
// that a test sees where a file really is.
std::vector<unsigned char> ReadWide(const std::wstring& path) {
  std::vector<unsigned char> bytes;
  std::FILE* in = _wfopen(path.c_str(), L"rb");
  if (in == nullptr) return bytes;
  unsigned char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, in)) > 0;)
    bytes.insert(bytes.end(), buffer, buffer + got);
  std::fclose(in);
  return bytes;
}

// The file_path field of entry `index` of a version 6 master, up to its NUL.
std::string EntryPathV6(const std::vector<unsigned char>& master, std::size_t index) {
  const std::size_t at = kMasterHeaderSize + index * kEntryV6Size;
  if (master.size() < at + kPathFieldV6) return "<missing entry>";
  const char* field = reinterpret_cast<const char*>(master.data() + at);
  return std::string(field, strnlen(field, kPathFieldV6));
}

// --- the directory search -------------------------------------------------

TEST(WindowsFileExists, FindsOnlyOrdinaryFilesByTheirAttributes) {
  WindowsFolder folder;
  EXPECT_TRUE(qmr::FileExists(MakeFile(folder / "plain.000")));
  EXPECT_TRUE(qmr::FileExists(MakeFile(folder / "readonly.000", FILE_ATTRIBUTE_READONLY)));
  EXPECT_TRUE(qmr::FileExists(MakeFile(folder / "archived.000", FILE_ATTRIBUTE_ARCHIVE)));
  EXPECT_TRUE(qmr::FileExists(MakeFile(folder / "both.000", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE)));

  EXPECT_FALSE(qmr::FileExists(MakeFile(folder / "hidden.000", FILE_ATTRIBUTE_HIDDEN)));
  EXPECT_FALSE(qmr::FileExists(MakeFile(folder / "system.000", FILE_ATTRIBUTE_SYSTEM)));
  EXPECT_FALSE(qmr::FileExists(MakeFile(folder / "hiddenro.000", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY)));

  ASSERT_TRUE(CreateDirectoryA((folder / "sub.000").c_str(), nullptr));
  EXPECT_FALSE(qmr::FileExists(folder / "sub.000"));
  EXPECT_FALSE(qmr::FileExists(folder.ansi()));
  EXPECT_FALSE(qmr::FileExists(folder / "absent.000"));
  EXPECT_FALSE(qmr::FileExists(folder / "absent\\x.000"));
}

TEST(WindowsFileExists, RunOfDataFilesEndsAtAHiddenOrSystemFile) {
  const struct {
    DWORD attributes;
    int expectedCount;
  } cases[] = {
      {FILE_ATTRIBUTE_HIDDEN, 2},
      {FILE_ATTRIBUTE_SYSTEM, 2},
      {FILE_ATTRIBUTE_READONLY, 4},
      {FILE_ATTRIBUTE_ARCHIVE, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.attributes);
    WindowsFolder folder;
    samples::WriteTrend(folder.ansi(), "TANK1", samples::RisingTrend(6, "Tank 1", 4));
    SetAttributes(folder / "TANK1.002", c.attributes);
    qmr::testsupport::RecordingEvents events;
    const qmr::TrendMaster master = qmr::RebuildTrend(folder / "TANK1.000", events);
    EXPECT_EQ(master.fileCount, c.expectedCount);
    EXPECT_EQ(master.masterPath, folder / "TANK1.qmr");
    EXPECT_TRUE(events.unrecognisedPaths.empty());
  }
}

// --- replacing a master --------------------------------------------------

// A master deep in folders, its path a few characters short of MAX_PATH: the
// temporary file beside it takes the short name, as the long one (with the
// trend's name) would make a path the system cannot open.
TEST(WindowsMasters, AMasterNearTheLongestPathIsReplaced) {
  WindowsFolder folder;
  const std::string trend = "TANK_WITH_A_LONG_NAME";
  std::string deep = folder.ansi();
  for (std::size_t room = MAX_PATH - 6 - (deep.size() + 1 + trend.size() + 4); room > 1;) {
    const std::size_t leaf = std::min<std::size_t>(room - 1, 60);
    deep += "\\" + std::string(leaf, 'd');
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr)) << deep.size();
    room -= leaf + 1;
  }
  samples::WriteTrend(deep, trend, samples::RisingTrend(6, "Tank", 2));
  const std::string master = deep + "\\" + trend + ".qmr";
  ASSERT_LT(master.size(), static_cast<std::size_t>(MAX_PATH));
  ASSERT_GT(master.size() + 12, static_cast<std::size_t>(MAX_PATH));
  qmr::RebuildEvents silent;
  for (int run = 0; run < 2; ++run) {  // written, then replaced
    SCOPED_TRACE(run);
    EXPECT_NO_THROW(qmr::RebuildTrend(deep + "\\" + trend + ".000", silent));
    EXPECT_EQ(ReadWide(std::filesystem::path(master).wstring()).size(), kMasterHeaderSize + 2 * kEntryV6Size);
  }
}

// A folder inside `folder` whose path has exactly `length` characters, made
// of folders of at most 60.
std::string DeepFolder(const WindowsFolder& folder, std::size_t length) {
  std::string deep = folder.ansi();
  while (deep.size() < length) {
    const std::size_t leaf = std::min<std::size_t>(length - deep.size() - 1, 60);
    deep += "\\" + std::string(leaf == 0 ? 1 : leaf, 'd');
    const std::wstring wide = L"\\\\?\\" + std::filesystem::path(deep).wstring();
    EXPECT_TRUE(CreateDirectoryW(wide.c_str(), nullptr)) << deep.size();
  }
  return deep;
}

// Masters of 251 to 259 characters: the temporary file beside one has a
// longer path than MAX_PATH allows, and is opened in its long form.
TEST(WindowsMasters, MastersUpToTheLongestPathAreReplaced) {
  for (const std::size_t length : {251u, 255u, 259u}) {
    SCOPED_TRACE(length);
    WindowsFolder folder;
    const std::string deep = DeepFolder(folder, length - 6);  // "\\T.qmr"
    samples::WriteTrend(deep, "T", samples::RisingTrend(6, "Tank", 2));
    const std::string master = deep + "\\T.qmr";
    ASSERT_EQ(master.size(), length);
    qmr::RebuildEvents silent;
    for (int run = 0; run < 2; ++run) {  // written, then replaced
      EXPECT_NO_THROW(qmr::RebuildTrend(deep + "\\T.000", silent));
      EXPECT_EQ(ReadWide(std::filesystem::path(master).wstring()).size(), kMasterHeaderSize + 2 * kEntryV6Size);
    }
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(L"\\\\?\\" + std::filesystem::path(deep).wstring()))
      entries += entry.path().extension() == L".tmp";
    EXPECT_EQ(entries, 0u);
  }
}

// A data file whose path is longer than a path may be is named, not taken
// for the end of the trend.
TEST(WindowsMasters, ADataFileBeyondTheLongestPathIsNamed) {
  WindowsFolder folder;
  const std::string deep = DeepFolder(folder, 256);
  const std::string first = deep + "\\T.000";  // 262 characters
  const std::string bytes = "not read";
  std::FILE* out = _wfopen((L"\\\\?\\" + std::filesystem::path(first).wstring()).c_str(), L"wb");
  ASSERT_NE(out, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fclose(out);
  qmr::RebuildEvents silent;
  try {
    qmr::RebuildTrend(first, silent);
    ADD_FAILURE() << "no error";
  } catch (const qmr::Error& error) {
    EXPECT_EQ(error.code(), ErrorCode::BadFileName);
    EXPECT_EQ(error.fact(), ErrorFact::PathTooLongHere);
    EXPECT_EQ(error.values().count, 262u);
  }
}

// The user's read-only mark is kept, by the program's own refusal; hidden
// and system marks stay on the new master.
TEST(WindowsMasters, ReadOnlyMasterIsRefusedAndHiddenOrSystemKept) {
  WindowsFolder folder;
  samples::WriteTrend(folder.ansi(), "T", samples::RisingTrend(6, "Tank", 2));
  const std::string master = folder / "T.qmr";
  qmr::RebuildEvents silent;
  samples::WriteBytes(master, {9, 9, 9});
  SetAttributes(master, FILE_ATTRIBUTE_READONLY);
  try {
    qmr::RebuildTrend(folder / "T.000", silent);
    ADD_FAILURE() << "no error";
  } catch (const qmr::Error& error) {
    EXPECT_EQ(error.code(), ErrorCode::PermissionDenied);
    EXPECT_EQ(error.fact(), ErrorFact::ReadOnlyMaster);
  }
  EXPECT_EQ(ReadWide(folder.wide() + L"\\T.qmr").size(), 3u);

  for (const DWORD kept : {DWORD{FILE_ATTRIBUTE_HIDDEN}, DWORD{FILE_ATTRIBUTE_SYSTEM},
                           DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM}}) {
    SCOPED_TRACE(kept);
    SetAttributes(master, kept);
    EXPECT_NO_THROW(qmr::RebuildTrend(folder / "T.000", silent));
    EXPECT_EQ(GetFileAttributesA(master.c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), kept);
    EXPECT_EQ(ReadWide(folder.wide() + L"\\T.qmr").size(), kMasterHeaderSize + 2 * kEntryV6Size);
  }
}

// A master another program holds open without sharing: the error says so.
TEST(WindowsMasters, MasterHeldOpenElsewhereIsNamedAsSuch) {
  WindowsFolder folder;
  samples::WriteTrend(folder.ansi(), "T", samples::RisingTrend(6, "Tank", 2));
  samples::WriteBytes(folder / "T.qmr", {9, 9, 9});
  const HANDLE held = CreateFileW((folder.wide() + L"\\T.qmr").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  qmr::RebuildEvents silent;
  try {
    qmr::RebuildTrend(folder / "T.000", silent);
    ADD_FAILURE() << "no error";
  } catch (const qmr::Error& error) {
    EXPECT_EQ(error.code(), ErrorCode::PermissionDenied);
    EXPECT_EQ(error.fact(), ErrorFact::OpenInAnotherProgram);
  }
  CloseHandle(held);
  EXPECT_EQ(ReadWide(folder.wide() + L"\\T.qmr").size(), 3u);
}

// "C:T.000" names T.000 in the current folder of drive C: the leftovers
// removed are that folder's, not the root's.
TEST(WindowsMasters, DriveRelativeMasterCleansItsOwnFolder) {
  WindowsFolder folder;
  ASSERT_EQ(folder.ansi().substr(0, 2), "C:");
  samples::WriteTrend(folder.ansi(), "T", samples::RisingTrend(6, "Tank", 2));
  // Of a process that does not run, empty as a writer cut off at once
  // leaves it: provably this program's, so it may go.
  const std::string leftover = "~qmr-4000001-0-T.tmp";
  samples::WriteBytes(folder / leftover, {});
  wchar_t previous[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.wide().c_str()));
  qmr::testsupport::RecordingEvents events;
  EXPECT_NO_THROW(qmr::RebuildTrend("C:T.000", events));
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(events.staleRemoved, std::vector<std::string>{"C:" + leftover});
  EXPECT_EQ(GetFileAttributesA((folder / leftover).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(ReadWide(folder.wide() + L"\\T.qmr").size(), kMasterHeaderSize + 2 * kEntryV6Size);
}

// --- folder separators ----------------------------------------------------

TEST(WindowsPaths, OnlyBackslashSeparatesFolders) {
  EXPECT_EQ(qmr::StripExtension("C:/my.data/TREND"), "C:/my");
  EXPECT_EQ(qmr::StripExtension("C:\\my.data\\TREND"), "C:\\my.data\\TREND");
  EXPECT_EQ(qmr::StripExtension("C:\\data\\TREND.000"), "C:\\data\\TREND");
  EXPECT_EQ(qmr::StripExtension("C:\\my.data/TREND"), "C:\\my");
  EXPECT_EQ(qmr::JoinPath("C:\\data", "TANK1.000"), "C:\\data\\TANK1.000");
  EXPECT_EQ(qmr::JoinPath("C:\\", "TANK1.000"), "C:\\TANK1.000");
}

TEST(WindowsPaths, AbsolutePathUsesTheDriveAndBackslashes) {
  WindowsFolder folder;
  wchar_t previous[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, previous), 0u);
  ASSERT_TRUE(SetCurrentDirectoryW(folder.wide().c_str()));
  const std::string absolute = qmr::AbsolutePath("TANK1.000");
  SetCurrentDirectoryW(previous);
  EXPECT_EQ(absolute, folder / "TANK1.000");
  EXPECT_EQ(absolute.substr(1, 2), ":\\");
}

TEST(WindowsBatch, JoinsWithBackslashAndKeepsADoubledSeparator) {
  WindowsFolder folder;
  samples::WriteTrend(folder.ansi(), "TANK1", samples::RisingTrend(6, "Tank 1", 3));
  samples::WriteTrend(folder.ansi(), "TANK2", samples::RisingTrend(6, "Tank 2", 2));
  qmr::testsupport::RecordingEvents events;

  qmr::RebuildTrends(folder.ansi(), {"TANK1.000"}, events);
  auto master = ReadWide(folder.wide() + L"\\TANK1.qmr");
  ASSERT_EQ(master.size(), kMasterHeaderSize + 3 * kEntryV6Size);
  // Entries stand from the last file to the first; each names its file
  // the way it was opened.
  EXPECT_EQ(EntryPathV6(master, 0), folder / "TANK1.002");
  EXPECT_EQ(EntryPathV6(master, 2), folder / "TANK1.000");

  // A folder given with its trailing "\" (as a drive's root is) gives a
  // doubled separator, which still names the same files.
  qmr::RebuildTrends(folder.ansi() + "\\", {"TANK2.000"}, events);
  master = ReadWide(folder.wide() + L"\\TANK2.qmr");
  ASSERT_EQ(master.size(), kMasterHeaderSize + 2 * kEntryV6Size);
  EXPECT_EQ(EntryPathV6(master, 0), folder.ansi() + "\\\\TANK2.001");
  EXPECT_TRUE(events.done);
  EXPECT_FALSE(events.failed);
}

// --- names in the ANSI code page ------------------------------------------

bool AnsiIsWesternEuropean() { return GetACP() == 1252; }

TEST(WindowsArguments, SplitsTheWideCommandLineAndDropsTheProgramName) {
  const auto args = qmr::AnsiArguments(L"\"C:\\Program Files\\qmr.exe\" rebuild \"C:\\My Trends\\TANK1.000\" \"\" x");
  EXPECT_EQ(args, (std::vector<std::string>{"rebuild", "C:\\My Trends\\TANK1.000", "", "x"}));
  // The program's own folder may hold any character: it is never used.
  const std::wstring program = std::wstring(L"C:\\") + kNoAnsiForm + L"\\qmr.exe show";
  EXPECT_EQ(qmr::AnsiArguments(program.c_str()), (std::vector<std::string>{"show"}));
}

TEST(WindowsArguments, ConvertsExactlyToTheAnsiCodePage) {
  if (!AnsiIsWesternEuropean()) GTEST_SKIP() << "code page " << GetACP();
  const auto args = qmr::AnsiArguments(L"qmr.exe C:\\Temp\u00e9rature\\\u00c6.000");
  EXPECT_EQ(args, (std::vector<std::string>{"C:\\Temp\xe9rature\\\xc6.000"}));
}

TEST(WindowsArguments, RefusesNamesWithoutAnExactAnsiForm) {
  if (!AnsiIsWesternEuropean()) GTEST_SKIP() << "code page " << GetACP();
  // U+4E2D has no form at all; U+0100 would be "best fitted" to a plain "A",
  // naming another file.
  const std::wstring lines[] = {
      std::wstring(L"qmr.exe rebuild C:\\data\\") + kNoAnsiForm + L"\\TANK1.000",
      L"qmr.exe rebuild C:\\data\\T\u0100NK1.000",
      L"qmr.exe rebuild C:\\data\\TANK1.000 \U0001F600",
  };
  const char* named[] = {"argument 2", "argument 2", "argument 3"};
  const char* character[] = {"U+4E2D", "U+0100", "U+1F600"};
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    try {
      qmr::AnsiArguments(lines[i].c_str());
      ADD_FAILURE() << "no error";
    } catch (const qmr::Error& error) {
      EXPECT_EQ(error.code(), ErrorCode::BadFileName);
      const std::string text = error.what();
      EXPECT_NE(text.find(named[i]), std::string::npos) << text;
      EXPECT_NE(text.find(character[i]), std::string::npos) << text;
    }
  }
}

TEST(WindowsArguments, AnAnsiFolderNameReachesTheMasterByteForByte) {
  if (!AnsiIsWesternEuropean()) GTEST_SKIP() << "code page " << GetACP();
  // A folder named with a character outside ASCII, created by its wide name.
  WindowsFolder folder(L"-Temp\u00e9rature");
  // A neighbour that has no ANSI name must not disturb the run of files.
  const std::wstring neighbour = folder.wide() + L"\\" + kNoAnsiForm + L".000";
  std::FILE* out = _wfopen(neighbour.c_str(), L"wb");
  ASSERT_NE(out, nullptr);
  std::fclose(out);
  samples::WriteTrend(folder.ansi(), "TANK1", samples::RisingTrend(6, "Tank 1", 2));

  // The path as the tool receives it from its wide command line.
  const std::wstring line = L"qmr.exe \"" + folder.wide() + L"\\TANK1.000\"";
  const auto args = qmr::AnsiArguments(line.c_str());
  ASSERT_EQ(args.size(), 1u);
  ASSERT_NE(args[0].find("-Temp\xe9rature\\TANK1.000"), std::string::npos);

  qmr::testsupport::RecordingEvents events;
  const qmr::TrendMaster master = qmr::RebuildTrend(args[0], events);
  EXPECT_EQ(master.fileCount, 2);
  const auto written = ReadWide(folder.wide() + L"\\TANK1.qmr");
  ASSERT_EQ(written.size(), kMasterHeaderSize + 2 * kEntryV6Size);
  EXPECT_EQ(EntryPathV6(written, 0), folder / "TANK1.001");
  EXPECT_EQ(EntryPathV6(written, 1), args[0]);
}

// --- what qmr says of names, attributes and paths --------------------------

struct QmrRun {
  int status;
  std::string out, err;
};

QmrRun Qmr(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  const int status = qmr::RunQmr(args, out, err);
  return {status, out.str(), err.str()};
}

void CreateWide(const std::wstring& path) {
  CloseHandle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::size_t MastersIn(const WindowsFolder& folder) {
  std::size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.wide()))
    count += entry.path().extension() == L".qmr";
  return count;
}

// Under code page 1252 "Łódź" and the fullwidth "Ｔ" have no exact form: the
// ANSI listing made them "Lodz" and a second "T". scan and a pattern name
// them, refused with error 52; the real trend T is found once.
TEST(WindowsNames, LookAlikesAreRefusedNeverTakenForAnotherName) {
  if (!AnsiIsWesternEuropean()) GTEST_SKIP() << "code page " << GetACP();
  WindowsFolder folder;
  samples::WriteTrend(folder.ansi(), "T", samples::RisingTrend(6, "Real", 2));
  CreateWide(folder.wide() + L"\\\u0141\u00f3d\u017a.000");
  CreateWide(folder.wide() + L"\\\uff34.000");
  CreateWide(folder.wide() + L"\\\uff34.001");

  const QmrRun scan = Qmr({"scan", folder.ansi()});
  EXPECT_EQ(scan.status, 1) << scan.out << scan.err;
  const std::string said = scan.out + scan.err;
  EXPECT_NE(said.find("U+0141"), std::string::npos) << said;
  EXPECT_NE(said.find("U+FF34"), std::string::npos) << said;
  EXPECT_NE(said.find("(error 52)"), std::string::npos) << said;
  EXPECT_EQ(said.find("Lodz"), std::string::npos) << said;
  const std::string real = folder / "T.qmr";
  EXPECT_EQ(said.find(real), said.rfind(real)) << said;  // one line for the real T

  const QmrRun rebuild = Qmr({"rebuild", folder / "*.000"});
  EXPECT_EQ(rebuild.status, 1) << rebuild.out << rebuild.err;
  EXPECT_NE(rebuild.err.find("U+FF34"), std::string::npos) << rebuild.err;
  EXPECT_EQ(ReadWide(folder.wide() + L"\\T.qmr").size(), kMasterHeaderSize + 2 * kEntryV6Size);
  EXPECT_EQ(MastersIn(folder), 1u);
}

// A hidden data file ends the run as the runtime's search ends it, and is named.
TEST(WindowsNames, HiddenOrSystemDataFileIsToldAndFailsAStrictCheck) {
  for (const DWORD attribute : {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM}) {
    SCOPED_TRACE(attribute);
    WindowsFolder folder;
    samples::WriteTrend(folder.ansi(), "T", samples::RisingTrend(6, "Tank", 4));
    SetAttributes(folder / "T.002", attribute);
    const QmrRun rebuild = Qmr({"rebuild", folder / "T.000"});
    EXPECT_EQ(rebuild.status, 3) << rebuild.err;
    EXPECT_NE(rebuild.err.find("T.002 is hidden (or a system file): not read"), std::string::npos) << rebuild.err;
    EXPECT_EQ(ReadWide(folder.wide() + L"\\T.qmr").size(), kMasterHeaderSize + 2 * kEntryV6Size);
    const QmrRun json = Qmr({"check", "--json", folder / "T.000"});
    EXPECT_NE(json.out.find("\"kind\":\"hidden\""), std::string::npos) << json.out;
    EXPECT_EQ(Qmr({"check", "--strict", folder / "T.000"}).status, 1);
  }
}

// Entries name their files as the runtime opens them, whatever prefix
// reached them.
TEST(WindowsPaths, DevicePrefixesAreNotRecorded) {
  for (const std::string prefix : {"\\\\?\\", "\\\\.\\"}) {
    SCOPED_TRACE(prefix);
    WindowsFolder folder;
    samples::WriteTrend(folder.ansi(), "T", samples::RisingTrend(6, "Tank", 2));
    const QmrRun rebuild = Qmr({"rebuild", prefix + (folder / "T.000")});
    ASSERT_EQ(rebuild.status, 0) << rebuild.err;
    const auto master = ReadWide(folder.wide() + L"\\T.qmr");
    EXPECT_EQ(EntryPathV6(master, 0), folder / "T.001");
    EXPECT_EQ(EntryPathV6(master, 1), folder / "T.000");
  }
}

}  // namespace

#endif  // _WIN32
