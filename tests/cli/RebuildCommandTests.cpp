// qmr rebuild: masters written as the windows write them, one line per
// trend, failures and unrecognised files reported, and the exit statuses.
#include <filesystem>
#include <string>

#include "CliSupport.h"
#include "tools/FileTools.h"
#include "trends/Rebuild.h"

namespace cli_test {
namespace {

using qmr::samples::RisingTrend;

class RebuildCommand : public CliTest {};

TEST_F(RebuildCommand, WritesTheMasterAndPrintsOneLinePerTrend) {
  Trend("TANK1", RisingTrend(6, "Tank 1", 3));
  Trend("PUMP", RisingTrend(2, "Pump", 1));

  const Outcome run = Qmr({"rebuild", Path("TANK1.000"), Path("PUMP.000")});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  // 176 + 3 x 448 and 176 + 1 x 240 bytes.
  EXPECT_EQ(run.out, Path("TANK1.qmr") + ": version 6, 3 data files, 3 entries written (1520 bytes)\n" +
                         Path("PUMP.qmr") + ": version 2, 1 data file, 1 entry written (416 bytes)\n");
  const Bytes master = ReadWholeFile(Path("TANK1.qmr"));
  ASSERT_EQ(master.size(), 1520u);
  // The entries are in descending key order: .002 first, with its full path.
  const std::string firstPath(reinterpret_cast<const char*>(master.data()) + 176, Path("TANK1.002").size());
  EXPECT_EQ(firstPath, Path("TANK1.002"));
  EXPECT_EQ(ReadWholeFile(Path("PUMP.qmr")).size(), 416u);
}

TEST_F(RebuildCommand, RelativePathIsMadeAbsoluteBeforeTheRebuild) {
  Trend("TANK1", RisingTrend(5, "Tank 1", 2));
  const Outcome run = InFolder({"rebuild", "TANK1.000"});

  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, Path("TANK1.qmr") + ": version 5, 2 data files")) << run.out;
  const Bytes master = ReadWholeFile(Path("TANK1.qmr"));
  ASSERT_EQ(master.size(), 176u + 2 * 288);
  // Each entry records the data file's absolute path, as the windows would.
  for (std::size_t entry = 0; entry < 2; ++entry) {
    const char* path = reinterpret_cast<const char*>(master.data()) + 176 + entry * 288;
    EXPECT_EQ(std::string(path), Path(entry == 0 ? "TANK1.001" : "TANK1.000"));
  }
}

TEST_F(RebuildCommand, DryRunReadsEverythingAndWritesNothing) {
  Trend("TANK1", RisingTrend(4, "Tank 1", 2));
  Trend("LOG", {MakeSample(4, "Log", 1), MakeSample(9, "", 0)});
  WriteBytes(Path("LOG.qmr"), Bytes{'o', 'l', 'd'});
  const auto before = Snapshot(Folder());

  const Outcome run = Qmr({"rebuild", "--dry-run", Path("TANK1.000"), Path("LOG.000")});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Snapshot(Folder()), before);
  EXPECT_EQ(run.out, Path("TANK1.qmr") + ": version 4, 2 data files, 2 entries would be written (1040 bytes, dry run)\n" +
                         Path("LOG.qmr") + ": version 9, 2 data files, 0 entries would be written (176 bytes, dry run)\n");
  // The unrecognised file is still reported while reading.
  EXPECT_TRUE(Contains(run.err, Path("LOG.001"))) << run.err;
}

TEST_F(RebuildCommand, FailingTrendIsReportedAndTheNextOneStillRebuilt) {
  // 66 characters of name make the banner longer than its 128 bytes.
  Trend("LONG", RisingTrend(6, std::string(66, 'N'), 2));
  Trend("GOOD", RisingTrend(6, "Good", 2));
  WriteBytes(Path("LONG.qmr"), Bytes{'o', 'l', 'd'});

  const Outcome run = Qmr({"rebuild", Path("LONG.000"), Path("GOOD.000")});

  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.err, "trend " + Path("LONG") + ": rebuild failed: ")) << run.err;
  EXPECT_TRUE(Contains(run.err, "(error 5)")) << run.err;
  EXPECT_EQ(ReadWholeFile(Path("LONG.qmr")), (Bytes{'o', 'l', 'd'}));
  EXPECT_EQ(run.out, Path("GOOD.qmr") + ": version 6, 2 data files, 2 entries written (1072 bytes)\n");
  EXPECT_EQ(ReadWholeFile(Path("GOOD.qmr")).size(), 1072u);
}

TEST_F(RebuildCommand, TrendWithoutDataFilesGetsTheHeaderAlone) {
  const Outcome run = Qmr({"rebuild", Path("NONE.000")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, Path("NONE.qmr") + ": version 0, 0 data files, 0 entries written (176 bytes)\n");
  EXPECT_EQ(ReadWholeFile(Path("NONE.qmr")).size(), 176u);
}

TEST_F(RebuildCommand, MasterThatCannotBeWrittenFailsWithItsErrorNumber) {
  Trend("GOOD", RisingTrend(1, "Good", 1));
  const std::string lost = qmr::JoinPath(Path("nowhere"), "T");

  const Outcome run = Qmr({"rebuild", lost + ".000", Path("GOOD.000")});

  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.err, "trend " + lost + ": rebuild failed: ")) << run.err;
  EXPECT_TRUE(Contains(run.err, "(error ")) << run.err;
  EXPECT_FALSE(std::filesystem::exists(Path("nowhere")));
  EXPECT_EQ(run.out, Path("GOOD.qmr") + ": version 1, 1 data file, 1 entry written (416 bytes)\n");
}

TEST_F(RebuildCommand, UnrecognisedFileIsReportedWithItsPath) {
  Trend("MIX", {MakeSample(4, "Mix", 30000), MakeSample(9, "", 0), MakeSample(4, "Mix", 10000)});

  const Outcome run = Qmr({"rebuild", Path("MIX.000")});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "qmr: " + Path("MIX.001") + ": error: This is not a valid trend file. It may be a log file or an unsupported format.\n");
  EXPECT_EQ(run.out, Path("MIX.qmr") + ": version 4, 3 data files, 3 entries written (1472 bytes)\n");
}

TEST(Usage, WrongUsageExitsWithTwo) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"frobnicate"},
           {"rebuild"},
           {"rebuild", "--dry-run"},
           {"rebuild", "--force", "A.000"},
           {"check"},
           {"check", "--dry-run", "A.000"},
           {"show"},
           {"show", "a.qmr", "b.qmr"},
           {"show", "--master", "--data", "a.qmr"},
           {"show", "--verbose", "a.qmr"},
       }) {
    const Outcome run = Qmr(args);
    std::string joined;
    for (const auto& arg : args) joined += arg + " ";
    EXPECT_EQ(run.status, 2) << joined;
    EXPECT_EQ(run.out, "") << joined;
    EXPECT_TRUE(Contains(run.err, "qmr --help")) << joined << run.err;
  }
}

TEST(Usage, VersionAndHelp) {
  const Outcome version = Qmr({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "QMR Rebuilder version 1.01.000\n");

  for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"rebuild", "--help"}}) {
    const Outcome help = Qmr(args);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    for (const char* part : {"qmr rebuild [--dry-run] PATH...", "qmr check PATH...", "qmr show",
                             "--version", "Exit status"}) {
      EXPECT_TRUE(Contains(help.out, part)) << part;
    }
  }
}

TEST_F(RebuildCommand, PathsAfterDoubleDashAreNotOptions) {
  Trend("-T", RisingTrend(3, "Dash", 1));
  const Outcome run = InFolder({"rebuild", "--", "-T.000"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadWholeFile(Path("-T.qmr")).size(), 176u + 240);
}

}  // namespace
}  // namespace cli_test
