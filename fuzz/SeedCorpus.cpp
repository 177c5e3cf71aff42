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
#include "trends/Builders.h"
#include "trends/Rebuild.h"
#include "trends/Services.h"

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using qmr::samples::SampleFile;

namespace {

class SilentServices : public qmr::Services {
 public:
  void ShowMessage(const std::string&, const std::string&, qmr::MessageIcon) override {}
  void PumpEvents() override {}
  void ShowStatus() override {}
  void SetStatusTrendName(const std::string&) override {}
  void HideStatus() override {}
};

struct Trend {
  std::string name;
  std::vector<SampleFile> files;
  bool oldMaster = false;
};

SampleFile File(std::int16_t version, const std::string& trendName, std::int64_t key,
                std::uint32_t fill = 1) {
  SampleFile file;
  file.version = version;
  file.trendName = trendName;
  file.orderKey = key;
  file.fill = fill;
  return file;
}

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
  trends.push_back({"v4-unknown-middle", {File(4, "Load", 25000), File(9, "", 0), File(4, "Load", 7)}});
  trends.push_back({"v6-cut-last", {File(6, "Cut", 1), File(6, "Cut", 2), Cut(File(6, "Cut", 3), 200)}});
  trends.push_back({"v2-cut-version", {File(2, "Short", 5), Cut(File(2, "Short", 6), 139)}});
  trends.push_back({"v6-name-66", {File(6, std::string(66, 'N'), 10)}});
  trends.push_back({"v6-name-65", {File(6, std::string(65, 'N'), 10)}, true});
  trends.push_back({"v5-name-80-no-nul", {File(5, std::string(80, 'Z'), 10)}});
  trends.push_back({"keys-text-order", {File(3, "K", 99), File(3, "K", 100), File(3, "K", -5), File(3, "K", -3),
                                        File(3, "K", 99)}});
  trends.push_back({"v6-currency-keys", {File(6, "C", 2500), File(6, "C", 7), File(6, "C", -10000),
                                         File(6, "C", 123456789)}});
  trends.push_back({"empty-file", {Cut(File(6, "", 0), 0)}, true});
  trends.push_back({"version-minus-one-last", {File(6, "A", 1), File(-1, "", 0)}});
  return trends;
}

void Write(const fs::path& path, const Bytes& bytes) {
  qmr::samples::WriteBytes(path.string(), bytes);
}

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

  qmr::SetLocalTimeSource([] {
    std::tm time{};
    time.tm_year = 2007 - 1900;
    time.tm_mon = 2;
    time.tm_mday = 6;
    time.tm_wday = 2;
    time.tm_hour = 9;
    time.tm_min = 5;
    time.tm_sec = 3;
    return time;
  });

  // Data headers: one whole header per version, the unknown versions, and
  // files cut right before the version word and right before the end.
  for (std::int16_t version : {1, 2, 3, 4, 5, 6}) {
    SampleFile file = File(version, "Header " + std::to_string(version), 1173171903, 17);
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
          qmr::samples::MakeDataFile(File(version, "", 0)));
  Write(out / "data_header" / "cut-139", qmr::samples::MakeDataFile(Cut(File(6, "X", 0), 139)));
  Write(out / "data_header" / "cut-140", qmr::samples::MakeDataFile(Cut(File(6, "X", 0), 140)));
  Write(out / "data_header" / "empty", Bytes{});

  // Rebuild inputs, and the masters they give for the show decoder (built in
  // a scratch folder with relative paths, so that no folder name leaks in).
  const fs::path scratch = fs::temp_directory_path() / "qmr-fuzz-seeds";
  fs::remove_all(scratch);
  fs::create_directories(scratch);
  const fs::path home = fs::current_path();
  fs::current_path(scratch);
  SilentServices services;
  for (const Trend& trend : Trends()) {
    Write(out / "rebuild" / trend.name, EncodeTrend(trend));
    qmr::samples::WriteTrend(".", "T", trend.files);
    try {
      const qmr::TrendMaster master = qmr::ComposeTrendMaster("T.000", services);
      Write(out / "master_show" / trend.name, master.bytes);
      if (master.bytes.size() > 176) {
        Write(out / "master_show" / (trend.name + "-cut"),
              Bytes(master.bytes.begin(), master.bytes.end() - 1));
      }
    } catch (const std::exception&) {
      // A trend that cannot be rebuilt has no master to show.
    }
    for (const auto& entry : fs::directory_iterator(".")) fs::remove(entry.path());
  }
  fs::current_path(home);
  fs::remove_all(scratch);
  Write(out / "master_show" / "header-only-cut", Bytes(100, 0));
  for (std::int16_t version : {1, 4, 5, 6})
    Write(out / "master_show" / ("data-v" + std::to_string(version)),
          qmr::samples::MakeDataFile(File(version, "Shown", 42)));
  std::cout << "seeds written to " << out.string() << "\n";
  return 0;
}
