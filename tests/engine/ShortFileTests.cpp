// Data files too short for the reads their version calls for: not trend data
// files, yet still counted, and still claiming their slot when their version
// word is there.
#include <gtest/gtest.h>

#include "EngineSupport.h"
#include "trends/Rebuild.h"

namespace engine_test {
namespace {


class ShortFileTest : public EngineTest {};

TEST_F(ShortFileTest, OneByteShortOfItsHeaderIsNotATrendFile) {
  for (std::int16_t version : {2, 4, 5, 6}) {
    const std::size_t headerSize = qmr::samples::LayoutOf(version).size;
    for (std::size_t size : {headerSize - 1, headerSize}) {
      SCOPED_TRACE(Numbered("version ", version) + Numbered(", bytes: ", static_cast<long long>(size)));
      const std::string trend = Numbered("V", version) + Numbered("S", static_cast<long long>(size));
      auto files = RisingTrend(version, trend, 3);
      files[1].truncateTo = size;
      WriteTrend(folder(), trend, files);
      events.lines.clear();

      Rebuild(trend);

      const bool complete = size == headerSize;
      EXPECT_EQ(events.lines.size(), complete ? 0u : 1u);
      EXPECT_EQ(Master(trend), ExpectedMaster(trend, files, version, trend,
                                              complete ? std::vector<int>{2, 1, 0} : std::vector<int>{2, 0, -1}));
    }
  }
}

TEST_F(ShortFileTest, WithoutBytes138And139TheLastVersionIsZero) {
  for (std::size_t size : {0u, 1u, 139u}) {
    SCOPED_TRACE(Numbered("bytes: ", static_cast<long long>(size)));
    const std::string trend = Numbered("CUT", static_cast<long long>(size));
    auto files = RisingTrend(6, "Tank", 3);
    files[2].truncateTo = size;
    WriteTrend(folder(), trend, files);
    events.lines.clear();

    const qmr::TrendMaster result = Rebuild(trend);

    EXPECT_EQ(events.lines, std::vector<std::string>{"unrecognised " + DataPath(trend, 2) + ": no version word (" +
                                                     std::to_string(size) + " of 140 bytes)"});
    EXPECT_EQ(result.version, 0);
    EXPECT_EQ(Master(trend), ExpectedHeader(0, "", 3));
  }
}

TEST_F(ShortFileTest, AShortLastFileKeepsOneEntryPerFileAndTheLastCompleteName) {
  auto files = RisingTrend(6, "Named by zero", 3);
  files[1].trendName = "Named by one";
  files[2].trendName = "Named by two";  // partly present in the cut file, never used
  files[2].truncateTo = 200;
  WriteTrend(folder(), "TANK", files);

  const qmr::TrendMaster result = Rebuild("TANK");

  EXPECT_EQ(events.lines, std::vector<std::string>{"unrecognised " + DataPath("TANK", 2) + ": header cut at 200 of 304 bytes"});
  EXPECT_EQ(result.version, 6);
  EXPECT_EQ(result.entryCount, 3u);
  EXPECT_EQ(Master("TANK"), ExpectedMaster("TANK", files, 6, "Named by one", {1, 0, -1}));
}

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

}  // namespace
}  // namespace engine_test
