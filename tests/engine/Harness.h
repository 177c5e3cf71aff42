// The harness of the engine tests, the good cases and the bad-input ones
// alike: a fresh folder, a fixed clock and a recording front end per test,
// the expected master bytes assembled straight from the format tables
// (never through the code under test), and the promises every rebuild keeps
// whatever the folder holds: it does not crash, no data file changes,
// NAME.qmr is either a complete master or exactly what it was before,
// nothing else is left behind, and a failure names the trend it ended at.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "samples/SampleTrends.h"
#include "tests/support/ErrorCodeOf.h"
#include "tests/support/ExpectedMasters.h"
#include "tests/support/RecordingEvents.h"
#include "tests/support/TestFiles.h"
#include "tools/Errors.h"
#include "tools/FileReading.h"
#include "tools/FileTools.h"
#include "trends/MasterFile.h"
#include "trends/Rebuild.h"

namespace engine_test {

namespace fs = std::filesystem;

using qmr::ReadWholeFile;
using qmr::samples::DataFileName;
using qmr::samples::MakeSample;
using qmr::samples::RisingTrend;
using qmr::samples::SampleFile;
using qmr::samples::WriteBytes;
using qmr::samples::WriteTrend;
using qmr::testsupport::Bytes;
using qmr::testsupport::CodeOf;
using qmr::testsupport::EntryTableOf;
using qmr::testsupport::ExpectedHeader;
using qmr::testsupport::FolderState;
using qmr::testsupport::kMasterHeaderSize;
using qmr::testsupport::RecordingEvents;
using qmr::testsupport::Snapshot;

// prefix followed by the decimal digits of n. (Built by appending: GCC 12
// warns falsely about "text" + std::to_string(n) at -O2.)
std::string Numbered(const char* prefix, long long n);

// The i16 at `offset`, little-endian.
std::int16_t I16At(const Bytes& bytes, std::size_t offset);
// Entry `index` of a master (after its header).
Bytes EntryAt(const Bytes& master, std::size_t entrySize, std::size_t index);
bool AllZero(const Bytes& bytes);
// The path an entry's file_path field of `width` bytes stores, up to its
// first NUL.
std::string StoredPath(const Bytes& entry, std::size_t width);

// The master's fields that tell whether it is whole.
struct MasterFacts {
  std::int16_t version = 0;
  std::int16_t fileCount = 0;
  std::size_t entrySize = 0;  // from the format tables; 0 for an unknown version
  std::size_t entries = 0;
};
// Checks that `bytes` is a complete master: header fields, banner shape,
// the maker text of every entry, size = header + entries x entry size.
MasterFacts ExpectCompleteMaster(const Bytes& bytes);

// Runs RebuildTrends on `names` in `folder` with a recording front end of
// its own; an exception that escapes the batch fails the current test.
RecordingEvents RunBatch(const std::string& folder, const std::vector<std::string>& names);

// The promises after a batch over `trends` (names without extension):
// every entry of `before` is unchanged except the trends' NAME.qmr; nothing
// new appeared but those masters; a trend's master is complete when the
// batch went past it, and as before when the batch failed at or before it;
// a failure names a trend of the batch, the one in hand, and describes itself.
void ExpectPromises(const std::string& folder, const std::vector<std::string>& trends, const FolderState& before,
                    const RecordingEvents& outcome);

// One trend of `folder` rebuilt by the batch: the snapshot before, the
// batch, and the promises checked. Returns what the batch reported.
RecordingEvents RebuildChecked(const std::string& folder, const std::string& trend);

// The "unrecognised ..." lines of a run, in order.
std::vector<std::string> UnrecognisedLines(const RecordingEvents& events);

// Each test gets its own folder, a fixed clock and a recording front end;
// all three, and the master write's fault hook, are undone afterwards.
class EngineTest : public ::testing::Test {
 protected:
  void TearDown() override { qmr::SetWriteFaultHook({}); }

  const std::string& folder() const { return folderPath_; }
  std::string PathOf(const std::string& name) const { return folderPath_ + qmr::kPathSeparator + name; }
  std::string DataPath(const std::string& trend, int number) const { return PathOf(DataFileName(trend, number)); }
  // "unrecognised <path>: <reason>", as the recording front end writes it.
  std::string UnrecognisedLine(const std::string& trend, int number, const std::string& reason) const {
    return "unrecognised " + DataPath(trend, number) + ": " + reason;
  }

  // The expected master of `trend` in the test's folder: the header, then
  // the entries of the given file numbers in the given order (-1 for an
  // all-zero entry).
  Bytes ExpectedMaster(const std::string& trend, const std::vector<SampleFile>& files, std::int16_t version,
                       const std::string& name, const std::vector<int>& order) const {
    return qmr::testsupport::ExpectedMaster(folderPath_, trend, files, version, name, order);
  }

  // Rebuilds `trend` from its first data file, and reads the master back.
  qmr::TrendMaster Rebuild(const std::string& trend) { return qmr::RebuildTrend(DataPath(trend, 0), events); }
  Bytes Master(const std::string& trend) const { return ReadWholeFile(PathOf(trend + ".qmr")); }

  // The same trend through the batch, with the promises checked.
  RecordingEvents RebuildChecked(const std::string& trend) const {
    return engine_test::RebuildChecked(folderPath_, trend);
  }

  RecordingEvents events;

 private:
  // In memory where possible: the tests write some 80000 files and flush a
  // few thousand masters. A short name leaves room for the path tests.
  qmr::testsupport::TempFolder folder_{"qmr-", qmr::testsupport::TempFolder::Place::Memory};
  std::string folderPath_ = folder_.path();
  qmr::testsupport::FixedClock clock_;
};

}  // namespace engine_test
