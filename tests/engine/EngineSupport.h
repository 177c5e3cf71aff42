// Shared set-up of the engine tests: a fresh folder per test, a fixed clock,
// file helpers, and the expected master bytes assembled straight from the
// format tables (never through the code under test; tests/support).
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "samples/SampleTrends.h"
#include "tests/support/ExpectedMasters.h"
#include "tests/support/RecordingEvents.h"
#include "tests/support/TestFiles.h"
#include "tools/FileReading.h"
#include "tools/FileTools.h"
#include "trends/Builders.h"
#include "trends/MasterFile.h"
#include "trends/Rebuild.h"

namespace engine_test {

using qmr::ReadWholeFile;
using qmr::samples::RisingTrend;
using qmr::samples::WriteBytes;
using qmr::samples::WriteTrend;
using qmr::testsupport::Bytes;
using qmr::testsupport::EntryTableOf;
using qmr::testsupport::ExpectedHeader;
using qmr::testsupport::FolderState;
using qmr::testsupport::Snapshot;

constexpr std::size_t kHeaderSize = qmr::testsupport::kMasterHeaderSize;

// prefix followed by the decimal digits of n. (Built by appending: GCC 12
// warns falsely about "text" + std::to_string(n) at -O2.)
inline std::string Numbered(const char* prefix, long long n) {
  std::string text = prefix;
  text += std::to_string(n);
  return text;
}

inline std::vector<std::string> NamesOf(const FolderState& files) {
  std::vector<std::string> names;
  for (const auto& file : files) names.push_back(file.first);
  return names;
}

inline std::int16_t I16At(const Bytes& bytes, std::size_t at) {
  return static_cast<std::int16_t>(bytes.at(at) | (bytes.at(at + 1) << 8));
}

// Each test gets its own folder, a fixed clock and a recording front end;
// folder, clock and the master write's fault hook are undone afterwards.
class EngineTest : public ::testing::Test {
 protected:
  void TearDown() override { qmr::SetWriteFaultHook({}); }

  const std::string& folder() const { return folder_; }
  std::string PathOf(const std::string& name) const { return folder_ + qmr::kPathSeparator + name; }
  std::string DataPath(const std::string& trend, int number) const {
    return PathOf(qmr::samples::DataFileName(trend, number));
  }

  // The expected master of `trend`: the header, then the entries of the
  // given file numbers in the given order (-1 for an all-zero entry).
  Bytes ExpectedMaster(const std::string& trend, const std::vector<qmr::samples::SampleFile>& files,
                       std::int16_t version, const std::string& name, const std::vector<int>& order) const {
    return qmr::testsupport::ExpectedMaster(folder_, trend, files, version, name, order);
  }

  // Rebuilds `trend` from its first data file, and reads the master back.
  qmr::TrendMaster Rebuild(const std::string& trend) { return qmr::RebuildTrend(DataPath(trend, 0), events); }
  Bytes Master(const std::string& trend) const { return ReadWholeFile(PathOf(trend + ".qmr")); }

  qmr::testsupport::RecordingEvents events;

 private:
  qmr::testsupport::TempFolder temp_{"qmr-engine-"};
  std::string folder_ = temp_.path();
  qmr::testsupport::FixedClock clock_;
};

}  // namespace engine_test
