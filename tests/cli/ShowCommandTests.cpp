// qmr show: masters and data file headers printed field by field, how the
// kind of file is decided, and the files it refuses.
#include <string>

#include "CliSupport.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif
#include "cli/MasterShow.h"

namespace cli_test {
namespace {

using qmr::cli::EscapeText;
using qmr::samples::RisingTrend;

class ShowCommand : public CliTest {};

// A path as show prints it: every backslash (Windows separators) doubled.
std::string Escaped(const std::string& path) {
  std::string text;
  for (char c : path) text += c == '\\' ? std::string(2, c) : std::string(1, c);
  return text;
}

TEST_F(ShowCommand, MasterShowsBannerLinesCountsAndEveryEntry) {
  // Family 6 decides; the version 5 file leaves an all-zero slot, sorted last
  // (key text "0"). The version 6 keys 2500 and 70000 read 0.25 and 7.
  Trend("MIX", {MakeSample(5, "Mix", 1), MakeSample(6, "Mixer", 2500, 2), MakeSample(6, "Mixer", 70000, 3)});
  ASSERT_EQ(Qmr({"rebuild", Path("MIX.000")}).status, 3);

  const Outcome run = Qmr({"show", Path("MIX.qmr")});

  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  for (const std::string& part : {
           std::string("line 1: \"QUORAX\""),
           std::string("line 2: \"VERSION 6\""),
           std::string("line 3: \"TREND MASTER\""),
           std::string("line 4: \"Mixer\""),
           std::string("line 5: \"Tue Mar 06 09:05:03 2007\""),
           std::string("line 7: \"\\x1a\""),
           // 128 - 68 characters of banner text.
           std::string("then 60 padding bytes"),
           std::string("\"QUORAX\\r\\nVERSION 6\\r\\nTREND MASTER\\r\\nMixer\\r\\nTue Mar 06 09:05:03 "
                       "2007\\n\\r\\n\\x1a\\x00{60}\""),
           std::string("file_count    3\n"),
           std::string("file_count_2  3\n"),
           std::string("version       6\n"),
           std::string("entries: 3 of 448 bytes"),
           std::string("entry 0 (byte 176):\n"),
           std::string("entry 1 (byte 624):\n"),
           std::string("entry 2 (byte 1072): all bytes 0"),
           std::string("order_key     70000  text \"7\"\n"),
           std::string("order_key     2500  text \"0.25\"\n"),
           std::string("file_path     \"" + Escaped(Path("MIX.002")) + "\\x00{"),
           std::string("trend_name    \"Mixer\\x00{75}\"\n"),
       }) {
    EXPECT_TRUE(Contains(run.out, part)) << part << "\n" << run.out;
  }
  // Entries in file order: .002 (key 7) before .001 (key 0.25).
  EXPECT_LT(run.out.find("70000"), run.out.find("2500"));
}

TEST_F(ShowCommand, DataFileOfEachFamilyShowsItsOwnFields) {
  struct Case {
    std::int16_t version;
    std::size_t nameWidth;
    const char* orderKey;  // as shown: integer and sort text
    const char* only;      // a field this family has
    const char* absent;    // a field it lacks
  };
  for (const Case& c : {Case{1, 32, "2500  text \"2500\"", "header_long_1", "header_text_2"},
                        Case{3, 32, "2500  text \"2500\"", "header_long_1", "header_long_2"},
                        Case{4, 64, "2500  text \"0.25\"", "header_text_2", "header_long_1"},
                        Case{5, 80, "2500  text \"2500\"", "header_long_1", "header_text_3"},
                        Case{6, 80, "2500  text \"0.25\"", "header_long_2", "header_text_2"}}) {
    const std::string name = std::string("D").append(std::to_string(c.version));
    Trend(name, {MakeSample(c.version, "ABC", 2500, 9)});
    const Outcome run = Qmr({"show", Path(name + ".000")});
    SCOPED_TRACE(name);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Contains(run.out, "data file " + Path(name + ".000") + "\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, "version " + std::to_string(c.version))) << run.out;
    EXPECT_TRUE(Contains(run.out, "trend_name    \"ABC\\x00{" + std::to_string(c.nameWidth - 3) + "}\"\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, std::string("order_key     ") + c.orderKey + "\n")) << run.out;
    EXPECT_TRUE(Contains(run.out, std::string("\n  ") + c.only + " ")) << run.out;
    EXPECT_FALSE(Contains(run.out, std::string("\n  ") + c.absent + " ")) << run.out;
    EXPECT_TRUE(Contains(run.out, "\n  header_text ")) << run.out;
    EXPECT_TRUE(Contains(run.out, "\n  tail_text ")) << run.out;
  }
}

TEST_F(ShowCommand, KindOfFileIsDecidedByExtensionOrBanner) {
  Trend("T", qmr::samples::RisingTrend(5, "Tee", 1));
  ASSERT_EQ(Qmr({"rebuild", Path("T.000")}).status, 0);
  const Bytes master = ReadWholeFile(Path("T.qmr"));

  // A master under another name is known by its banner.
  WriteBytes(Path("copy.bak"), master);
  EXPECT_TRUE(Contains(Qmr({"show", Path("copy.bak")}).out, "master file "));
  // An upper-case extension still names a master.
  WriteBytes(Path("UPPER.QMR"), master);
  EXPECT_TRUE(Contains(Qmr({"show", Path("UPPER.QMR")}).out, "master file "));
  // A data file saved as .qmr is shown as one when asked.
  WriteBytes(Path("data.qmr"), ReadWholeFile(Path("T.000")));
  const Outcome forced = Qmr({"show", "--data", Path("data.qmr")});
  EXPECT_EQ(forced.status, 0) << forced.err;
  EXPECT_TRUE(Contains(forced.out, "data file ")) << forced.out;
  // And a master can be forced too.
  const Outcome asMaster = Qmr({"show", "--master", Path("copy.bak")});
  EXPECT_EQ(asMaster.status, 0);
  EXPECT_TRUE(Contains(asMaster.out, "entries: 1 of 288 bytes"));
}

TEST_F(ShowCommand, ShortFilesAndUnknownVersionsAreRefused) {
  // Too short for the version word, for a version 6 header, and for a master header.
  WriteBytes(Path("A.000"), Bytes(139, 'x'));
  Bytes partial = qmr::samples::MakeDataFile(MakeSample(6, "Short", 1));
  partial.resize(303);
  WriteBytes(Path("B.000"), partial);
  WriteBytes(Path("C.qmr"), Bytes(175, 0));
  WriteBytes(Path("D.000"), qmr::samples::MakeDataFile(MakeSample(9, "Nine", 1)));

  for (const auto& [file, problem] : std::vector<std::pair<std::string, std::string>>{{"A.000", "too short"},
                                                                                      {"B.000", "too short"},
                                                                                      {"C.qmr", "too short"},
                                                                                      {"D.000", "unknown version 9"},
                                                                                      {"none.000", Path("none.000")}}) {
    const Outcome run = Qmr({"show", Path(file)});
    EXPECT_EQ(run.status, 1) << file;
    EXPECT_TRUE(Contains(run.err, Path(file) + ": ")) << file << ": " << run.err;
    EXPECT_TRUE(Contains(run.err, problem)) << file << ": " << run.err;
  }
}

#ifndef _WIN32
// Nothing that is not a regular file is read: no blocking on a pipe, no
// reading without end from a device.
TEST_F(ShowCommand, ATrendNameShowsItsMasterAndAMissingFileIsToldOnce) {
  Trend("line", RisingTrend(6, "Line", 1));
  Trend("line.2", RisingTrend(6, "Line two", 1));
  ASSERT_EQ(InFolder({"rebuild", "line.000", "line.2.000"}).status, 0);

  const Outcome run = InFolder({"show", "line.2"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "\"Line two\"")) << run.out;

  const Outcome missing = InFolder({"show", "nosuch.qmr"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "qmr: nosuch.qmr: not found (error 53)\n");
}

TEST_F(ShowCommand, FoldersPipesAndDevicesAreRefused) {
  std::filesystem::create_directory(Path("F.qmr"));
  ASSERT_EQ(mkfifo(Path("P.qmr").c_str(), 0600), 0);
  for (const auto& [file, kind] : std::vector<std::pair<std::string, std::string>>{
           {Path("F.qmr"), "is a folder"}, {Path("P.qmr"), "is a named pipe"}, {"/dev/zero", "is a device"}}) {
    const Outcome run = Qmr({"show", "--master", file});
    EXPECT_EQ(run.status, 1) << file;
    EXPECT_TRUE(Contains(run.err, kind + ", not a file (error 75)")) << run.err;
  }
}
#endif

TEST_F(ShowCommand, MasterOfUnknownVersion) {
  // What a rebuild writes when the last data file is not recognised: the
  // header alone, shown without entries.
  Trend("LOG", {MakeSample(6, "Log", 1), MakeSample(9, "", 0)});
  ASSERT_EQ(Qmr({"rebuild", Path("LOG.000")}).status, 3);
  Outcome run = Qmr({"show", Path("LOG.qmr")});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(Contains(run.out, "version       9\n")) << run.out;
  EXPECT_TRUE(Contains(run.out, "entries: none")) << run.out;

  // Bytes after such a header cannot be decoded.
  Bytes master = ReadWholeFile(Path("LOG.qmr"));
  master.resize(176 + 448, 0x11);
  WriteBytes(Path("LOG.qmr"), master);
  run = Qmr({"show", Path("LOG.qmr")});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.err, "unknown version 9")) << run.err;
}

TEST_F(ShowCommand, MasterWhoseLengthDoesNotMatchItsCount) {
  Trend("T", qmr::samples::RisingTrend(2, "Tee", 3));
  ASSERT_EQ(Qmr({"rebuild", Path("T.000")}).status, 0);
  Bytes master = ReadWholeFile(Path("T.qmr"));

  master.resize(176 + 2 * 240);  // one entry lost
  WriteBytes(Path("T.qmr"), master);
  Outcome run = Qmr({"show", Path("T.qmr")});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.out, "entry 1 (byte 416)")) << run.out;
  EXPECT_TRUE(Contains(run.err, "file_count is 3")) << run.err;

  master.resize(176 + 3 * 240 + 7);  // a partial entry after the last
  WriteBytes(Path("T.qmr"), master);
  run = Qmr({"show", Path("T.qmr")});
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(Contains(run.err, "7 bytes after the last entry")) << run.err;
}

TEST(EscapeText, ShowsEveryByteUnambiguously) {
  using namespace std::string_literals;
  EXPECT_EQ(EscapeText("AB c"), "\"AB c\"");
  EXPECT_EQ(EscapeText("a\r\nb\tc"), "\"a\\r\\nb\\tc\"");
  EXPECT_EQ(EscapeText("x\0y"s), "\"x\\x00y\"");
  EXPECT_EQ(EscapeText("x\0\0\0"s), "\"x\\x00{3}\"");
  // A brace right after a NUL cannot be taken for a run count.
  EXPECT_EQ(EscapeText("\0{2}"s), "\"\\x00\\x7b2}\"");
  EXPECT_EQ(EscapeText("{2}"), "\"{2}\"");
  EXPECT_EQ(EscapeText("q\"\\"), "\"q\\\"\\\\\"");
  EXPECT_EQ(EscapeText("\x1a\x7f\xe9\xff"), "\"\\x1a\\x7f\\xe9\\xff\"");
  EXPECT_EQ(EscapeText(""), "\"\"");
}

}  // namespace
}  // namespace cli_test
