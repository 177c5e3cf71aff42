// Writes the seed corpora of the fuzz targets from the sample generator:
//   qmr_fuzz_seeds OUT   ->  OUT/data_header/*, OUT/rebuild/*, OUT/master_show/*,
//                            OUT/command_line/*, OUT/scan/*
// Every seed is made here from the format tables; no trend file from
// anywhere else is used. The output is deterministic (fixed clock, relative
// paths), so regenerating it changes nothing unless the seeds change.
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "samples/SampleTrends.h"
#include "tests/support/TestFiles.h"
#include "trends/Builders.h"
#include "trends/Rebuild.h"
#include "trends/RebuildEvents.h"

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using qmr::samples::MakeSample;
using qmr::samples::SampleFile;

namespace {

struct Trend {
  std::string name;
  std::vector<SampleFile> files;
  bool oldMaster = false;
};

SampleFile Cut(SampleFile file, std::size_t length) {
  file.truncateTo = length;
  return file;
}

std::vector<Trend> Trends() {
  std::vector<Trend> trends;
  trends.push_back({"v6-rising", qmr::samples::RisingTrend(6, "Tank 1 level", 3)});
  trends.push_back({"v4-rising", qmr::samples::RisingTrend(4, "Boiler pressure", 4)});
  trends.push_back({"v5-rising", qmr::samples::RisingTrend(5, "Main line flow", 3)});
  {
    auto files = qmr::samples::RisingTrend(1, "Pump 3", 5);
    for (std::size_t i = 0; i < files.size(); ++i) files[i].version = static_cast<std::int16_t>(1 + i % 3);
    trends.push_back({"v1to3-mixed", files});
  }
  {
    auto files = qmr::samples::RisingTrend(5, "Mixer", 2);
    for (const auto& file : qmr::samples::RisingTrend(6, "Mixer", 2)) files.push_back(file);
    trends.push_back({"v5-then-v6", files});
  }
  trends.push_back(
      {"v4-unknown-middle", {MakeSample(4, "Load", 25000), MakeSample(9, "", 0), MakeSample(4, "Load", 7)}});
  trends.push_back(
      {"v6-cut-last", {MakeSample(6, "Cut", 1), MakeSample(6, "Cut", 2), Cut(MakeSample(6, "Cut", 3), 200)}});
  trends.push_back({"v2-cut-version", {MakeSample(2, "Short", 5), Cut(MakeSample(2, "Short", 6), 139)}});
  trends.push_back({"v6-name-66", {MakeSample(6, std::string(66, 'N'), 10)}});
  trends.push_back({"v6-name-65", {MakeSample(6, std::string(65, 'N'), 10)}, true});
  trends.push_back({"v5-name-80-no-nul", {MakeSample(5, std::string(80, 'Z'), 10)}});
  trends.push_back({"keys-text-order",
                    {MakeSample(3, "K", 99), MakeSample(3, "K", 100), MakeSample(3, "K", -5), MakeSample(3, "K", -3),
                     MakeSample(3, "K", 99)}});
  trends.push_back(
      {"v6-currency-keys",
       {MakeSample(6, "C", 2500), MakeSample(6, "C", 7), MakeSample(6, "C", -10000), MakeSample(6, "C", 123456789)}});
  trends.push_back({"empty-file", {Cut(MakeSample(6, "", 0), 0)}, true});
  trends.push_back({"version-minus-one-last", {MakeSample(6, "A", 1), MakeSample(-1, "", 0)}});
  return trends;
}

void Write(const fs::path& path, const Bytes& bytes) { qmr::samples::WriteBytes(path.string(), bytes); }

// The rebuild target's input: byte 0 = file count - 1 (bits 0-2) and the
// old-master flag (bit 3); each file but the last as a 2-byte length and its
// bytes; the last file as the rest.
Bytes EncodeTrend(const Trend& trend) {
  Bytes input;
  input.push_back(static_cast<unsigned char>((trend.files.size() - 1) | (trend.oldMaster ? 8u : 0u)));
  for (std::size_t i = 0; i < trend.files.size(); ++i) {
    const Bytes file = qmr::samples::MakeDataFile(trend.files[i]);
    if (i + 1 < trend.files.size()) {
      input.push_back(static_cast<unsigned char>(file.size() & 0xFF));
      input.push_back(static_cast<unsigned char>(file.size() >> 8));
    }
    input.insert(input.end(), file.begin(), file.end());
  }
  return input;
}

// The command line target's input: the arguments, each ended by a NUL byte.
Bytes EncodeArguments(const std::vector<std::string>& args) {
  Bytes input;
  for (const std::string& arg : args) {
    input.insert(input.end(), arg.begin(), arg.end());
    input.push_back(0);
  }
  if (!input.empty()) input.pop_back();
  return input;
}

void WriteCommandLineSeeds(const fs::path& out) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> seeds = {
      {"rebuild", {"rebuild", "T.000"}},
      {"rebuild-json-names", {"rebuild", "--json", "T", "D.001", "nosuch", "\x1b]0;x\x07\xc2\x9b\x9b.000"}},
      {"rebuild-dry-run-grouped", {"rebuild", "-nq", "-j2", "--", "-T.000", "T.qmr"}},
      {"check-strict", {"check", "--strict", "--jobs=3", "-v", "T.000", "D.000"}},
      {"check-json-control-name", {"check", "--json", "-v", "\x1b[31mred\x9b\x7f.000"}},
      {"record-as", {"rebuild", "--record-as", "D:\\PLANT\\DATA", "T.000"}},
      {"scan-json", {"scan", "--json", ""}},
      {"scan-rebuild", {"scan", "--rebuild", "-n", "--force", "-j", "1", ""}},
      {"show-json", {"show", "--json", "T.000"}},
      {"show-master", {"show", "--master", "D.000"}},
      {"help", {"--help"}},
      {"help-command", {"help", "rebuild"}},
      {"version", {"--version"}},
      {"unknown-option", {"rebuild", "--frce", "T.000"}},
      {"bad-jobs", {"check", "-j", "0", "T.000"}},
  };
  for (const auto& [name, args] : seeds) Write(out / "command_line" / name, EncodeArguments(args));
}

// The scan target's input: an options byte, then one record per entry of
// the tree (fuzz/ScanFuzz.cpp).
class ScanSeed {
 public:
  explicit ScanSeed(unsigned options) { bytes_.push_back(static_cast<unsigned char>(options)); }
  // NAME.00<number> (number 0 to 3), or NAME.qmr for -1, or NAME for -2.
  ScanSeed& File(const std::string& name, int number, const Bytes& content) {
    Entry(0, name, number);
    bytes_.push_back(static_cast<unsigned char>(content.size() & 0xFF));
    bytes_.push_back(static_cast<unsigned char>(content.size() >> 8));
    bytes_.insert(bytes_.end(), content.begin(), content.end());
    return *this;
  }
  ScanSeed& Data(const std::string& name, int number, const SampleFile& file) {
    return File(name, number, qmr::samples::MakeDataFile(file));
  }
  ScanSeed& Folder(const std::string& name) {
    Entry(1, name, -2);
    return *this;
  }
  ScanSeed& Up() {
    bytes_.push_back(2);
    return *this;
  }
  // `target`: the index of an entry made before in the same folder, or that
  // count for the link itself.
  ScanSeed& Link(const std::string& name, int number, unsigned target) {
    Entry(3, name, number);
    bytes_.push_back(static_cast<unsigned char>(target));
    return *this;
  }
  const Bytes& bytes() const { return bytes_; }

 private:
  void Entry(unsigned kind, const std::string& name, int number) {
    unsigned op = kind;
    if (number >= 0) op |= 4u | (static_cast<unsigned>(number) << 3);
    if (number == -1) op |= 0x20u;
    bytes_.push_back(static_cast<unsigned char>(op));
    bytes_.push_back(static_cast<unsigned char>(name.size()));
    bytes_.insert(bytes_.end(), name.begin(), name.end());
  }
  Bytes bytes_;
};

void WriteScanSeeds(const fs::path& out) {
  const auto plant = [](unsigned options) {
    ScanSeed seed(options);
    seed.Folder("unit1").Data("TANK", 0, MakeSample(6, "Tank", 30)).Data("TANK", 1, MakeSample(6, "Tank", 31));
    seed.Data("TANK", 2, MakeSample(6, "Tank", 32)).File("TANK", -1, Bytes(176, 0x41)).Up();
    seed.Folder("unit2").Data("P", 0, MakeSample(4, "Pump", 7)).Data("P", 1, MakeSample(4, "Pump", 3));
    seed.Folder("deep").Data("Q", 0, MakeSample(1, "Q", 1)).Data("Q", 1, MakeSample(3, "Q", 2));
    return seed;
  };
  Write(out / "scan" / "plant", plant(0).bytes());
  Write(out / "scan" / "plant-rebuild", plant(1).bytes());
  Write(out / "scan" / "plant-dry-run-force-one-thread", plant(1 | 2 | 4 | 8).bytes());
  {
    ScanSeed seed(1);
    seed.Data("D", 0, MakeSample(6, "Damaged", 1)).Data("D", 1, Cut(MakeSample(6, "Damaged", 2), 200));
    seed.Data("G", 0, MakeSample(5, "Gapped", 1)).Data("G", 2, MakeSample(5, "Gapped", 3));
    seed.Data("U", 0, MakeSample(9, "", 0)).File("E", 0, Bytes{});
    Write(out / "scan" / "damaged-rebuild", seed.bytes());
  }
  {
    ScanSeed seed(1 | 8);
    seed.Data("A", 0, MakeSample(6, "A", 1)).Data("A", 1, MakeSample(6, "A", 2));
    seed.Link("L", 0, 0).Link("SELF", 0, 3).Folder("sub").Up().Link("TOSUB", -2, 4).Link("A", -1, 1);
    seed.Data(".hidden", 0, MakeSample(6, "H", 1));
    Write(out / "scan" / "links-rebuild", seed.bytes());
  }
  {
    ScanSeed seed(0);
    seed.Data("\x1b[1m", 0, MakeSample(6, "\x1b[2J", 1)).Data("\xc2\x9b", 0, MakeSample(5, "\x9b", 2));
    seed.Folder("\xe9t\xe9").Data("caf\xc3\xa9", 0, MakeSample(4, "Caf\xc3\xa9", 3));
    Write(out / "scan" / "odd-names", seed.bytes());
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " OUT_FOLDER\n";
    return 2;
  }
  const fs::path out = fs::absolute(argv[1]);
  for (const char* target : {"data_header", "rebuild", "master_show", "command_line", "scan"})
    fs::create_directories(out / target);

  const qmr::testsupport::FixedClock clock;

  // Data headers: one whole header per version, the unknown versions, and
  // files cut right before the version word and right before the end.
  for (std::int16_t version : {1, 2, 3, 4, 5, 6}) {
    SampleFile file = MakeSample(version, "Header " + std::to_string(version), 1173171903, 17);
    // Appended rather than "v" + ...: GCC 12 warns falsely (-Wrestrict) on the latter at -O2.
    std::string stem = "v";
    stem += std::to_string(version);
    Write(out / "data_header" / stem, qmr::samples::MakeDataFile(file));
    const std::size_t size = qmr::samples::LayoutOf(version).size;
    Write(out / "data_header" / (stem + "-cut"), qmr::samples::MakeDataFile(Cut(file, size - 1)));
    file.sampleBytes = 64;
    Write(out / "data_header" / (stem + "-samples"), qmr::samples::MakeDataFile(file));
  }
  for (std::int16_t version : {0, 7, -1, 32767, -32768})
    Write(out / "data_header" / ("unknown" + std::to_string(version)),
          qmr::samples::MakeDataFile(MakeSample(version, "", 0)));
  Write(out / "data_header" / "cut-139", qmr::samples::MakeDataFile(Cut(MakeSample(6, "X", 0), 139)));
  Write(out / "data_header" / "cut-140", qmr::samples::MakeDataFile(Cut(MakeSample(6, "X", 0), 140)));
  Write(out / "data_header" / "empty", Bytes{});

  // Rebuild inputs, and the masters they give for the show decoder (built in
  // a scratch folder with relative paths, so that no folder name leaks in).
  const qmr::testsupport::TempFolder scratch("qmr-fuzz-seeds-");
  const fs::path home = fs::current_path();
  fs::current_path(scratch.fsPath());
  qmr::RebuildEvents silent;
  for (const Trend& trend : Trends()) {
    Write(out / "rebuild" / trend.name, EncodeTrend(trend));
    qmr::samples::WriteTrend(".", "T", trend.files);
    try {
      const qmr::TrendMaster master = qmr::ComposeTrendMaster("T.000", silent);
      Write(out / "master_show" / trend.name, master.bytes);
      if (master.bytes.size() > 176) {
        Write(out / "master_show" / (trend.name + "-cut"), Bytes(master.bytes.begin(), master.bytes.end() - 1));
      }
    } catch (const std::exception&) {
      // A trend that cannot be rebuilt has no master to show.
    }
    scratch.Empty();
  }
  fs::current_path(home);
  Write(out / "master_show" / "header-only-cut", Bytes(100, 0));
  for (std::int16_t version : {1, 4, 5, 6})
    Write(out / "master_show" / ("data-v" + std::to_string(version)),
          qmr::samples::MakeDataFile(MakeSample(version, "Shown", 42)));
  WriteCommandLineSeeds(out);
  WriteScanSeeds(out);
  std::cout << "seeds written to " << out.string() << "\n";
  return 0;
}
