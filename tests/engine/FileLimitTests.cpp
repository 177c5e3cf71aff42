// The limits of the stored format: the banner's 128 characters, the entry's
// file_path, and the 16-bit file number. Passing one fails the trend before
// NAME.qmr is touched.
#include <gtest/gtest.h>

#include "EngineSupport.h"
#include "tests/support/ErrorCodeOf.h"
#include "tools/Errors.h"
#include "trends/Rebuild.h"

namespace engine_test {
namespace {

using qmr::testsupport::CodeOf;

class FileLimitTest : public EngineTest {};

TEST_F(FileLimitTest, ANameTooLongForTheBannerFailsBeforeTheMasterIsTouched) {
  const Bytes oldMaster(5000, 0xA5);
  WriteBytes(PathOf("TANK1.qmr"), oldMaster);
  WriteTrend(folder(), "TANK1", RisingTrend(6, std::string(65, 'N'), 2));
  qmr::RebuildTrend(DataPath("TANK1", 0), events);  // 65 characters still fit
  EXPECT_EQ(ReadWholeFile(PathOf("TANK1.qmr")).size(), kHeaderSize + 2 * 448);

  WriteBytes(PathOf("TANK1.qmr"), oldMaster);
  auto files = RisingTrend(6, std::string(66, 'N') + std::string("\0tail", 5), 2);
  WriteTrend(folder(), "TANK1", files);
  const auto before = Snapshot(folder());

  EXPECT_EQ(CodeOf([&] { qmr::RebuildTrend(DataPath("TANK1", 0), events); }), qmr::ErrorCode::InvalidArgument);

  EXPECT_TRUE(Snapshot(folder()) == before) << "the folder changed";
  EXPECT_TRUE(events.lines.empty());
}

// A folder whose name makes the path of NAME.000 exactly `length` characters.
std::string FolderForPathLength(const std::string& parent, std::size_t length, const std::string& fileName) {
  const std::size_t fixed = parent.size() + 2 + fileName.size();  // two separators
  EXPECT_GT(length, fixed);
  const std::string folder = parent + qmr::kPathSeparator + std::string(length - fixed, 'd');
  std::filesystem::create_directories(folder);
  return folder;
}

TEST_F(FileLimitTest, APathLongerThanFilePathFailsAndOneThatFitsIsStoredWhole) {
  struct Case {
    std::int16_t version;
    std::size_t width;
  };
  std::vector<Case> cases = {{5, 144}, {1, 144}};
#ifndef _WIN32
  // Windows itself refuses paths of 260 characters or more.
  cases.insert(cases.end(), {{6, 272}, {4, 272}});
#endif
  for (const Case c : cases) {
    SCOPED_TRACE(Numbered("version ", c.version));
    const auto files = RisingTrend(c.version, "Flow", 1);

    const std::string fits = FolderForPathLength(folder(), c.width, "F.000");
    WriteTrend(fits, "F", files);
    const qmr::TrendMaster result =
        qmr::RebuildTrend(fits + qmr::kPathSeparator + "F.000", events);
    const Bytes master = ReadWholeFile(fits + qmr::kPathSeparator + "F.qmr");
    ASSERT_EQ(master.size(), kHeaderSize + EntryTableOf(c.version).size);
    const std::string stored(master.begin() + kHeaderSize, master.begin() + kHeaderSize + c.width);
    EXPECT_EQ(stored, fits + qmr::kPathSeparator + "F.000");  // no NUL left in the field
    EXPECT_EQ(result.entryCount, 1u);

    const std::string tooLong = FolderForPathLength(folder(), c.width + 1, "F.000");
    WriteTrend(tooLong, "F", files);
    EXPECT_EQ(CodeOf([&] { qmr::RebuildTrend(tooLong + qmr::kPathSeparator + "F.000", events); }),
              qmr::ErrorCode::InvalidArgument);
    EXPECT_FALSE(std::filesystem::exists(tooLong + qmr::kPathSeparator + "F.qmr"));
  }
}

// 32768 small files: .32767 is still read, then the step to the next number
// overflows. Without .32767 the trend of 32767 files is rebuilt whole.
TEST_F(FileLimitTest, TheFileNumberStopsAt32767) {
#ifdef _WIN32
  // The counting is the same code on every platform. Under Wine, where the
  // Windows build is tested, each directory search of a folder of 32768 files
  // scans the folder, so this one test would take minutes.
  GTEST_SKIP() << "32768-file folder: run on Linux";
#endif
  auto files = RisingTrend(1, "Big", 32768);
  files.back().version = 9;  // so that reading it shows
  WriteTrend(folder(), "BIG", files);

  EXPECT_EQ(CodeOf([&] { qmr::RebuildTrend(DataPath("BIG", 0), events); }), qmr::ErrorCode::Overflow);
  EXPECT_EQ(events.unrecognisedPaths, std::vector<std::string>{DataPath("BIG", 32767)});
  EXPECT_FALSE(std::filesystem::exists(PathOf("BIG.qmr")));

  std::filesystem::remove(DataPath("BIG", 32767));
  files.pop_back();
  const qmr::TrendMaster result = qmr::RebuildTrend(DataPath("BIG", 0), events);

  EXPECT_EQ(result.fileCount, 32767);
  std::vector<int> newestFirst;
  for (int number = 32766; number >= 0; --number) newestFirst.push_back(number);
  const Bytes master = ReadWholeFile(PathOf("BIG.qmr"));
  ASSERT_EQ(master.size(), kHeaderSize + 32767u * 240u);
  EXPECT_TRUE(master == ExpectedMaster("BIG", files, 1, "Big", newestFirst));
}

}  // namespace
}  // namespace engine_test
