// The rules a front end may turn on: the outcome of a rebuild as data, and a
// master that holds real entries never replaced by one with fewer.
#include "Harness.h"
#include "tools/FileReading.h"

namespace engine_test {
namespace {

using qmr::Refusal;
using qmr::TrendOutcome;
using qmr::TrendPath;

// The version word of data files and masters alike.
constexpr std::size_t kVersionAt = 138;

// A data file of `version` cut short after its version word.
Bytes CutAfterVersion(unsigned char version) {
  Bytes bytes(kVersionAt + 2, 0);
  bytes[kVersionAt] = version;
  return bytes;
}

class WorseMaster : public EngineTest {
 protected:
  TrendOutcome RebuildWith(const std::string& trend, const qmr::RebuildOptions& options) {
    return qmr::RebuildTrend(TrendPath::OfFile(DataPath(trend, 0)), events, options);
  }
  static qmr::RebuildOptions Careful() {
    qmr::RebuildOptions options;
    options.refuseWithoutDataFiles = true;
    options.refuseWorseMaster = true;
    return options;
  }
};

// A last file cut short of another family decides the master's family, so
// every entry of the new master is all bytes 0.
TEST_F(WorseMaster, EntriesEmptiedByAShortLastFileOfAnotherFamilyAreRefused) {
  WriteTrend(folder(), "TANK", RisingTrend(6, "Tank", 3));
  ASSERT_EQ(Rebuild("TANK").entryCount, 3u);
  const Bytes good = Master("TANK");
  WriteBytes(DataPath("TANK", 3), CutAfterVersion(4));

  const TrendOutcome outcome = RebuildWith("TANK", Careful());

  EXPECT_EQ(outcome.kind, TrendOutcome::Kind::Refused);
  ASSERT_TRUE(outcome.refusal);
  EXPECT_EQ(outcome.refusal->reason, Refusal::Reason::WorseMaster);
  EXPECT_EQ(outcome.refusal->blame, Refusal::Blame::LastFileGaveNone);
  EXPECT_EQ(outcome.refusal->file, DataPath("TANK", 3));
  EXPECT_EQ(outcome.refusal->newEntries, 0u);
  EXPECT_EQ(outcome.refusal->oldEntries, 3u);
  EXPECT_EQ(outcome.entryCount, 4u);  // four slots, none of them real
  EXPECT_EQ(Master("TANK"), good);

  // The windows keep the runtime's rule: the master is replaced.
  EXPECT_EQ(RebuildWith("TANK", {}).kind, TrendOutcome::Kind::Rebuilt);
  EXPECT_EQ(Master("TANK").size(), kMasterHeaderSize + 4 * 432u);
}

TEST_F(WorseMaster, AGapBlamesTheFirstMissingFile) {
  WriteTrend(folder(), "T", RisingTrend(5, "Tee", 4));
  Rebuild("T");
  fs::remove(DataPath("T", 2));

  const TrendOutcome outcome = RebuildWith("T", Careful());

  ASSERT_EQ(outcome.kind, TrendOutcome::Kind::Refused);
  EXPECT_EQ(outcome.refusal->blame, Refusal::Blame::FileMissing);
  EXPECT_EQ(outcome.refusal->file, DataPath("T", 2));
  EXPECT_EQ(outcome.refusal->newEntries, 2u);
  EXPECT_EQ(outcome.refusal->oldEntries, 4u);
}

TEST_F(WorseMaster, AFileInTheMiddleThatGivesNoEntryIsBlamed) {
  WriteTrend(folder(), "T", RisingTrend(5, "Tee", 4));
  Rebuild("T");
  WriteBytes(DataPath("T", 1), CutAfterVersion(9));

  const TrendOutcome outcome = RebuildWith("T", Careful());

  ASSERT_EQ(outcome.kind, TrendOutcome::Kind::Refused);
  EXPECT_EQ(outcome.refusal->blame, Refusal::Blame::FileGaveNone);
  EXPECT_EQ(outcome.refusal->file, DataPath("T", 1));
  EXPECT_EQ(outcome.refusal->newEntries, 3u);
}

// Neither a header alone nor all-zero entries are anything to lose.
TEST_F(WorseMaster, AnOldMasterWithoutRealEntriesIsReplaced) {
  WriteTrend(folder(), "T", RisingTrend(6, "Tee", 2));
  WriteBytes(DataPath("T", 2), {0, 0});  // no trend data file: the new master is its header alone
  Bytes headerOnly(kMasterHeaderSize, 0);
  headerOnly[kVersionAt] = 6;  // a version whose entries would have a size
  WriteBytes(PathOf("T.qmr"), headerOnly);
  EXPECT_EQ(RebuildWith("T", Careful()).kind, TrendOutcome::Kind::Rebuilt);
  EXPECT_EQ(Master("T").size(), kMasterHeaderSize);

  Bytes zeroEntries(kMasterHeaderSize + 2 * 448, 0);
  zeroEntries[kVersionAt] = 6;
  WriteBytes(PathOf("T.qmr"), zeroEntries);
  EXPECT_EQ(RebuildWith("T", Careful()).kind, TrendOutcome::Kind::Rebuilt);
}

// The old master is opened once, whether its header and size settle the
// question or its entries must be counted.
TEST_F(WorseMaster, TheOldMasterIsOpenedOnce) {
  WriteTrend(folder(), "T", RisingTrend(5, "Tee", 4));
  Rebuild("T");
  int opens = 0;
  const auto previous = qmr::SetMasterOpenHook([&](const std::string& path) { opens += path == PathOf("T.qmr"); });
  qmr::RebuildOptions dry = Careful();
  dry.dryRun = true;

  EXPECT_EQ(RebuildWith("T", dry).kind, TrendOutcome::Kind::WouldRebuild);  // as many entries: the size tells
  EXPECT_EQ(opens, 1);
  fs::remove(DataPath("T", 3));
  opens = 0;
  const TrendOutcome fewer = RebuildWith("T", dry);  // fewer entries: they are counted
  EXPECT_EQ(opens, 1);
  ASSERT_EQ(fewer.kind, TrendOutcome::Kind::Refused);
  EXPECT_EQ(fewer.refusal->oldEntries, 4u);
  qmr::SetMasterOpenHook(previous);
}

TEST_F(WorseMaster, ADryRunWritesNothingAndAMissingFirstFileIsRefused) {
  WriteTrend(folder(), "T", RisingTrend(6, "Tee", 2));
  qmr::RebuildOptions dry = Careful();
  dry.dryRun = true;
  const TrendOutcome would = RebuildWith("T", dry);
  EXPECT_EQ(would.kind, TrendOutcome::Kind::WouldRebuild);
  EXPECT_EQ(would.RealEntries(), 2u);
  EXPECT_FALSE(fs::exists(PathOf("T.qmr")));

  const TrendOutcome none = RebuildWith("GONE", Careful());
  ASSERT_EQ(none.kind, TrendOutcome::Kind::Refused);
  EXPECT_EQ(none.refusal->reason, Refusal::Reason::NoDataFile);
  EXPECT_EQ(none.refusal->file, DataPath("GONE", 0));
  EXPECT_FALSE(fs::exists(PathOf("GONE.qmr")));
}

}  // namespace
}  // namespace engine_test
