// The limits of the stored format: the banner's 128 characters, the entry's
// file_path, and the 16-bit file number. Passing one fails the trend before
// NAME.qmr is touched.
#include <gtest/gtest.h>

#include <ostream>

#include "Harness.h"

namespace engine_test {
namespace {

class FileLimitTest : public EngineTest {};

TEST_F(FileLimitTest, ANameTooLongForTheBannerFailsBeforeTheMasterIsTouched) {
  const Bytes oldMaster(5000, 0xA5);
  WriteBytes(PathOf("TANK1.qmr"), oldMaster);
  WriteTrend(folder(), "TANK1", RisingTrend(6, std::string(65, 'N'), 2));
  qmr::RebuildTrend(DataPath("TANK1", 0), events);  // 65 characters still fit
  EXPECT_EQ(ReadWholeFile(PathOf("TANK1.qmr")).size(), kMasterHeaderSize + 2 * 448);

  WriteBytes(PathOf("TANK1.qmr"), oldMaster);
  auto files = RisingTrend(6, std::string(66, 'N') + std::string("\0tail", 5), 2);
  WriteTrend(folder(), "TANK1", files);
  const FolderState before = Snapshot(folder());

  EXPECT_EQ(CodeOf([&] { qmr::RebuildTrend(DataPath("TANK1", 0), events); }), qmr::ErrorCode::InvalidArgument);

  EXPECT_EQ(Snapshot(folder()), before);
  EXPECT_TRUE(events.lines.empty());
}

struct PathCase {
  std::int16_t version;
  std::size_t length;  // of the data files' paths
  std::size_t width;   // of the entries' file_path field
};

// How GoogleTest names a case, rather than the struct's bytes.
void PrintTo(const PathCase& c, std::ostream* out) {
  *out << "version " << c.version << ", " << c.length << " characters, field of " << c.width;
}

class PathLength : public EngineTest, public ::testing::WithParamInterface<PathCase> {};

// A trend whose data file paths have exactly the given length: up to the
// field's width the path is stored whole, NUL-padded; one more character
// fails the trend before anything is written, whether there was an old
// master (it stays) or none (none appears).
TEST_P(PathLength, FitsUpToTheFieldAndFailsBeyondIt) {
  const PathCase c = GetParam();
#ifdef _WIN32
  // Windows itself refuses paths of 260 characters or more.
  if (c.length >= 260) GTEST_SKIP() << "a path of 260 characters or more";
#endif
  // Long folder names, not a long file name: a file name stays far below
  // the file system's 255 bytes whatever the path's length.
  const std::string trend = "TANK";
  const std::size_t fixed = folder().size() + 1 + trend.size() + 4;  // separator and ".000"
  if (fixed + 2 > c.length) GTEST_SKIP() << "the temporary folder's path is too long for this case";
  std::string where = folder();
  std::size_t missing = c.length - fixed;  // folder names with their separator
  while (missing > 0) {
    const std::size_t part = missing > 101 ? (missing - 101 >= 2 ? 100 : 50) : missing - 1;
    where += qmr::kPathSeparator + std::string(part, 'd');
    missing -= part + 1;
  }
  fs::create_directories(where);
  const std::string firstPath = where + qmr::kPathSeparator + trend + ".000";
  const std::string masterPath = where + qmr::kPathSeparator + trend + ".qmr";
  ASSERT_EQ(firstPath.size(), c.length);
  const auto files = RisingTrend(c.version, "Path", 2);
  WriteTrend(where, trend, files);

  if (c.length > c.width) {
    const RecordingEvents withoutMaster = engine_test::RebuildChecked(where, trend);
    ASSERT_TRUE(withoutMaster.failed);
    EXPECT_EQ(withoutMaster.failedCode, qmr::ErrorCode::InvalidArgument);
    EXPECT_FALSE(fs::exists(masterPath));

    const Bytes oldMaster(300, 0x11);
    WriteBytes(masterPath, oldMaster);
    const RecordingEvents withMaster = engine_test::RebuildChecked(where, trend);
    ASSERT_TRUE(withMaster.failed);
    EXPECT_EQ(withMaster.failedCode, qmr::ErrorCode::InvalidArgument);
    EXPECT_EQ(withMaster.failedTrend, trend);
    EXPECT_EQ(ReadWholeFile(masterPath), oldMaster);
    return;
  }
  WriteBytes(masterPath, Bytes(300, 0x11));
  const RecordingEvents outcome = engine_test::RebuildChecked(where, trend);
  ASSERT_FALSE(outcome.failed) << outcome.failedDescription;
  EXPECT_EQ(ReadWholeFile(masterPath),
            qmr::testsupport::ExpectedMaster(where, trend, files, c.version, "Path", {1, 0}));
}

INSTANTIATE_TEST_SUITE_P(Edges, PathLength,
                         ::testing::Values(PathCase{1, 143, 144}, PathCase{1, 144, 144}, PathCase{1, 145, 144},
                                           PathCase{5, 143, 144}, PathCase{5, 144, 144}, PathCase{5, 145, 144},
                                           PathCase{4, 271, 272}, PathCase{4, 272, 272}, PathCase{4, 273, 272},
                                           PathCase{6, 271, 272}, PathCase{6, 272, 272}, PathCase{6, 273, 272}),
                         [](const auto& info) {
                           return Numbered("Version", info.param.version) +
                                  Numbered("Length", static_cast<long long>(info.param.length));
                         });

// 32767 files (numbers 0 to 32766) are the most a master can list; with
// one file more, .32767 is still read, then the step to the next number
// overflows before the master is touched, and the master just written
// stays as it is. Version 2 keeps the files at 224 bytes, the smallest
// header there is.
TEST_F(FileLimitTest, TheLargestTrendIsRebuiltAndOneFileMoreOverflows) {
#ifdef _WIN32
  // The counting is the same code on every platform. Under Wine, where the
  // Windows build is tested, each directory search of a folder of 32768 files
  // scans the folder, so this one test would take minutes.
  GTEST_SKIP() << "32768-file folder: run on Linux";
#endif
  constexpr int kMostFiles = 32767;
  const auto files = RisingTrend(2, "Largest trend", kMostFiles);
  WriteTrend(folder(), "BIG", files);

  const RecordingEvents rebuilt = RebuildChecked("BIG");

  ASSERT_FALSE(rebuilt.failed) << rebuilt.failedDescription;
  std::vector<int> newestFirst;
  for (int number = kMostFiles - 1; number >= 0; --number) newestFirst.push_back(number);
  const Bytes master = Master("BIG");
  ASSERT_EQ(master.size(), kMasterHeaderSize + 32767u * 240u);
  EXPECT_TRUE(master == ExpectedMaster("BIG", files, 2, "Largest trend", newestFirst));

  // Not a trend data file, so that reading it shows.
  WriteBytes(DataPath("BIG", kMostFiles), qmr::samples::MakeDataFile(MakeSample(9, "", 0)));

  const RecordingEvents overflow = RebuildChecked("BIG");

  ASSERT_TRUE(overflow.failed);
  EXPECT_EQ(overflow.failedCode, qmr::ErrorCode::Overflow);
  EXPECT_EQ(overflow.failedTrend, "BIG");
  EXPECT_EQ(overflow.unrecognisedPaths, std::vector<std::string>{DataPath("BIG", kMostFiles)});
  EXPECT_TRUE(Master("BIG") == master);
}

}  // namespace
}  // namespace engine_test
