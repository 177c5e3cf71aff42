// Shared set-up of the engine tests: a fresh folder per test, a fixed clock,
// file helpers, and the expected master bytes assembled straight from the
// format tables (never through the code under test).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "samples/SampleTrends.h"
#include "tests/support/CheckedFiles.h"
#include "tests/support/RecordingEvents.h"
#include "tests/support/TestFiles.h"
#include "tools/FileTools.h"
#include "trends/Builders.h"
#include "trends/MasterFile.h"
#include "trends/Rebuild.h"

namespace engine_test {

using Bytes = std::vector<unsigned char>;
using qmr::samples::RisingTrend;
using qmr::samples::WriteTrend;

using qmr::testsupport::ReadAll;
using qmr::testsupport::WriteAll;

// Every file below `folder` (relative name -> bytes), to prove what changed.
inline std::map<std::string, Bytes> Snapshot(const std::string& folder) {
  std::map<std::string, Bytes> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = std::filesystem::relative(entry.path(), folder).string();
    files[name] = entry.is_regular_file() ? ReadAll(entry.path().string()) : Bytes{};
  }
  return files;
}

// prefix followed by the decimal digits of n. (Built by appending: GCC 12
// warns falsely about "text" + std::to_string(n) at -O2.)
inline std::string Numbered(const char* prefix, long long n) {
  std::string text = prefix;
  text += std::to_string(n);
  return text;
}

inline std::vector<std::string> NamesOf(const std::map<std::string, Bytes>& files) {
  std::vector<std::string> names;
  for (const auto& file : files) names.push_back(file.first);
  return names;
}

inline std::int16_t I16At(const Bytes& bytes, std::size_t at) {
  return static_cast<std::int16_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
}

// ---------------------------------------------------------------------------
// Expected master bytes, from the format tables.

constexpr std::size_t kHeaderSize = 176;

// "Tue Mar 06 09:05:03 2007", the clock every test runs with.
inline std::tm FixedTime() {
  std::tm time = qmr::testsupport::FixedClockTime();
  time.tm_yday = 64;
  return time;
}

inline Bytes ExpectedHeader(std::int16_t version, const std::string& name, std::int16_t count) {
  std::string banner = Numbered("QUORAX\r\nVERSION ", version);
  banner += "\r\nTREND MASTER\r\n" + name + "\r\nTue Mar 06 09:05:03 2007\n\r\n\x1a";
  EXPECT_LE(banner.size(), 128u);
  Bytes header(kHeaderSize, 0);
  std::memcpy(header.data(), banner.data(), banner.size());
  std::memcpy(header.data() + 128, "QUORAX", 6);
  header[138] = static_cast<unsigned char>(version);
  header[139] = static_cast<unsigned char>(static_cast<std::uint16_t>(version) >> 8);
  for (std::size_t at : {148u, 150u}) {
    header[at] = static_cast<unsigned char>(count);
    header[at + 1] = static_cast<unsigned char>(static_cast<std::uint16_t>(count) >> 8);
  }
  return header;
}

// One entry layout: its size, the width of file_path, and the runs of data
// header bytes copied into it (data offset, entry offset, width).
struct CopyRun {
  std::size_t from, to, width;
};
struct EntryTable {
  std::size_t size, pathWidth;
  std::vector<CopyRun> copies;
};

inline EntryTable EntryTableOf(std::int16_t version) {
  switch (version) {
    case 1:
    case 2:
    case 3: return {240, 144, {{138, 154, 2}, {140, 156, 82}}};
    case 4: return {432, 272, {{138, 282, 2}, {144, 288, 4}, {160, 304, 122}}};
    case 5: return {288, 144, {{138, 154, 2}, {140, 156, 130}}};
    case 6: return {448, 272, {{138, 282, 2}, {140, 284, 8}, {160, 304, 138}}};
    default: ADD_FAILURE() << "no entry layout for version " << version; return {0, 0, {}};
  }
}

inline Bytes ExpectedEntry(const qmr::samples::SampleFile& file, const std::string& path) {
  const EntryTable table = EntryTableOf(file.version);
  const Bytes data = qmr::samples::MakeDataFile(file);
  Bytes entry(table.size, 0);
  EXPECT_LE(path.size(), table.pathWidth);
  std::memcpy(entry.data(), path.data(), path.size());
  std::memcpy(entry.data() + table.pathWidth, "QUORAX", 6);
  for (const CopyRun& run : table.copies) std::memcpy(entry.data() + run.to, data.data() + run.from, run.width);
  return entry;
}

inline Bytes ZeroEntry(std::int16_t version) { return Bytes(EntryTableOf(version).size, 0); }

inline void Append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

// ---------------------------------------------------------------------------

// Each test gets its own folder, a fixed clock and a recording front end;
// folder and clock are undone afterwards.
class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = MakeFreshFolder();
    ASSERT_FALSE(folder_.empty()) << "no temporary folder";
    previousClock_ = qmr::SetLocalTimeSource([] { return FixedTime(); });
  }
  void TearDown() override {
    qmr::SetLocalTimeSource(previousClock_);
    qmr::SetWriteFaultHook({});
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }

  // A new, empty folder of its own (created exclusively, like mkdtemp, but
  // also where there is no mkdtemp).
  static std::string MakeFreshFolder() {
    static std::mt19937_64 random(std::random_device{}());
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      const auto candidate = base / Numbered("qmr-engine-", static_cast<long long>(random() % 1000000000));
      std::error_code error;
      if (std::filesystem::create_directory(candidate, error)) return candidate.string();
    }
    return {};
  }

  const std::string& folder() const { return folder_; }
  std::string PathOf(const std::string& name) const { return folder_ + qmr::kPathSeparator + name; }
  std::string DataPath(const std::string& trend, int number) const {
    return PathOf(qmr::samples::DataFileName(trend, number));
  }

  // The expected master of `trend`: the header, then the entries of the
  // given file numbers in the given order (-1 for an all-zero entry).
  Bytes ExpectedMaster(const std::string& trend, const std::vector<qmr::samples::SampleFile>& files,
                       std::int16_t version, const std::string& name, const std::vector<int>& order) const {
    Bytes master = ExpectedHeader(version, name, static_cast<std::int16_t>(files.size()));
    for (int number : order) {
      if (number < 0)
        Append(master, ZeroEntry(version));
      else
        Append(master, ExpectedEntry(files.at(static_cast<std::size_t>(number)), DataPath(trend, number)));
    }
    return master;
  }

  // Rebuilds `trend` from its first data file, and reads the master back.
  qmr::TrendMaster Rebuild(const std::string& trend) { return qmr::RebuildTrend(DataPath(trend, 0), events); }
  Bytes Master(const std::string& trend) const { return ReadAll(PathOf(trend + ".qmr")); }

  qmr::testsupport::RecordingEvents events;

 private:
  std::string folder_;
  qmr::LocalTimeSource previousClock_;
};

}  // namespace engine_test
