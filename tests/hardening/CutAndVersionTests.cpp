// Data files cut short at every length, and version words that name no
// format, in each position of a trend.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "Harness.h"
#include "samples/SampleTrends.h"
#include "tests/support/ExpectedMasters.h"

namespace hardening {
namespace {

namespace samples = qmr::samples;

// The sizes from the format tables, by version.
std::size_t DataHeaderSize(std::int16_t version) { return samples::LayoutOf(version).size; }
std::size_t MasterEntrySize(std::int16_t version) { return qmr::testsupport::EntryTableOf(version).size; }

// The path stored in an entry, up to its first NUL.
std::string EntryPath(const Bytes& entry, std::size_t pathWidth) {
  std::string path(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(pathWidth));
  return path.substr(0, path.find('\0'));
}

class CutHeader : public ::testing::TestWithParam<std::int16_t> {};

// Every length from 0 bytes to one byte short of the header, with the cut
// file between two whole ones: the cut file is reported as no trend data
// file and leaves an all-zero entry, the other two are listed in key order.
TEST_P(CutHeader, EveryLengthShortOfTheHeaderIsReportedAndLeavesAZeroEntry) {
  const std::int16_t version = GetParam();
  const std::size_t headerSize = DataHeaderSize(version);
  const std::size_t entrySize = MasterEntrySize(version);
  const std::size_t pathWidth = entrySize == 432 || entrySize == 448 ? 272 : 144;
  TempFolder folder;
  for (std::size_t length = 0; length < headerSize; ++length) {
    SCOPED_TRACE("cut to " + std::to_string(length) + " bytes");
    auto files = samples::RisingTrend(version, "Cut", 3);
    files[1].truncateTo = length;
    samples::WriteTrend(folder.path(), "T", files);

    const BatchOutcome outcome = RebuildChecked(folder.fsPath(), "T");
    ASSERT_FALSE(outcome.failed) << outcome.description;
    EXPECT_EQ(static_cast<int>(outcome.events.unrecognisedPaths.size()), 1);
    const Bytes master = ReadWholeFile(folder.fsPath() / "T.qmr");
    const MasterFacts facts = ExpectCompleteMaster(master);
    EXPECT_EQ(facts.version, version);
    EXPECT_EQ(facts.fileCount, 3);
    ASSERT_EQ(facts.entries, 3u);
    // Rising keys come out last file first; the zero slot's key 0 sorts last.
    EXPECT_EQ(EntryPath(EntryAt(master, entrySize, 0), pathWidth), (folder.fsPath() / "T.002").string());
    EXPECT_EQ(EntryPath(EntryAt(master, entrySize, 1), pathWidth), (folder.fsPath() / "T.000").string());
    EXPECT_TRUE(AllZero(EntryAt(master, entrySize, 2)));
    if (::testing::Test::HasFailure()) return;  // one length's report is enough
  }
}

// The last file cut short: with its version word it still claims its slot
// and the master keeps one entry per file; without one the master is the
// header alone, naming version 0.
TEST_P(CutHeader, LastFileCutShortStillGivesAWholeMaster) {
  const std::int16_t version = GetParam();
  TempFolder folder;
  for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{139}, std::size_t{140},
                                   DataHeaderSize(version) - 1}) {
    SCOPED_TRACE("last file cut to " + std::to_string(length) + " bytes");
    auto files = samples::RisingTrend(version, "Cut", 2);
    files[1].truncateTo = length;
    samples::WriteTrend(folder.path(), "T", files);

    const BatchOutcome outcome = RebuildChecked(folder.fsPath(), "T");
    ASSERT_FALSE(outcome.failed) << outcome.description;
    EXPECT_EQ(static_cast<int>(outcome.events.unrecognisedPaths.size()), 1);
    const MasterFacts facts = ExpectCompleteMaster(ReadWholeFile(folder.fsPath() / "T.qmr"));
    EXPECT_EQ(facts.fileCount, 2);
    EXPECT_EQ(facts.version, length >= 140 ? version : 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Families, CutHeader, ::testing::Values<std::int16_t>(2, 4, 5, 6),
                         [](const auto& info) { return "Version" + std::to_string(info.param); });

class UnknownVersion : public ::testing::TestWithParam<std::tuple<std::int16_t, int>> {};

// A file whose version word names no format, first, in the middle or last
// in a trend of three version 6 files: reported once; the master keeps one
// entry per file, or is the header alone when the last file is the odd one.
TEST_P(UnknownVersion, IsReportedOnceAndTheMasterStaysWhole) {
  const auto [word, position] = GetParam();
  TempFolder folder;
  auto files = samples::RisingTrend(6, "Odd", 3);
  files[static_cast<std::size_t>(position)].version = word;
  samples::WriteTrend(folder.path(), "T", files);

  const BatchOutcome outcome = RebuildChecked(folder.fsPath(), "T");
  ASSERT_FALSE(outcome.failed) << outcome.description;
  EXPECT_EQ(static_cast<int>(outcome.events.unrecognisedPaths.size()), 1);
  const Bytes master = ReadWholeFile(folder.fsPath() / "T.qmr");
  const MasterFacts facts = ExpectCompleteMaster(master);
  EXPECT_EQ(facts.fileCount, 3);
  if (position == 2) {
    EXPECT_EQ(facts.version, word);
    EXPECT_EQ(master.size(), 176u);
    // No trend name: the banner's name line is empty.
    const std::string banner(master.begin(), master.begin() + 128);
    EXPECT_NE(banner.find("TREND MASTER\r\n\r\n"), std::string::npos);
  } else {
    EXPECT_EQ(facts.version, 6);
    ASSERT_EQ(facts.entries, 3u);
    EXPECT_TRUE(AllZero(EntryAt(master, 448, 2))) << "the odd file's zero entry sorts last";
    EXPECT_FALSE(AllZero(EntryAt(master, 448, 0)));
    EXPECT_FALSE(AllZero(EntryAt(master, 448, 1)));
  }
}

std::string WordAndPlace(const ::testing::TestParamInfo<std::tuple<std::int16_t, int>>& info) {
  static const char* const kPlaces[] = {"First", "Middle", "Last"};
  const int word = std::get<0>(info.param);
  return (word < 0 ? "Minus" + std::to_string(-word) : std::to_string(word)) + kPlaces[std::get<1>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Words, UnknownVersion,
                         ::testing::Combine(::testing::Values<std::int16_t>(0, 7, -1, 32767, -32768),
                                            ::testing::Values(0, 1, 2)),
                         WordAndPlace);

}  // namespace
}  // namespace hardening
