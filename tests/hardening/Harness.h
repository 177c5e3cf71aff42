// What every bad-input case checks, whatever the folder holds: the rebuild
// does not crash, no data file changes, NAME.qmr is either a complete master
// or exactly what it was before, nothing else is left behind, and a failure
// names the trend it ended at.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "samples/SampleTrends.h"
#include "tests/support/RecordingEvents.h"
#include "tests/support/TestFiles.h"
#include "tools/FileReading.h"
#include "tools/Errors.h"

namespace hardening {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

using qmr::ReadWholeFile;
using qmr::samples::WriteBytes;
using qmr::testsupport::FolderState;
using qmr::testsupport::Snapshot;
using qmr::testsupport::TempFolder;

// How a batch ended.
struct BatchOutcome {
  qmr::testsupport::RecordingEvents events;
  bool failed = false;
  qmr::ErrorCode code = qmr::ErrorCode::InvalidArgument;
  std::string failedTrend;  // as BatchFailed named it
  std::string description;
};

// Runs RebuildTrends on `names` in `folder`; any exception that escapes it
// fails the current test.
BatchOutcome RunBatch(const fs::path& folder, const std::vector<std::string>& names);

// The master's fields that tell whether it is whole.
struct MasterFacts {
  std::int16_t version = 0;
  std::int16_t fileCount = 0;
  std::size_t entrySize = 0;  // from the format tables; 0 for an unknown version
  std::size_t entries = 0;
};
// Checks (with gtest assertions) that `bytes` is a complete master: header
// fields, banner shape, size = 176 + entries x entry size.
MasterFacts ExpectCompleteMaster(const Bytes& bytes);

// The promises after a batch over `trends` (names without extension):
// every entry of `before` is unchanged except the trends' NAME.qmr; nothing
// new appeared but those masters; a trend's master is complete when the
// batch went past it, and as before when the batch failed at or before it;
// a failure names a trend of the batch and describes itself.
void ExpectPromises(const fs::path& folder, const std::vector<std::string>& trends, const FolderState& before,
                    const BatchOutcome& outcome);

// One trend in a folder, rebuilt once: the snapshot, the outcome, and the
// promises checked.
BatchOutcome RebuildChecked(const fs::path& folder, const std::string& trend);

// The i16 at `offset`, little-endian.
std::int16_t I16At(const Bytes& bytes, std::size_t offset);
// Entry `index` of a master (after its 176-byte header).
Bytes EntryAt(const Bytes& master, std::size_t entrySize, std::size_t index);
bool AllZero(const Bytes& bytes);

}  // namespace hardening
