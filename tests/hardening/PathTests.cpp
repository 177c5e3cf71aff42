// Paths at the edge of the entries' file_path fields, and trend names with
// blanks, several dots and bytes beyond ASCII.
#include <gtest/gtest.h>

#include <string>

#include "Harness.h"
#include "samples/SampleTrends.h"
#include "tools/Errors.h"

namespace hardening {
namespace {

namespace samples = qmr::samples;

struct PathCase {
  std::int16_t version;
  std::size_t length;    // of the data files' paths
  std::size_t width;     // of the entries' file_path field
  std::size_t entrySize;
};

class PathLength : public ::testing::TestWithParam<PathCase> {};

// A trend whose data file paths have exactly the given length: up to the
// field's width the path is stored whole, NUL-padded; one more character
// fails the trend before anything is written.
TEST_P(PathLength, FitsUpToTheFieldAndFailsBeyondIt) {
  const PathCase c = GetParam();
  TempFolder root;
  // Long folder names, not a long file name: a file name stays far below
  // the file system's 255 bytes whatever the path's length.
  const std::string trend = "TANK";
  const std::size_t fixed = root.fsPath().string().size() + 1 + trend.size() + 4;  // "/" and ".000"
  if (fixed + 2 > c.length) GTEST_SKIP() << "the temporary folder's path is too long for this case";
  fs::path folder = root.fsPath();
  std::size_t missing = c.length - fixed;  // folder names with their "/"
  while (missing > 0) {
    const std::size_t part = missing > 101 ? (missing - 101 >= 2 ? 100 : 50) : missing - 1;
    if (part == 0) GTEST_SKIP() << "cannot make a path of this length here";
    folder /= std::string(part, 'd');
    missing -= part + 1;
  }
  fs::create_directories(folder);
  const std::string firstPath = (folder / (trend + ".000")).string();
  ASSERT_EQ(firstPath.size(), c.length);
  samples::WriteTrend(folder.string(), trend, samples::RisingTrend(c.version, "Path", 2));
  const Bytes oldMaster(300, 0x11);
  WriteBytes(folder / (trend + ".qmr"), oldMaster);

  const BatchOutcome outcome = RebuildChecked(folder, trend);
  if (c.length > c.width) {
    ASSERT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.code, qmr::ErrorCode::InvalidArgument);
    EXPECT_EQ(outcome.failedTrend, trend);
    EXPECT_EQ(ReadWholeFile(folder / (trend + ".qmr")), oldMaster);
    return;
  }
  ASSERT_FALSE(outcome.failed) << outcome.description;
  const Bytes master = ReadWholeFile(folder / (trend + ".qmr"));
  const MasterFacts facts = ExpectCompleteMaster(master);
  ASSERT_EQ(facts.entries, 2u);
  const Bytes entry = EntryAt(master, c.entrySize, 1);  // .000: the smaller key comes last
  std::string expected = firstPath;
  expected.resize(c.width, '\0');
  EXPECT_EQ(std::string(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(c.width)), expected);
}

INSTANTIATE_TEST_SUITE_P(Edges, PathLength,
                         ::testing::Values(PathCase{5, 143, 144, 288}, PathCase{5, 144, 144, 288},
                                           PathCase{5, 145, 144, 288}, PathCase{6, 271, 272, 448},
                                           PathCase{6, 272, 272, 448}, PathCase{6, 273, 272, 448}),
                         [](const auto& info) {
                           return "Version" + std::to_string(info.param.version) + "Length" +
                                  std::to_string(info.param.length);
                         });

class OddName : public ::testing::TestWithParam<std::string> {};

// The master takes the name before the last dot, whatever bytes it holds,
// and every entry keeps the data file's path byte for byte.
TEST_P(OddName, IsRebuiltUnderItsOwnName) {
  const std::string name = GetParam();
  TempFolder folder;
  samples::WriteTrend(folder.path(), name, samples::RisingTrend(4, "Odd name", 3));

  const BatchOutcome outcome = RebuildChecked(folder.fsPath(), name);
  ASSERT_FALSE(outcome.failed) << outcome.description;
  ASSERT_EQ(outcome.events.startedTrends.size(), 1u);
  EXPECT_EQ(outcome.events.startedTrends[0], name);
  const Bytes master = ReadWholeFile(folder.fsPath() / (name + ".qmr"));
  const MasterFacts facts = ExpectCompleteMaster(master);
  ASSERT_EQ(facts.entries, 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const Bytes entry = EntryAt(master, 432, i);
    const std::string stored(entry.begin(), entry.begin() + 272);
    EXPECT_EQ(stored.substr(0, stored.find('\0')),
              (folder.fsPath() / (name + ".00" + std::to_string(2 - i))).string());
  }
}

INSTANTIATE_TEST_SUITE_P(Names, OddName,
                         ::testing::Values(std::string("tank level"), std::string(" lead and trail "),
                                           std::string("line.2.temp"), std::string("a..b."),
                                           std::string("T\xC3\xA4nk \xE2\x82\xAC"),  // UTF-8
                                           std::string("T\xE4nk\xFF\x80")),          // not UTF-8
                         [](const auto& info) { return "Name" + std::to_string(info.index); });

// A trend name of 240 bytes: NAME.000 and NAME.qmr are well within the file
// system's 255 bytes per name, so replacing the master must work too,
// whatever name the temporary file of the replacement gets.
TEST(LongName, ANameNearTheFileSystemLimitIsRebuilt) {
  TempFolder folder;
  const std::string name(240, 'L');
  if (folder.fsPath().string().size() + 1 + name.size() + 4 > 272)
    GTEST_SKIP() << "the temporary folder's path is too long for this case";
  samples::WriteTrend(folder.path(), name, samples::RisingTrend(6, "Long name", 2));
  const BatchOutcome outcome = RebuildChecked(folder.fsPath(), name);
  ASSERT_FALSE(outcome.failed) << outcome.description;
  EXPECT_EQ(ExpectCompleteMaster(ReadWholeFile(folder.fsPath() / (name + ".qmr"))).entries, 2u);
}

}  // namespace
}  // namespace hardening
