// One trend, from its numbered data files to the bytes of NAME.qmr.
#include <gtest/gtest.h>

#include "Harness.h"

namespace engine_test {
namespace {

class RebuildTest : public EngineTest {};

// --- Uniform trends ----------------------------------------------------------

TEST_F(RebuildTest, ThreeVersion6FilesAreListedNewestFirstAndNamedByTheLast) {
  auto files = RisingTrend(6, "TANK0", 3);
  // The banner shows the name up to its first NUL; the entry gets the whole field.
  files[2].trendName = std::string("TANK1\0old name", 14);
  files[2].sampleBytes = 1000;  // what follows the header plays no part
  WriteTrend(folder(), "TANK1", files);

  const qmr::TrendMaster result = Rebuild("TANK1");

  EXPECT_EQ(Master("TANK1"), ExpectedMaster("TANK1", files, 6, "TANK1", {2, 1, 0}));
  EXPECT_EQ(result.masterPath, PathOf("TANK1.qmr"));
  EXPECT_EQ(result.version, 6);
  EXPECT_EQ(result.fileCount, 3);
  EXPECT_EQ(result.entryCount, 3u);
  EXPECT_EQ(result.bytes, Master("TANK1"));
  EXPECT_TRUE(events.lines.empty());
}

TEST_F(RebuildTest, EveryFamilyGivesItsOwnLayout) {
  for (std::int16_t version : {1, 2, 3, 4, 5}) {
    const std::string trend = Numbered("T", version);
    const std::string name = Numbered("Name of T", version);
    const auto files = RisingTrend(version, name, 2);
    WriteTrend(folder(), trend, files);
    Rebuild(trend);
    EXPECT_EQ(Master(trend), ExpectedMaster(trend, files, version, name, {1, 0})) << trend;
  }
}

TEST_F(RebuildTest, TheRunEndsAtTheFirstMissingNumber) {
  const auto files = RisingTrend(6, "TANK1", 3);
  WriteTrend(folder(), "TANK1", files);
  std::filesystem::remove(DataPath("TANK1", 1));

  const qmr::TrendMaster result = Rebuild("TANK1");

  EXPECT_EQ(result.fileCount, 1);
  EXPECT_EQ(Master("TANK1"), ExpectedMaster("TANK1", {files[0]}, 6, "TANK1", {0}));
}

TEST_F(RebuildTest, NumbersGoOnFromThreeToFourDigits) {
  const auto files = RisingTrend(5, "Long trend", 1001);
  WriteTrend(folder(), "LONG", files);
  // After .1000 the next name looked for is .1001, not a zero-padded .01001.
  WriteBytes(PathOf("LONG.01001"), qmr::samples::MakeDataFile(files[0]));

  const qmr::TrendMaster result = Rebuild("LONG");

  std::vector<int> newestFirst;
  for (int number = 1000; number >= 0; --number) newestFirst.push_back(number);
  EXPECT_EQ(result.fileCount, 1001);
  const Bytes master = Master("LONG");
  EXPECT_EQ(master, ExpectedMaster("LONG", files, 5, "Long trend", newestFirst));
  const std::string firstPath(reinterpret_cast<const char*>(master.data()) + kMasterHeaderSize);
  EXPECT_EQ(firstPath, PathOf("LONG.1000"));
}

TEST_F(RebuildTest, NoDataFileGivesTheHeaderAlone) {
  const qmr::TrendMaster result = Rebuild("NONE");

  EXPECT_EQ(Master("NONE"), ExpectedHeader(0, "", 0));
  EXPECT_EQ(result.fileCount, 0);
  EXPECT_EQ(result.entryCount, 0u);
  EXPECT_TRUE(events.lines.empty());
}

TEST_F(RebuildTest, TheGivenPathsOwnExtensionIsReplaced) {
  const auto files = RisingTrend(4, "Boiler", 2);
  WriteTrend(folder(), "BOILER", files);

  qmr::RebuildTrend(PathOf("BOILER.xyz"), events);

  EXPECT_EQ(Master("BOILER"), ExpectedMaster("BOILER", files, 4, "Boiler", {1, 0}));
}

// --- Keys and their text order ------------------------------------------------

TEST_F(RebuildTest, EqualKeysKeepFileOrder) {
  const std::vector<SampleFile> files = {MakeSample(2, "P", 500, 1), MakeSample(2, "P", 700, 2),
                                         MakeSample(2, "P", 500, 3), MakeSample(2, "P", 500, 4)};
  WriteTrend(folder(), "P", files);
  Rebuild("P");
  EXPECT_EQ(Master("P"), ExpectedMaster("P", files, 2, "P", {1, 0, 2, 3}));
}

TEST_F(RebuildTest, KeysAreOrderedByTheirText) {
  // 99 > 100 and -5 > -3 as text; currency 0.25 > 0.0007 > 0, 12.5 > 1.
  const std::vector<SampleFile> ints = {MakeSample(5, "K", 100, 1), MakeSample(5, "K", 99, 2),
                                        MakeSample(5, "K", -3, 3), MakeSample(5, "K", -5, 4)};
  WriteTrend(folder(), "INTS", ints);
  Rebuild("INTS");
  EXPECT_EQ(Master("INTS"), ExpectedMaster("INTS", ints, 5, "K", {1, 0, 3, 2}));

  const std::vector<SampleFile> money = {MakeSample(6, "C", 7, 1), MakeSample(6, "C", 2500, 2),
                                         MakeSample(6, "C", 125000, 3), MakeSample(6, "C", 10000, 4),
                                         MakeSample(6, "C", 0, 5)};
  WriteTrend(folder(), "CASH", money);
  Rebuild("CASH");
  EXPECT_EQ(Master("CASH"), ExpectedMaster("CASH", money, 6, "C", {2, 3, 1, 0, 4}));
}

// --- Mixed trends -------------------------------------------------------------

TEST_F(RebuildTest, VersionsOneToThreeShareTheListAndTheLastVersionWins) {
  auto files = RisingTrend(1, "Pump 3", 3);
  files[1].version = 3;
  files[2].version = 2;
  WriteTrend(folder(), "PUMP3", files);

  Rebuild("PUMP3");

  const Bytes master = Master("PUMP3");
  EXPECT_EQ(master, ExpectedMaster("PUMP3", files, 2, "Pump 3", {2, 1, 0}));
  // Each entry keeps its own file's version.
  EXPECT_EQ(I16At(master, kMasterHeaderSize + 154), 2);
  EXPECT_EQ(I16At(master, kMasterHeaderSize + 240 + 154), 3);
  EXPECT_EQ(I16At(master, kMasterHeaderSize + 480 + 154), 1);
}

TEST_F(RebuildTest, TheLastFilesFamilyDecides) {
  auto files = RisingTrend(5, "Mixer", 1);
  files.push_back(RisingTrend(6, "Mixer six", 2)[1]);
  WriteTrend(folder(), "MIXED", files);

  const qmr::TrendMaster result = Rebuild("MIXED");

  EXPECT_EQ(result.version, 6);
  EXPECT_EQ(Master("MIXED"), ExpectedMaster("MIXED", files, 6, "Mixer six", {1, -1}));
}

// --- Nothing but the master changes ----------------------------------------

TEST_F(RebuildTest, DataFilesAreNeverChanged) {
  const auto names = qmr::samples::WriteDemoFolder(folder());
  FolderState expected = Snapshot(folder());

  for (const std::string& name : names) qmr::RebuildTrend(PathOf(name), events);

  // Every data file as before, byte for byte; nothing new but the masters.
  FolderState after = Snapshot(folder());
  for (const std::string& name : names) {
    const std::string master = qmr::StripExtension(name) + ".qmr";
    ASSERT_EQ(after.count(master), 1u) << master;
    expected[master] = after[master];
  }
  EXPECT_EQ(after, expected);
}

}  // namespace
}  // namespace engine_test
