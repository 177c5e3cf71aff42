// qmr rebuild: masters written as the windows write them, one line per
// trend, failures and unrecognised files reported, and the exit statuses.
#include <algorithm>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "CliSupport.h"
#include "tools/FileTools.h"
#include "trends/Rebuild.h"

#ifndef _WIN32
#include "tools/FolderHandle.h"
#endif

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

#ifndef _WIN32
// Each trend opens its folder by path once, however many trends and
// threads: its listing (the first trend of a folder makes it), its data
// files, the master it would replace and the new master all go through
// that one descriptor.
TEST_F(RebuildCommand, EachTrendOpensItsFolderByPathOnce) {
  std::filesystem::create_directories(Path("east"));
  Trend("TANK1", RisingTrend(6, "Tank 1", 3));
  Trend("PUMP", RisingTrend(6, "Pump", 2));
  Trend("east/FLOW", RisingTrend(6, "Flow", 2));
  const std::vector<std::string> trends{Path("TANK1.000"), Path("PUMP.000"), Path("east/FLOW.000")};
  std::vector<std::string> rebuild{"rebuild", "-q"};
  rebuild.insert(rebuild.end(), trends.begin(), trends.end());
  // Masters in place, so that each trend reads the one it replaces.
  ASSERT_EQ(Qmr(rebuild).status, 0);

  std::vector<std::string> opened;
  std::mutex mutex;  // the workers call it
  struct Unhook {
    qmr::FolderOpenHook previous;
    ~Unhook() { qmr::SetFolderOpenHook(previous); }
  } unhook{qmr::SetFolderOpenHook([&](const std::string& path) {
    const std::lock_guard<std::mutex> lock(mutex);
    opened.push_back(path);
  })};
  std::vector<std::string> once{Folder(), Folder(), Path("east")};
  std::sort(once.begin(), once.end());
  for (const char* command : {"rebuild", "check"}) {
    for (const char* jobs : {"1", "2"}) {
      opened.clear();
      std::vector<std::string> args{command, "-q", "-j", jobs};
      args.insert(args.end(), trends.begin(), trends.end());
      const Outcome run = Qmr(args);
      EXPECT_EQ(run.status, 0) << run.err;
      std::sort(opened.begin(), opened.end());
      EXPECT_EQ(opened, once) << command << " -j " << jobs;
    }
  }
}
#endif

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

  EXPECT_EQ(run.status, 3) << run.err;  // LOG's last file is no trend data file
  EXPECT_EQ(Snapshot(Folder()), before);
  EXPECT_EQ(run.out,
            Path("TANK1.qmr") + ": version 4, 2 data files, 2 entries would be written (1040 bytes, dry run)\n" +
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

// A mistyped name, a pattern the shell matched nothing for, a folder, a
// moved first file: nothing is written over the good master, and the next
// trend is rebuilt all the same.
TEST_F(RebuildCommand, AnOperandWithoutItsFirstDataFileIsRefused) {
  Trend("GOOD", RisingTrend(1, "Good", 1));
  Trend("MOVED", RisingTrend(6, "Moved", 3));
  WriteBytes(Path("MOVED.qmr"), Bytes(176 + 3 * 448, 0x33));
  std::filesystem::remove(Path("MOVED.000"));
  const auto before = Snapshot(Folder());

  // A pattern that matched nothing reaches the tool as it was typed (the
  // Windows build expands patterns itself).
  const std::string nothingMatched = Path("*.007");
  const Outcome run =
      Qmr({"rebuild", Path("TYPO.000"), nothingMatched, Folder() + "/", Path("MOVED.000"), Path("GOOD.000")});

  EXPECT_EQ(run.status, 1);
#ifdef _WIN32
  EXPECT_TRUE(Contains(run.err, "not rebuilt: no file matches " + nothingMatched + "\n")) << run.err;
#else
  EXPECT_TRUE(Contains(run.err, "not rebuilt: no trend *: no data file " + Path("*.000") + "\n")) << run.err;
#endif
  for (const char* refused : {"TYPO", "MOVED"}) {
    EXPECT_TRUE(Contains(run.err, std::string(": not rebuilt: no trend ") + refused + ": no data file " +
                                      Path(std::string(refused) + ".000") + "\n"))
        << run.err;
  }
  EXPECT_TRUE(Contains(run.err, Folder() + "/' is a folder")) << run.err;
  EXPECT_EQ(run.out, Path("GOOD.qmr") + ": version 1, 1 data file, 1 entry written (416 bytes)\n");
  auto after = Snapshot(Folder());
  after.erase("GOOD.qmr");
  EXPECT_EQ(after, before);
}

// A data file cut to nothing by a crash, last of its trend: the master the
// runtime's rule composes has no entries; it does not replace one that has
// them unless asked to.
TEST_F(RebuildCommand, AMasterWithEntriesIsNotReplacedByOneWithoutUnlessForced) {
  auto files = RisingTrend(6, "Tank", 4);
  Trend("TANK", files);
  ASSERT_EQ(Qmr({"rebuild", Path("TANK.000")}).status, 0);
  const Bytes good = ReadWholeFile(Path("TANK.qmr"));
  WriteBytes(Path("TANK.003"), {});

  Outcome run = Qmr({"rebuild", Path("TANK.000")});

  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(ReadWholeFile(Path("TANK.qmr")), good);
  EXPECT_TRUE(Contains(run.err, "last data file " + Path("TANK.003") + " is not a trend data file")) << run.err;
  EXPECT_TRUE(Contains(run.err, "which has 4 entries. Move " + Path("TANK.003") + " aside")) << run.err;
  EXPECT_EQ(run.out, "");

  run = Qmr({"rebuild", "--force", Path("TANK.000")});
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_EQ(ReadWholeFile(Path("TANK.qmr")).size(), 176u);
}

TEST_F(RebuildCommand, AHeaderOnlyMasterHoldsNoEntriesToLose) {
  auto files = RisingTrend(6, "Tank", 4);
  Trend("TANK", files);
  WriteBytes(Path("TANK.003"), {});
  ASSERT_EQ(Qmr({"rebuild", "--force", Path("TANK.000")}).status, 3);
  ASSERT_EQ(ReadWholeFile(Path("TANK.qmr")).size(), 176u);

  // Its header alone: nothing is lost when it is rebuilt again as it was...
  Outcome run = Qmr({"rebuild", Path("TANK.000")});
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_FALSE(Contains(run.err, "--force")) << run.err;

  // ...or when its data files are whole again.
  Trend("TANK", files);
  run = Qmr({"rebuild", Path("TANK.000")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(ReadWholeFile(Path("TANK.qmr")).size(), 176u + 4 * 448u);
}

// A last file cut short of another family leaves every entry of the new
// master all bytes 0: no fewer entries, but fewer real ones.
TEST_F(RebuildCommand, AShortLastFileOfAnotherFamilyDoesNotEmptyAGoodMaster) {
  Trend("TANK", RisingTrend(6, "Tank", 3));
  ASSERT_EQ(Qmr({"rebuild", Path("TANK.000")}).status, 0);
  const Bytes good = ReadWholeFile(Path("TANK.qmr"));
  Bytes cut(140, 0);
  cut[138] = 4;  // version 4, and nothing of its header after the version word
  WriteBytes(Path("TANK.003"), cut);

  Outcome run = Qmr({"rebuild", Path("TANK.000")});

  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(ReadWholeFile(Path("TANK.qmr")), good);
  EXPECT_TRUE(Contains(run.err, "would have no real entries, fewer than the 3 of " + Path("TANK.qmr"))) << run.err;
  EXPECT_TRUE(Contains(run.err, "the last data file " + Path("TANK.003") + " is cut short")) << run.err;

  run = Qmr({"rebuild", "--force", Path("TANK.000")});
  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_EQ(ReadWholeFile(Path("TANK.qmr")).size(), 176u + 4 * 432u);
}

#ifndef _WIN32
// The engine refuses a master no one may write; qmr says what to do.
TEST_F(RebuildCommand, AReadOnlyMasterIsRefusedWithWhatToDo) {
  Trend("TANK", RisingTrend(6, "Tank", 2));
  WriteBytes(Path("TANK.qmr"), Bytes(300, 0x5A));
  std::filesystem::permissions(Path("TANK.qmr"), std::filesystem::perms::owner_read);

  const Outcome run = Qmr({"rebuild", Path("TANK.000")});

  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(
      run.err, "Permission denied: '" + Path("TANK.qmr") + "' is read-only; make it writable to replace it (error 70)"))
      << run.err;
  EXPECT_EQ(ReadWholeFile(Path("TANK.qmr")), Bytes(300, 0x5A));
}
#endif

#ifdef _WIN32
// A hidden master is not a data file to look for, but its entries are still
// there to lose.
TEST_F(RebuildCommand, AHiddenMasterWithEntriesIsNotReplacedByOneWithout) {
  Trend("TANK", RisingTrend(6, "Tank", 4));
  ASSERT_EQ(Qmr({"rebuild", Path("TANK.000")}).status, 0);
  const Bytes good = ReadWholeFile(Path("TANK.qmr"));
  ASSERT_TRUE(SetFileAttributesA(Path("TANK.qmr").c_str(), FILE_ATTRIBUTE_HIDDEN));
  WriteBytes(Path("TANK.003"), {});

  EXPECT_EQ(Qmr({"rebuild", Path("TANK.000")}).status, 1);
  EXPECT_EQ(ReadWholeFile(Path("TANK.qmr")), good);
}
#endif

TEST_F(RebuildCommand, WarningsNameTheFileAndWhyAndExitWithThree) {
  auto gapped = RisingTrend(5, "Gap", 4);
  Trend("MIX", {MakeSample(4, "Mix", 30000), MakeSample(9, "", 0), MakeSample(4, "Mix", 10000)});
  Trend("GAP", gapped);
  std::filesystem::remove(Path("GAP.001"));

  const Outcome run = Qmr({"rebuild", Path("MIX.000"), Path("GAP.000")});

  EXPECT_EQ(run.status, 3) << run.err;
  EXPECT_EQ(run.err, "qmr: " + Path("MIX.001") + ": warning: not a trend data file: unknown version 9\n" + "qmr: " +
                         Path("MIX.qmr") + ": warning: 1 entry is empty (all bytes 0): its data file is not a " +
                         "trend data file of the master's version family\n" + "qmr: " + Path("GAP.002") +
                         ": warning: not read, nor 1 more data file after it: the data file " + Path("GAP.001") +
                         " before it is missing\n");
  EXPECT_EQ(run.out, Path("MIX.qmr") + ": version 4, 3 data files, 3 entries written, 1 of them empty (1472 bytes)\n" +
                         Path("GAP.qmr") + ": version 5, 1 data file, 1 entry written (464 bytes)\n");
}

#ifndef _WIN32
// A name is bytes: none of them may act on the terminal, in words or in
// JSON, and a UTF-8 letter stays readable. Here ESC [2J (clear the screen),
// U+009B and the single byte 0x9B (each a CSI), DEL, and U+00E9.
TEST_F(RebuildCommand, ControlsInANameAreEscapedInWordsAndInJson) {
  const std::string name = "\x1b[2J\xc2\x9b\x9b\x7f\xc3\xa9";

  const Outcome words = Qmr({"rebuild", Path(name + ".000")});
  EXPECT_EQ(words.status, 1);
  EXPECT_TRUE(Contains(words.err, "no data file " + Path("\\x1b[2J\\xc2\\x9b\\x9b\\x7f\xc3\xa9.000") + "\n"))
      << words.err;

  const Outcome json = Qmr({"rebuild", "--json", Path(name + ".000")});
  EXPECT_EQ(json.status, 1);
  // The byte 0x9B alone is no UTF-8: U+FFFD stands for it (and the exact
  // bytes follow in hex).
  EXPECT_TRUE(Contains(json.out, "\\u001b[2J\\u009b\xef\xbf\xbd\\u007f\xc3\xa9.000")) << json.out;
  EXPECT_EQ(json.out.find('\x7f'), std::string::npos);
  EXPECT_EQ(json.out.find("\xc2\x9b"), std::string::npos);

  const Outcome usage = Qmr({"rebuild", "--\x1b[2J"});
  EXPECT_EQ(usage.status, 2);
  EXPECT_EQ(usage.err.find('\x1b'), std::string::npos) << usage.err;
  EXPECT_TRUE(Contains(usage.err, "--\\x1b[2J")) << usage.err;
}
#endif

TEST_F(RebuildCommand, ATrendNamedSeveralWaysIsRebuiltOnceAndPathsAreMadeAbsoluteByText) {
  Trend("T", RisingTrend(6, "Tee", 2));
  std::filesystem::create_directory(Path("sub"));

  const Outcome run = InFolder({"rebuild", "sub/../T.000", "./T.001", ".//T.qmr", "T"});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, Path("T.qmr") + ": version 6, 2 data files, 2 entries written (1072 bytes)\n");
  const Bytes master = ReadWholeFile(Path("T.qmr"));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(master.data()) + 176), Path("T.001"));
}

// Plant tag names hold dots: only a data file number or ".qmr" is taken off.
TEST_F(RebuildCommand, OnlyADataFileNumberOrQmrIsTakenOffAName) {
  Trend("line", RisingTrend(6, "Line", 1));
  Trend("line.2", RisingTrend(6, "Line two", 2));
  Trend("TANK1", RisingTrend(6, "Tank", 1));

  const Outcome dotted = InFolder({"rebuild", "line.2"});
  EXPECT_EQ(dotted.status, 0) << dotted.err;
  EXPECT_EQ(dotted.out, Path("line.2.qmr") + ": version 6, 2 data files, 2 entries written (1072 bytes)\n");
  EXPECT_FALSE(std::filesystem::exists(Path("line.qmr")));

  EXPECT_EQ(InFolder({"rebuild", "line.2.001", "line.2.QMR"}).out, dotted.out);

  for (const char* command : {"rebuild", "check"}) {
    const Outcome other = InFolder({command, "TANK1.bak"});
    EXPECT_EQ(other.status, 1) << command;
    EXPECT_TRUE(Contains(other.err, "no trend TANK1.bak: no data file " + Path("TANK1.bak.000"))) << other.err;
    EXPECT_TRUE(Contains(other.err, "only the endings")) << other.err;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("TANK1.qmr")));

  const Outcome empty = InFolder({"rebuild", ""});
  EXPECT_EQ(empty.status, 1);
  EXPECT_EQ(empty.err,
            "qmr: trend '': not rebuilt: an empty operand names no trend: give a trend's first data "
            "file (NAME.000)\n");
}

// Versions 1 to 3 share one entry layout: a trend whose files changed
// version within it is told the layout's versions, and what to do.
TEST_F(RebuildCommand, APathTooLongForAnEntryNamesItsVersionsAndWhatToDo) {
  const std::string deep = Path(std::string(200, 'd'));
  std::filesystem::create_directory(deep);
  qmr::samples::WriteTrend(deep, "T", {MakeSample(1, "Tee", 1), MakeSample(3, "Tee", 2)});

  const Outcome run = Qmr({"rebuild", deep + "/T.000"});

  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.err, "an entry of versions 1 to 3 holds at most 144")) << run.err;
  EXPECT_TRUE(Contains(run.err, "--record-as")) << run.err;
  EXPECT_TRUE(Contains(run.err, "shorter folder")) << run.err;
}

TEST(Usage, WrongUsageExitsWithTwo) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"frobnicate"},
           {"rebuild"},
           {"rebuild", "--dry-run"},
           {"rebuild", "--frobnicate", "A.000"},
           {"rebuild", "-nx", "A.000"},
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
    EXPECT_TRUE(Contains(run.err, "--help'")) << joined << run.err;
  }
  EXPECT_TRUE(Contains(Qmr({"show", "--data", "--master", "a.qmr"}).err, "--master and --data conflict"));
}

TEST(Usage, ANearMissIsAnsweredWithTheWordMeant) {
  EXPECT_TRUE(Contains(Qmr({"rebuid"}).err, "unknown command 'rebuid'; did you mean 'rebuild'?"));
  EXPECT_TRUE(Contains(Qmr({"--versoin"}).err, "did you mean '--version'?"));
  EXPECT_TRUE(Contains(Qmr({"check", "--strcit", "A.000"}).err, "did you mean '--strict'?"));
  EXPECT_TRUE(Contains(Qmr({"help", "shwo"}).err, "did you mean 'show'?"));
  // Nothing is near enough to suggest, and a suggestion must be one of the
  // command's own options.
  EXPECT_FALSE(Contains(Qmr({"frobnicate"}).err, "did you mean"));
  EXPECT_FALSE(Contains(Qmr({"rebuild", "--strict", "A.000"}).err, "did you mean"));
}

TEST(Usage, VersionAndHelp) {
  for (const char* asked : {"--version", "-V", "version"}) {
    const Outcome version = Qmr({asked});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "QMR Rebuilder version 1.01.000\n") << asked;
  }

  for (const auto& args : std::vector<std::vector<std::string>>{{"--help"}, {"help"}}) {
    const Outcome help = Qmr(args);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.err, "");
    for (const char* part : {"Usage: qmr rebuild [OPTION...] NAME.000...", "or:  qmr check [OPTION...] NAME.000...",
                             "qmr show", "--version", "help [COMMAND]", "Exit status", "3  done, with warnings"}) {
      EXPECT_TRUE(Contains(help.out, part)) << part;
    }
  }
}

TEST(Usage, EachCommandHasItsOwnHelp) {
  const std::map<std::string, std::pair<const char*, const char*>> ownAndOther{
      {"rebuild", {"--dry-run", "--strict"}},
      {"check", {"--strict", "--cross-devices"}},
      {"scan", {"--cross-devices", "--master"}},
      {"show", {"--master", "--jobs"}}};
  for (const auto& [command, options] : ownAndOther) {
    const Outcome help = Qmr({"help", command});
    EXPECT_EQ(help.status, 0) << command;
    EXPECT_TRUE(help.out.starts_with("Usage: qmr " + command + " ")) << help.out;
    EXPECT_TRUE(Contains(help.out, options.first)) << command;
    EXPECT_FALSE(Contains(help.out, options.second)) << command;
    EXPECT_TRUE(Contains(help.out, "Exit status:")) << command;
    EXPECT_EQ(Qmr({command, "--help"}).out, help.out) << command;
    EXPECT_EQ(Qmr({command, "-h", "x"}).out, help.out) << command;
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
