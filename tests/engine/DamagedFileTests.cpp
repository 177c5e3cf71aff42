// Data files cut short at every length, and version words that name no
// format, in each position of a trend: not trend data files, reported once
// each, yet still counted, and still claiming their slot when their version
// word is there.
#include <gtest/gtest.h>

#include "Harness.h"

namespace engine_test {
namespace {

std::string NoVersionWord(std::size_t length) {
  return Numbered("no version word (", static_cast<long long>(length)) + " of 140 bytes)";
}

std::string HeaderCut(std::size_t length, std::size_t needed) {
  return Numbered("header cut at ", static_cast<long long>(length)) + Numbered(" of ", static_cast<long long>(needed)) +
         " bytes";
}

std::string CutReason(std::size_t length, std::size_t needed) {
  return length < 140 ? NoVersionWord(length) : HeaderCut(length, needed);
}

class CutHeader : public EngineTest, public ::testing::WithParamInterface<std::int16_t> {};

// Every length from 0 bytes to the whole header, with the cut file between
// two whole ones: short of the header it is reported as no trend data file
// and leaves an all-zero entry, which sorts last (its key 0 has the
// smallest text); the whole header is an ordinary file.
TEST_P(CutHeader, EveryLengthShortOfTheHeaderLeavesAZeroEntryInItsSortedPlace) {
  const std::int16_t version = GetParam();
  const std::size_t headerSize = qmr::samples::LayoutOf(version).size;
  for (std::size_t length = 0; length <= headerSize; ++length) {
    SCOPED_TRACE(Numbered("cut to ", static_cast<long long>(length)) + " bytes");
    auto files = RisingTrend(version, "Cut", 3);
    files[1].truncateTo = length;
    WriteTrend(folder(), "T", files);

    const RecordingEvents outcome = RebuildChecked("T");

    ASSERT_FALSE(outcome.failed) << outcome.failedDescription;
    if (length == headerSize) {
      EXPECT_TRUE(UnrecognisedLines(outcome).empty());
      EXPECT_EQ(Master("T"), ExpectedMaster("T", files, version, "Cut", {2, 1, 0}));
    } else {
      EXPECT_EQ(UnrecognisedLines(outcome),
                std::vector<std::string>{UnrecognisedLine("T", 1, CutReason(length, headerSize))});
      EXPECT_EQ(Master("T"), ExpectedMaster("T", files, version, "Cut", {2, 0, -1}));
    }
    if (HasFailure()) return;  // one length's report is enough
  }
}

// The last file cut short: with its version word it still claims its slot,
// the master keeps that version, one entry per file and the name of the
// last complete header; without one the master is the header alone, naming
// version 0 and no trend.
TEST_P(CutHeader, ACutLastFileKeepsItsSlotWhenItsVersionWordIsThere) {
  const std::int16_t version = GetParam();
  const std::size_t headerSize = qmr::samples::LayoutOf(version).size;
  for (const std::size_t length :
       {std::size_t{0}, std::size_t{1}, std::size_t{139}, std::size_t{140}, headerSize - 1}) {
    SCOPED_TRACE(Numbered("last file cut to ", static_cast<long long>(length)) + " bytes");
    auto files = RisingTrend(version, "Named by zero", 3);
    files[1].trendName = "Named by one";
    files[2].trendName = "Named by two";  // partly present in the cut file, never used
    files[2].truncateTo = length;
    WriteTrend(folder(), "T", files);

    const RecordingEvents outcome = RebuildChecked("T");

    ASSERT_FALSE(outcome.failed) << outcome.failedDescription;
    EXPECT_EQ(UnrecognisedLines(outcome),
              std::vector<std::string>{UnrecognisedLine("T", 2, CutReason(length, headerSize))});
    EXPECT_EQ(Master("T"), length < 140 ? ExpectedHeader(0, "", 3)
                                        : ExpectedMaster("T", files, version, "Named by one", {1, 0, -1}));
  }
}

INSTANTIATE_TEST_SUITE_P(Families, CutHeader, ::testing::Values<std::int16_t>(2, 4, 5, 6),
                         [](const auto& info) { return Numbered("Version", info.param); });

class ShortFileTest : public EngineTest {};

TEST_F(ShortFileTest, AShortOnlyFileGivesOneZeroEntryAndNoName) {
  auto files = RisingTrend(5, "Flow", 1);
  files[0].truncateTo = 140;
  WriteTrend(folder(), "FLOW", files);

  Rebuild("FLOW");

  EXPECT_EQ(Master("FLOW"), ExpectedMaster("FLOW", files, 5, "", {-1}));
}

TEST_F(ShortFileTest, AShortLastFileOfAnotherFamilyGivesZeroEntriesOfItsFamily) {
  auto files = RisingTrend(6, "Six", 2);
  files.push_back(RisingTrend(4, "Four", 3)[2]);
  files[2].truncateTo = 287;
  WriteTrend(folder(), "SWITCH", files);

  Rebuild("SWITCH");

  // No complete version 4 header: no name, and every slot of the list is 0.
  EXPECT_EQ(Master("SWITCH"), ExpectedMaster("SWITCH", files, 4, "", {-1, -1, -1}));
}

TEST_F(ShortFileTest, AShortFileOfAnUnknownVersionStillSetsTheVersion) {
  auto files = RisingTrend(6, "Six", 2);
  files[1].version = 9;
  files[1].truncateTo = 140;
  WriteTrend(folder(), "NINE", files);

  Rebuild("NINE");

  EXPECT_EQ(Master("NINE"), ExpectedHeader(9, "", 2));
}

class UnknownVersion : public EngineTest, public ::testing::WithParamInterface<std::tuple<std::int16_t, int>> {};

// A file whose version word names no format, first, in the middle or last
// in a trend of three version 6 files: reported once; first or middle, it
// leaves an all-zero entry that sorts last in a whole version 6 master;
// last, the master is the header alone with that version and no name.
TEST_P(UnknownVersion, IsReportedOnceAndTheMasterStaysWhole) {
  const auto [word, position] = GetParam();
  auto files = RisingTrend(6, "Odd", 3);
  files[static_cast<std::size_t>(position)].version = word;
  WriteTrend(folder(), "T", files);

  const RecordingEvents outcome = RebuildChecked("T");

  ASSERT_FALSE(outcome.failed) << outcome.failedDescription;
  EXPECT_EQ(UnrecognisedLines(outcome),
            std::vector<std::string>{UnrecognisedLine("T", position, Numbered("unknown version ", word))});
  std::vector<int> order;
  for (int number = 2; number >= 0; --number)
    if (number != position) order.push_back(number);
  order.push_back(-1);
  EXPECT_EQ(Master("T"), position == 2 ? ExpectedHeader(word, "", 3) : ExpectedMaster("T", files, 6, "Odd", order));
}

std::string WordAndPlace(const ::testing::TestParamInfo<std::tuple<std::int16_t, int>>& info) {
  static const char* const kPlaces[] = {"First", "Middle", "Last"};
  const int word = std::get<0>(info.param);
  return (word < 0 ? Numbered("Minus", -word) : Numbered("", word)) + kPlaces[std::get<1>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Words, UnknownVersion,
                         ::testing::Combine(::testing::Values<std::int16_t>(0, 7, 9, -1, 32767, -32768),
                                            ::testing::Values(0, 1, 2)),
                         WordAndPlace);

}  // namespace
}  // namespace engine_test
