// Behaviour that only Windows has: the directory search and its file
// attributes, "\" as the only folder separator, and names carried as
// single-byte text in the ANSI code page.
#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/Arguments.h"
#include "samples/SampleTrends.h"
#include "tests/support/RecordingEvents.h"
#include "tests/support/TestFiles.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "trends/Batch.h"
#include "trends/Rebuild.h"

namespace {

using qmr::ErrorCode;
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

}  // namespace

#endif  // _WIN32
