// Writes the seed corpora of the fuzz targets from the sample generator:
//   qmr_fuzz_seeds OUT   ->  OUT/data_header/*, OUT/rebuild/*, OUT/master_show/*
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

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " OUT_FOLDER\n";
    return 2;
  }
  const fs::path out = fs::absolute(argv[1]);
  for (const char* target : {"data_header", "rebuild", "master_show"}) fs::create_directories(out / target);

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
  std::cout << "seeds written to " << out.string() << "\n";
  return 0;
}
