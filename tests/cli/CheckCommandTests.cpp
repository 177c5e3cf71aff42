// qmr check: ok right after a rebuild, "differs" naming the field for any
// changed byte outside the banner's date, "missing", and nothing written.
#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "CliSupport.h"
#include "cli/TrendOutput.h"
#include "trends/MasterCheck.h"

namespace cli_test {
namespace {

using qmr::samples::MakeSample;
using qmr::samples::RisingTrend;

// The master header and the family 1-3 entry as the format tables give them:
// (offset, field name), each field running up to the next offset.
const std::vector<std::pair<std::size_t, std::string>> kHeaderTable = {
    {0, "banner"},          {128, "maker_text"},    {136, "master_int_1"}, {138, "version"},
    {140, "master_text_1"}, {144, "master_long_1"}, {148, "file_count"},   {150, "file_count_2"},
    {152, "master_int_2"},  {154, "master_int_3"},  {156, "master_text_2"}};
const std::vector<std::pair<std::size_t, std::string>> kEntryV1to3Table = {
    {0, "file_path"},       {144, "maker_text"},   {152, "header_int_1"},  {154, "version"},
    {156, "header_long_1"}, {160, "trend_name"},   {192, "header_long_3"}, {196, "header_int_2"},
    {198, "header_int_3"},  {200, "header_int_4"}, {202, "header_long_4"}, {206, "header_text_4"},
    {214, "header_long_5"}, {218, "order_key"},    {222, "trailer_bytes"}, {238, "tail_text"}};

std::string FieldOf(const std::vector<std::pair<std::size_t, std::string>>& table, std::size_t offset) {
  std::string name;
  for (const auto& [start, field] : table) {
    if (offset >= start) name = field;
  }
  return name;
}

std::size_t StartOf(const std::vector<std::pair<std::size_t, std::string>>& table, std::size_t offset) {
  std::size_t found = 0;
  for (const auto& [start, field] : table) {
    if (offset >= start) found = start;
  }
  return found;
}

class CheckCommand : public CliTest {};

Bytes Master(const std::string& banner) {
  Bytes bytes(176, 0);
  std::copy(banner.begin(), banner.end(), bytes.begin());
  return bytes;
}

TEST(BannerDate, IsFoundAfterTheNameLineAndOnlyInABanner) {
  const std::string date = "Tue Mar 06 09:05:03 2007";
  const std::string tail = "\n\r\n\x1a";
  const auto tank = qmr::BannerDateRange(Master("QUORAX\r\nVERSION 6\r\nTREND MASTER\r\nTANK1\r\n" + date + tail));
  ASSERT_TRUE(tank.has_value());
  EXPECT_EQ(tank->offset, 40u);
  EXPECT_EQ(tank->length, 24u);
  // An empty name, a negative version and a name of 65 characters (no padding left).
  EXPECT_EQ(qmr::BannerDateRange(Master("QUORAX\r\nVERSION -2\r\nTREND MASTER\r\n\r\n" + date + tail))->offset, 36u);
  const auto full = qmr::BannerDateRange(
      Master("QUORAX\r\nVERSION 6\r\nTREND MASTER\r\n" + std::string(65, 'n') + "\r\n" + date + tail));
  ASSERT_TRUE(full.has_value());
  EXPECT_EQ(full->offset, 100u);
  // Not a banner: nothing is taken for a date, so nothing is ignored.
  EXPECT_FALSE(qmr::BannerDateRange(Master("QUORAX\r\nVERSION 6\r\nTANK1\r\n" + date + tail)));
  EXPECT_FALSE(qmr::BannerDateRange(Master("QUORAX\r\nVERSION 6\r\nTREND MASTER\r\nTANK1\r\n" + date)));
  EXPECT_FALSE(qmr::BannerDateRange(Bytes(176, 0)));
  EXPECT_FALSE(qmr::BannerDateRange(Bytes(100, 'Q')));
}

TEST_F(CheckCommand, EveryDemoTrendIsOkRightAfterItsRebuild) {
  std::vector<std::string> args = {"rebuild"};
  for (const std::string& name : qmr::samples::WriteDemoFolder(Folder())) args.push_back(Path(name));
  ASSERT_EQ(Qmr(args).status, 3);  // the demo holds damaged trends

  // Checked at another time of day: only the date in the banner differs.
  clock_.Set(MakeTime(2031, 12, 24, 23, 59, 58, 3));
  args[0] = "check";
  const auto before = Snapshot(Folder());
  const Outcome run = Qmr(args);

  EXPECT_EQ(run.status, 3) << run.out << run.err;
  EXPECT_EQ(Qmr({"check", "--strict", Path("TANK1.000")}).status, 0);
  EXPECT_EQ(Qmr({"check", "--strict", Path("DAMAGED.000")}).status, 1);
  std::size_t lines = 0;
  for (std::size_t at = run.out.find('\n'); at != std::string::npos; at = run.out.find('\n', at + 1)) ++lines;
  EXPECT_EQ(lines, args.size() - 1);
  EXPECT_FALSE(Contains(run.out, "differs")) << run.out;
  EXPECT_FALSE(Contains(run.out, "missing")) << run.out;
  EXPECT_TRUE(Contains(run.out, Path("TANK1.qmr") + ": ok\n")) << run.out;
  EXPECT_EQ(Snapshot(Folder()), before);
}

// Every byte of a small master changed in turn: each change outside the
// date is found and named by its field; changes of the date are not.
TEST_F(CheckCommand, EveryChangedByteOutsideTheDateIsFoundAndNamed) {
  // A name holding a line break of its own must not misplace the date; the
  // unrecognised first file leaves an all-zero entry.
  const std::string name = "T\r\nX";
  Trend("T", {MakeSample(9, "", 0), MakeSample(2, name, 200, 5), MakeSample(3, name, 100, 6)});
  ASSERT_EQ(Qmr({"rebuild", Path("T.000")}).status, 3);
  const Bytes master = ReadWholeFile(Path("T.qmr"));
  ASSERT_EQ(master.size(), 176u + 3 * 240);

  const std::size_t dateAt = std::string("QUORAX\r\nVERSION 3\r\nTREND MASTER\r\n").size() + name.size() + 2;
  ASSERT_EQ(std::string(master.begin() + dateAt, master.begin() + dateAt + 24), "Tue Mar 06 09:05:03 2007");
  clock_.Set(MakeTime(2010, 1, 1, 0, 0, 0, 5));  // the check composes another date

  for (std::size_t at = 0; at < master.size(); ++at) {
    Bytes changed = master;
    changed[at] ^= 0x41;
    WriteBytes(Path("T.qmr"), changed);
    const Outcome run = Qmr({"check", Path("T.000")});
    if (at >= dateAt && at < dateAt + 24) {
      ASSERT_EQ(run.status, 3) << "byte " << at << ": " << run.out;
      ASSERT_EQ(run.out, Path("T.qmr") + ": ok\n");
      continue;
    }
    const std::string field = at < 176 ? "field " + FieldOf(kHeaderTable, at)
                                       : "entry " + std::to_string((at - 176) / 240) + " field " +
                                             FieldOf(kEntryV1to3Table, (at - 176) % 240);
    // One line, naming the field and where it starts, with both values.
    const std::size_t start = at < 176 ? StartOf(kHeaderTable, at)
                                       : 176 + (at - 176) / 240 * 240 + StartOf(kEntryV1to3Table, (at - 176) % 240);
    const std::string head = Path("T.qmr") + ": differs: " + field + " (byte " + std::to_string(start) + "): expected ";
    ASSERT_EQ(run.status, 1) << "byte " << at;
    ASSERT_EQ(run.out.substr(0, head.size()), head) << run.out;
    ASSERT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    ASSERT_TRUE(Contains(run.out, ", found ")) << run.out;
  }
}

TEST_F(CheckCommand, LengthDifferencesAreReported) {
  Trend("T", RisingTrend(5, "Tee", 2));
  ASSERT_EQ(Qmr({"rebuild", Path("T.000")}).status, 0);
  const Bytes master = ReadWholeFile(Path("T.qmr"));
  ASSERT_EQ(master.size(), 752u);

  Bytes longer = master;
  longer.push_back(0);
  WriteBytes(Path("T.qmr"), longer);
  Outcome run = Qmr({"check", Path("T.000")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, Path("T.qmr") + ": differs: length 753 bytes, expected 752\n");

  WriteBytes(Path("T.qmr"), Bytes(master.begin(), master.begin() + 700));
  run = Qmr({"check", Path("T.000")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, Path("T.qmr") + ": differs: length 700 bytes, expected 752\n");
}

// However the master compares, it is opened once and read in one pass; a
// difference in the banner shows the file's own date beside the other bytes.
TEST_F(CheckCommand, TheMasterIsOpenedOnceWhateverItHolds) {
  Trend("T", RisingTrend(6, "Tee", 3));
  ASSERT_EQ(Qmr({"rebuild", Path("T.000")}).status, 0);
  const Bytes master = ReadWholeFile(Path("T.qmr"));
  clock_.Set(MakeTime(2030, 5, 5, 5, 5, 5, 0));
  int opens = 0;
  const auto previous = qmr::SetMasterOpenHook([&](const std::string& path) { opens += path == Path("T.qmr"); });

  Bytes renamed = master;
  renamed[std::string("QUORAX\r\nVERSION 6\r\nTREND MASTER\r\n").size()] = 'B';  // "Bee"
  Bytes longer = master;
  longer.resize(master.size() + 70000, 1);  // past the first chunk read
  const std::vector<Bytes> held = {master, renamed, longer, Bytes(master.begin(), master.begin() + 100)};
  for (std::size_t i = 0; i < held.size(); ++i) {
    WriteBytes(Path("T.qmr"), held[i]);
    opens = 0;
    const Outcome run = Qmr({"check", Path("T.000")});
    EXPECT_EQ(opens, 1) << run.out;
    EXPECT_EQ(run.status, i == 0 ? 0 : 1) << run.out;
  }
  WriteBytes(Path("T.qmr"), renamed);
  const Outcome run = Qmr({"check", Path("T.000")});
  EXPECT_TRUE(Contains(run.out, "field banner (byte 0)")) << run.out;
  EXPECT_TRUE(
      Contains(run.out, "found \"QUORAX\\r\\nVERSION 6\\r\\nTREND MASTER\\r\\nBee\\r\\nTue Mar 06 09:05:03 2007"))
      << run.out;
  WriteBytes(Path("T.qmr"), longer);
  EXPECT_EQ(Qmr({"check", Path("T.000")}).out, Path("T.qmr") + ": differs: length " + std::to_string(longer.size()) +
                                                   " bytes, expected " + std::to_string(master.size()) + "\n");
  qmr::SetMasterOpenHook(previous);
}

TEST_F(CheckCommand, MissingMasterIsReportedAndNotWritten) {
  Trend("T", RisingTrend(4, "Tee", 2));
  Trend("U", RisingTrend(4, "You", 1));
  ASSERT_EQ(Qmr({"rebuild", Path("U.000")}).status, 0);
  const auto before = Snapshot(Folder());

  const Outcome run = Qmr({"check", Path("T.000"), Path("U.000")});

  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, Path("T.qmr") + ": missing\n" + Path("U.qmr") + ": ok\n");
  EXPECT_EQ(Snapshot(Folder()), before);
}

TEST_F(CheckCommand, MasterOfAnotherTrendStateDiffers) {
  Trend("T", RisingTrend(6, "Tee", 3));
  ASSERT_EQ(Qmr({"rebuild", Path("T.000")}).status, 0);
  // A fourth data file arrives after the rebuild: the count is the first difference.
  Trend("T", RisingTrend(6, "Tee", 4));

  const Outcome run = Qmr({"check", Path("T.000")});

  EXPECT_EQ(run.status, 1);
  // Every field that differs, with both values, up to 20; then a count and the lengths.
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')),
            Path("T.qmr") + ": differs: field file_count (byte 148): expected 4, found 3");
  EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 22) << run.out;
  EXPECT_TRUE(Contains(run.out, Path("T.qmr") + ": differs: and 18 more fields\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, Path("T.qmr") + ": differs: length 1520 bytes, expected 1968\n")) << run.out;
}

TEST_F(CheckCommand, AFolderNamedLikeTheMasterAndALeftoverTemporaryFileAreNamed) {
  Trend("T", RisingTrend(6, "Tee", 1));
  Trend("U", RisingTrend(6, "You", 1));
  std::filesystem::create_directory(Path("T.qmr"));
  ASSERT_EQ(Qmr({"rebuild", Path("U.000")}).status, 0);
  // Left by a writer that no longer runs (no process has this number).
  WriteBytes(Path("~qmr-999999999-0-U.tmp"), {});

  const Outcome run = Qmr({"check", Path("T.000"), Path("U.000")});

  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, Path("T.qmr") + ": is a folder, not a master file\n" + Path("U.qmr") + ": ok\n");
  EXPECT_EQ(run.err, "qmr: " + Path("~qmr-999999999-0-U.tmp") +
                         ": warning: left by an interrupted rebuild; the next rebuild in this folder removes it\n");
  EXPECT_EQ(Qmr({"check", Path("U.000")}).status, 3);
  EXPECT_EQ(Qmr({"check", "--strict", Path("U.000")}).status, 1);
  // The next rebuild in the folder removes it.
  EXPECT_EQ(Qmr({"rebuild", Path("U.000")}).status, 0);
  EXPECT_FALSE(std::filesystem::exists(Path("~qmr-999999999-0-U.tmp")));
}

TEST_F(CheckCommand, TrendThatCannotBeComposedFails) {
  Trend("LONG", RisingTrend(5, std::string(70, 'L'), 1));
  const Outcome run = Qmr({"check", Path("LONG.000")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(Contains(run.err, "trend " + Path("LONG") + ": check failed: ")) << run.err;
  EXPECT_TRUE(Contains(run.err, "has 70 characters; the master's banner holds at most 65 (error 5)")) << run.err;

  // A path too long for an entry says how long it is and what fits.
  const std::string deep = Path(std::string(150, 'd'));
  std::filesystem::create_directory(deep);
  qmr::samples::WriteTrend(deep, "F", RisingTrend(5, "Flow", 1));
  const Outcome path = Qmr({"check", deep + "/F.000"});
  EXPECT_EQ(path.status, 1);
  EXPECT_TRUE(
      Contains(path.err, "' has " + std::to_string(deep.size() + 6) +
                             " characters; an entry of version 5 holds at most 144: rebuild from a shorter folder"))
      << path.err;
}

// A matching master of a trend with warnings fails a strict check: in words
// even with -q, and as its own status in JSON.
TEST_F(CheckCommand, AStrictCheckThatFailsSaysWhy) {
  Trend("MIX", {MakeSample(5, "Mix", 1), MakeSample(6, "Mixer", 2, 2)});
  ASSERT_EQ(Qmr({"rebuild", Path("MIX.000")}).status, 3);

  const Outcome quiet = Qmr({"check", "--strict", "-q", Path("MIX.000")});
  EXPECT_EQ(quiet.status, 1);
  EXPECT_EQ(quiet.out, Path("MIX.qmr") + ": not healthy (--strict): 1 warning\n");
  EXPECT_TRUE(Contains(quiet.err, "1 entry is empty")) << quiet.err;

  const Outcome json = Qmr({"check", "--strict", "--json", Path("MIX.000")});
  EXPECT_EQ(json.status, 1);
  EXPECT_TRUE(Contains(json.out, "\"status\":\"unhealthy\"")) << json.out;
  EXPECT_FALSE(Contains(json.out, "\"status\":\"ok\"")) << json.out;
}

TEST(Shown, EscapesC0AndC1ControlsAndKeepsOtherText) {
  using qmr::cli::Shown;
  EXPECT_EQ(Shown("a\x1b[2Jb\x7f"), "a\\x1b[2Jb\\x7f");
  // 0x9B is CSI on a terminal that reads 8-bit controls.
  EXPECT_EQ(Shown("a\x9b"
                  "2Jb\x85"),
            "a\\x9b2Jb\\x85");
  EXPECT_EQ(Shown("a\xc2\x9b"
                  "2J"),
            "a\\xc2\\x9b2J");
  EXPECT_EQ(Shown("caf\xc3\xa9 \xe2\x82\xac \xc2\xa0"), "caf\xc3\xa9 \xe2\x82\xac \xc2\xa0");
  EXPECT_EQ(Shown("caf\xe9"), "caf\xe9");  // Latin-1: no control
}

}  // namespace
}  // namespace cli_test
