// qmr scan over a tree of trends, and masters rebuilt away from the plant
// (--record-as).
#include <chrono>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "CliSupport.h"
#include "cli/ProgressLine.h"
#include "tools/FolderHandle.h"
#include "trends/Banner.h"

namespace cli_test {
namespace {

using qmr::samples::RisingTrend;

#ifndef _WIN32
// The tree is named with "/" as the walk names it on this platform.
class ScanCommand : public CliTest {
 protected:
  // Two folders of trends, each damage of the kind a plant shows once.
  void MakeTree() {
    std::filesystem::create_directories(Path("plant/north"));
    std::filesystem::create_directories(Path("plant/south/old"));
    for (const char* trend : {"plant/north/OK", "plant/north/MISSING", "plant/south/DIFFERS", "plant/south/CUT",
                              "plant/south/GAP", "plant/south/old/LEFTOVER"}) {
      qmr::samples::WriteTrend(Folder(), trend, RisingTrend(6, "Trend", 3));
    }
    ASSERT_EQ(Qmr({"rebuild", Path("plant/north/OK.000"), Path("plant/south/DIFFERS.000"), Path("plant/south/CUT.000"),
                   Path("plant/south/GAP.000"), Path("plant/south/old/LEFTOVER.000")})
                  .status,
              0);
    Bytes differs = ReadWholeFile(Path("plant/south/DIFFERS.qmr"));
    differs[148] = 9;  // file_count
    WriteBytes(Path("plant/south/DIFFERS.qmr"), differs);
    WriteBytes(Path("plant/south/CUT.002"), {});                                        // the last file cut to nothing
    std::filesystem::rename(Path("plant/south/GAP.001"), Path("plant/south/GAP.003"));  // GAP.001 missing
    WriteBytes(Path("plant/south/GAP.001.bak"), {});
    std::filesystem::remove(Path("plant/south/GAP.003"));
    qmr::samples::WriteTrend(Folder(), "plant/south/GAP", {RisingTrend(6, "Trend", 3)[0]});
    WriteBytes(Path("plant/south/GAP.002"), qmr::samples::MakeDataFile(RisingTrend(6, "Trend", 3)[2]));
    WriteBytes(Path("plant/south/old/~qmr-999999999-0-LEFTOVER.tmp"), {});
  }

  std::string Line(const std::string& master, const std::string& state, const std::string& counts) const {
    return Path(master) + ": " + state + "; " + counts + "\n";
  }
};

TEST_F(ScanCommand, NamesEachDamageRepairsWhatItMayAndGivesTheSameOutputForAnyJobs) {
  MakeTree();
  const std::string summed = "3 data files, version 6, 3 entries (0 empty), 0 not trend data, 0 beyond a gap";

  const Outcome one = Qmr({"scan", "-j", "1", Path("plant")});
  const Outcome four = Qmr({"scan", "-j4", Path("plant")});

  EXPECT_EQ(one.status, 1);
  // Trends in path order, each folder's own before its subfolders'.
  const std::string expected = Line("plant/north/MISSING.qmr", "missing", summed) +
                               Line("plant/north/OK.qmr", "ok", summed) +
                               Line("plant/south/CUT.qmr", "differs at field banner, no entries",
                                    "3 data files, version 0, 0 entries (0 empty), 1 not trend data, 0 beyond a gap") +
                               Line("plant/south/DIFFERS.qmr", "differs at field file_count", summed) +
                               Line("plant/south/GAP.qmr", "differs at field file_count",
                                    "1 data file, version 6, 1 entry (0 empty), 0 not trend data, 1 beyond a gap") +
                               Line("plant/south/old/LEFTOVER.qmr", "ok, stale temporary file", summed);
  EXPECT_EQ(one.out.substr(0, one.out.rfind("scan: ")), expected);
  EXPECT_TRUE(Contains(one.out, "scan: 6 trends: 2 ok, 1 missing, 3 differ; 3 with warnings; 16 data files read in "))
      << one.out;
  EXPECT_EQ(four.out.substr(0, four.out.rfind("scan: ")), expected);
  EXPECT_EQ(four.err, one.err);

  // The rebuild repairs the missing and differing masters, but not those
  // that would lose entries, to the cut file or to the gap; the leftover goes.
  const Bytes cut = ReadWholeFile(Path("plant/south/CUT.qmr"));
  const Bytes gap = ReadWholeFile(Path("plant/south/GAP.qmr"));
  const Outcome repair = Qmr({"scan", "--rebuild", "-j", "4", Path("plant")});
  EXPECT_EQ(repair.status, 1);
  EXPECT_TRUE(Contains(repair.out, Path("plant/north/MISSING.qmr") + ": rebuilt (was missing)")) << repair.out;
  EXPECT_TRUE(Contains(repair.out, Path("plant/south/DIFFERS.qmr") + ": rebuilt (differed)")) << repair.out;
  EXPECT_TRUE(Contains(repair.out, Path("plant/south/GAP.qmr") + ": differs at field file_count, not rebuilt: "))
      << repair.out;
  EXPECT_TRUE(Contains(repair.out, Path("plant/south/CUT.qmr") + ": differs at field banner, not rebuilt: "))
      << repair.out;
  EXPECT_TRUE(Contains(repair.out, Path("plant/south/old/LEFTOVER.qmr") + ": ok, stale temporary file removed;"))
      << repair.out;
  EXPECT_EQ(ReadWholeFile(Path("plant/south/CUT.qmr")), cut);
  EXPECT_EQ(ReadWholeFile(Path("plant/south/GAP.qmr")), gap);
  EXPECT_FALSE(std::filesystem::exists(Path("plant/south/old/~qmr-999999999-0-LEFTOVER.tmp")));

  // Once the cut file is moved aside, everything is repaired when the user
  // accepts the entries lost, and stays so.
  std::filesystem::rename(Path("plant/south/CUT.002"), Path("plant/south/CUT.cut"));
  ASSERT_EQ(Qmr({"scan", "--rebuild", Path("plant")}).status, 1);
  ASSERT_EQ(Qmr({"scan", "--rebuild", "--force", Path("plant")}).status, 3);
  const Outcome again = Qmr({"scan", Path("plant")});
  EXPECT_EQ(again.status, 3) << again.out;  // only GAP's file beyond the gap remains to be seen
  EXPECT_TRUE(Contains(again.out, "scan: 6 trends: 6 ok; 1 with warnings;")) << again.out;
}

// A FOLDER given that is missing or no folder is the user's mistake, told
// apart from a plant with warnings by its exit status.
TEST_F(ScanCommand, AFolderGivenThatCannotBeWalkedFailsAndTheWalkGoesOn) {
  qmr::samples::WriteTrend(Folder(), "T", RisingTrend(5, "Tee", 1));
  ASSERT_EQ(Qmr({"rebuild", Path("T.000")}).status, 0);
  const Outcome run = Qmr({"scan", Path("gone"), Path("T.000"), Folder()});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.err, "qmr: " + Path("gone") + ": cannot scan: no such folder\n")) << run.err;
  EXPECT_TRUE(Contains(run.err, "qmr: " + Path("T.000") + ": cannot scan: not a folder\n")) << run.err;
  EXPECT_TRUE(Contains(run.out, Path("T.qmr") + ": ok;")) << run.out;
  EXPECT_TRUE(Contains(run.out, "scan: 1 trend: 1 ok; 2 folders given not scanned;")) << run.out;

  // In JSON the folder takes its place among the trends, whatever -j is.
  const auto withoutSummary = [](const std::string& out) { return out.substr(0, out.rfind("{\"type\":\"summary\"")); };
  const Outcome one = Qmr({"scan", "--json", "-j1", Folder(), Path("gone")});
  const Outcome four = Qmr({"scan", "--json", "-j4", Folder(), Path("gone")});
  EXPECT_LT(one.out.find(Path("T.qmr")), one.out.find("unreadable_folder")) << one.out;
  EXPECT_EQ(withoutSummary(four.out), withoutSummary(one.out));
}

// Overlapping roots do each trend once; a trend that lost its NAME.000 is
// damage of its own, whether its later data files or its master are left.
TEST_F(ScanCommand, OverlappingRootsOnceAndAMissingFirstDataFileIsDamage) {
  std::filesystem::create_directories(Path("tree/f0"));
  Trend("tree/f0/A", RisingTrend(6, "Trend", 2));
  Trend("tree/f0/B", RisingTrend(6, "Trend", 3));
  Trend("tree/C", RisingTrend(6, "Trend", 1));
  ASSERT_EQ(Qmr({"rebuild", Path("tree/f0/A.000"), Path("tree/f0/B.000"), Path("tree/C.000")}).status, 0);
  std::filesystem::remove(Path("tree/f0/B.000"));
  std::filesystem::remove(Path("tree/C.000"));

  const Outcome run = Qmr({"scan", Path("tree"), Path("tree/f0"), Path("tree/f0/")});
  EXPECT_EQ(run.status, 1) << run.out << run.err;
  EXPECT_EQ(run.out.substr(0, run.out.rfind("scan: ")),
            Path("tree/C.qmr") + ": first data file missing: " + Path("tree/C.000") + "\n" + Path("tree/f0/A.qmr") +
                ": ok; 2 data files, version 6, 2 entries (0 empty), 0 not trend data, 0 beyond a gap\n" +
                Path("tree/f0/B.qmr") + ": first data file missing: " + Path("tree/f0/B.000") + "\n")
      << run.out;
  const Outcome json = Qmr({"scan", "--json", Path("tree/f0")});
  EXPECT_TRUE(Contains(json.out, "\"status\":\"first_file_missing\"")) << json.out;
}

// Leftovers of two trends and of no trend by name (its banner names one), in
// a folder whose masters four workers rebuild at once: each is removed and
// told once, with the trend it names or else with the folder's first trend,
// just as one worker tells it, and no trend reports a leftover another
// removed. One named after a trend that is gone is no provable leftover of
// this folder's and stays.
TEST_F(ScanCommand, LeftoversAreToldOnceWhateverTheJobs) {
  for (const std::string copy : {"one", "four"}) {
    std::filesystem::create_directories(Path(copy));
    for (int i = 10; i < 22; ++i)
      qmr::samples::WriteTrend(Folder(), copy + "/T" + std::to_string(i), RisingTrend(6, "Trend", 2));
    const std::string banner = qmr::ComposeBanner(6, "T12", std::tm{});
    WriteBytes(Path(copy + "/~qmr-999999999-0.tmp"), Bytes(banner.begin(), banner.end()));
    for (const char* leftover : {"~qmr-999999999-1-T15.tmp", "~qmr-999999999-2-GONE.tmp", "~qmr-999999999-3-T21.tmp"})
      WriteBytes(Path(copy + "/" + leftover), {});
  }
  const Outcome one = Qmr({"scan", "--rebuild", "-j", "1", Path("one")});
  const Outcome four = Qmr({"scan", "--rebuild", "-j", "4", Path("four")});
  const auto lines = [this](const Outcome& run, const std::string& copy) {
    std::string out = run.out.substr(0, run.out.rfind("scan: "));
    for (std::size_t at = out.find(Path(copy)); at != std::string::npos; at = out.find(Path(copy)))
      out.replace(at, Path(copy).size(), "FOLDER");
    return out;
  };
  EXPECT_EQ(one.status, 0) << one.out << one.err;
  EXPECT_EQ(four.status, 0) << four.out << four.err;
  EXPECT_EQ(lines(four, "four"), lines(one, "one"));
  for (const char* trend : {"T10", "T15", "T21"})
    EXPECT_TRUE(Contains(lines(one, "one"),
                         std::string("FOLDER/") + trend + ".qmr: rebuilt (was missing), stale temporary file removed;"))
        << trend << "\n"
        << one.out;
  EXPECT_TRUE(Contains(lines(one, "one"), "FOLDER/T11.qmr: rebuilt (was missing); ")) << one.out;
  for (const std::string copy : {"one", "four"})
    for (const auto& entry : std::filesystem::directory_iterator(Path(copy)))
      EXPECT_TRUE(!entry.path().filename().string().starts_with("~qmr-") ||
                  entry.path().filename() == "~qmr-999999999-2-GONE.tmp")
          << entry.path();
}

// The walk keeps each folder open for its trends: reading a trend's data
// files and its master opens no folder by path, however many trends and
// threads.
TEST_F(ScanCommand, AFolderIsOpenedByPathOnceForAllItsTrends) {
  std::filesystem::create_directories(Path("plant/north/old"));
  for (int i = 0; i < 8; ++i) {
    qmr::samples::WriteTrend(Folder(), "plant/north/T" + std::to_string(i), RisingTrend(6, "Trend", 2));
    qmr::samples::WriteTrend(Folder(), "plant/north/old/T" + std::to_string(i), RisingTrend(6, "Trend", 2));
  }
  ASSERT_EQ(Qmr({"scan", "--rebuild", Path("plant")}).status, 0);
  std::vector<std::string> opened;
  std::mutex mutex;  // the workers would call it
  const auto previous = qmr::SetFolderOpenHook([&](const std::string& path) {
    const std::lock_guard<std::mutex> lock(mutex);
    opened.push_back(path);
  });
  for (const char* jobs : {"1", "4"}) {
    opened.clear();
    const Outcome run = Qmr({"scan", "-j", jobs, Path("plant")});
    EXPECT_TRUE(Contains(run.out, Path("plant/north/old/T7.qmr") + ": ok")) << run.out;
    EXPECT_EQ(opened, std::vector<std::string>{Path("plant")}) << jobs;
  }
  qmr::SetFolderOpenHook(previous);
}

#endif

class RecordAs : public CliTest {};

// A copy of the plant's files rebuilt on another machine records the paths
// the runtime will open, with "\" whatever the machine, and check agrees.
TEST_F(RecordAs, WritesThePlantsPaths) {
  qmr::samples::WriteTrend(Folder(), "T", RisingTrend(6, "Tee", 2));
  const Outcome run = Qmr({"rebuild", "--record-as", "D:/PLANT/DATA", Path("T.000")});
  ASSERT_EQ(run.status, 0) << run.err;
  const Bytes master = ReadWholeFile(Path("T.qmr"));
  ASSERT_EQ(master.size(), 176u + 2 * 448);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(master.data()) + 176), "D:\\PLANT\\DATA\\T.001");
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(master.data()) + 176 + 448), "D:\\PLANT\\DATA\\T.000");
  EXPECT_EQ(Qmr({"check", "--record-as=D:\\PLANT\\DATA\\", Path("T.000")}).status, 0);
  EXPECT_EQ(Qmr({"check", Path("T.000")}).status, 1);

  // What the format cannot hold is refused before anything is read (on
  // Windows the arguments are in the code page already).
  std::vector<std::string> refusedFolders = {"D:\\" + std::string(300, 'd')};
#ifndef _WIN32
  refusedFolders.push_back("D:\\\xe4\xb8\xad");
#endif
  for (const std::string& folder : refusedFolders) {
    const Outcome refused = Qmr({"rebuild", "--record-as", folder, Path("T.000")});
    EXPECT_EQ(refused.status, 2) << folder;
    EXPECT_TRUE(Contains(refused.err, "--record-as: Bad file name or number: ")) << refused.err;
  }
  EXPECT_EQ(ReadWholeFile(Path("T.qmr")), master);
}

// A long walk that finds no trend still shows where it is, once the line is
// due (a second into the run).
TEST(ProgressLine, AWalkThatFindsNothingYetShowsWhereItIs) {
  std::ostringstream err;
  qmr::cli::ProgressLine progress(err, true);
  progress.Walking("/srv/plant");
  progress.Walking("/srv/plant/north");
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));
  progress.Tick();
  EXPECT_EQ(err.str(), "\rqmr: 0 trends, 0 data files/s, 2 folders, /srv/plant/north");
}

}  // namespace
}  // namespace cli_test
