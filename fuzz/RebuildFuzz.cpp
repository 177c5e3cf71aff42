// A whole rebuild of a trend made from the fuzz input. The input is cut into
// up to eight data files T.000, T.001, ... in a scratch folder, optionally
// beside an old master; the folder is then rebuilt and the promises checked:
// no data file changes, the master is either the composed one (and its size
// and counts agree with the files) or, on failure, the old one byte for byte,
// nothing else is left in the folder, and every file that is no trend data
// file was reported.
//
// Input: byte 0 holds the file count less one (bits 0-2) and whether an old
// master exists (bit 3). Every file but the last is a 2-byte little-endian
// length (modulo 1024) followed by its bytes; the last file takes the rest.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "samples/SampleTrends.h"
#include "tests/support/ExpectedMasters.h"
#include "tests/support/TestFiles.h"
#include "tools/Errors.h"
#include "tools/FileReading.h"
#include "trends/Rebuild.h"

namespace fs = std::filesystem;
using qmr::testsupport::Bytes;

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

class CountingEvents : public qmr::RebuildEvents {
 public:
  int unrecognised = 0;
  void DataFileUnrecognised(const std::string&, const qmr::UnrecognisedReason&) override { ++unrecognised; }
};

std::optional<Bytes> ReadIfThere(const std::string& path) {
  if (!fs::exists(fs::symlink_status(path))) return std::nullopt;
  return qmr::ReadWholeFile(path);
}

std::int16_t I16At(const Bytes& bytes, std::size_t offset) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8)));
}

// What the format tables say: a version word of 1 to 6 at bytes 138-139 and
// the whole header of its family.
bool IsTrendDataFile(const Bytes& file) {
  if (file.size() < 140) return false;
  const std::size_t needed = qmr::samples::LayoutOf(I16At(file, 138)).size;
  return needed != 0 && file.size() >= needed;
}

enum class NameCheck { Fits, TooLong, Unsettled };

// Whether the trend name of the last file fits the master's banner. A file
// too short for its header has no name of its own; whether the rebuild then
// falls back to an earlier header of its family is the engine's business.
NameCheck NameOfLastFile(const Bytes& file) {
  if (file.size() < 140) return NameCheck::Fits;
  const qmr::samples::HeaderLayout layout = qmr::samples::LayoutOf(I16At(file, 138));
  if (layout.size == 0) return NameCheck::Fits;
  if (!IsTrendDataFile(file)) return NameCheck::Unsettled;
  std::size_t length = 0;
  while (length < layout.trendNameWidth && file[layout.trendNameOffset + length] != 0) ++length;
  return length >= 66 ? NameCheck::TooLong : NameCheck::Fits;
}

std::vector<Bytes> SplitInput(const std::uint8_t* data, std::size_t size, bool& oldMaster) {
  std::vector<Bytes> files;
  if (size == 0) return files;
  const std::size_t count = 1 + (data[0] & 7u);
  oldMaster = (data[0] & 8u) != 0;
  std::size_t at = 1;
  for (std::size_t i = 0; i + 1 < count; ++i) {
    std::size_t length = 0;
    if (at + 2 <= size) {
      length = (data[at] | (data[at + 1] << 8)) % 1024u;
      at += 2;
    } else {
      at = size;
    }
    if (length > size - at) length = size - at;
    files.emplace_back(data + at, data + at + length);
    at += length;
  }
  files.emplace_back(data + at, data + size);
  return files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // One folder per process, on a memory file system where there is one, so
  // that the master's flush to disk costs nothing.
  using qmr::testsupport::TempFolder;
  static const TempFolder folder("qmr-rebuild-fuzz-", TempFolder::Place::Memory);
  static const qmr::testsupport::FixedClock clock;

  bool hasOldMaster = false;
  const std::vector<Bytes> files = SplitInput(data, size, hasOldMaster);
  if (files.empty()) return 0;

  folder.Empty();
  for (std::size_t i = 0; i < files.size(); ++i)
    folder.write(qmr::samples::DataFileName("T", static_cast<int>(i)), files[i]);
  const std::string masterPath = folder / "T.qmr";
  const Bytes oldMaster(700, 0xAB);
  if (hasOldMaster) folder.write("T.qmr", oldMaster);

  std::size_t unrecognised = 0;
  for (const Bytes& file : files)
    if (!IsTrendDataFile(file)) ++unrecognised;

  const std::string firstPath = folder / "T.000";
  CountingEvents events;
  std::optional<qmr::TrendMaster> composed;
  bool failed = false;
  qmr::ErrorCode failureCode = qmr::ErrorCode::InvalidArgument;
  try {
    composed = qmr::ComposeTrendMaster(firstPath, events);
    Require(events.unrecognised == static_cast<int>(unrecognised));
    const qmr::TrendMaster written = qmr::RebuildTrend(firstPath, events);
    Require(written.bytes == composed->bytes);
  } catch (const qmr::Error& error) {
    failed = true;
    failureCode = error.code();
  }

  for (std::size_t i = 0; i < files.size(); ++i)
    Require(ReadIfThere(folder / qmr::samples::DataFileName("T", static_cast<int>(i))) == files[i]);
  std::size_t entries = 0;
  for (const auto& entry : fs::directory_iterator(folder.fsPath())) {
    (void)entry;
    ++entries;
  }
  const std::optional<Bytes> master = ReadIfThere(masterPath);

  // The banner holds 63 fixed characters with a one-digit version, so a
  // trend name of 66 characters or more cannot be written; nothing else in
  // these files may stop the rebuild.
  const NameCheck name = NameOfLastFile(files.back());
  if (name == NameCheck::TooLong) Require(failed);
  if (name == NameCheck::Fits) Require(!failed);

  if (failed) {
    Require(!composed.has_value());
    Require(failureCode == qmr::ErrorCode::InvalidArgument);
    if (hasOldMaster)
      Require(master == oldMaster);
    else
      Require(!master.has_value());
    Require(entries == files.size() + (hasOldMaster ? 1 : 0));
    return 0;
  }

  Require(master.has_value() && *master == composed->bytes);
  Require(entries == files.size() + 1);
  Require(composed->fileCount == static_cast<std::int16_t>(files.size()));
  Require(master->size() >= 176);
  Require(I16At(*master, 138) == composed->version);
  Require(I16At(*master, 148) == composed->fileCount && I16At(*master, 150) == composed->fileCount);
  const std::size_t entrySize = qmr::testsupport::EntryTableOf(composed->version).size;
  Require(composed->entryCount == (entrySize == 0 ? 0 : files.size()));
  Require(master->size() == 176 + composed->entryCount * entrySize);
  // When the last file was a trend data file, the master's version is its.
  if (IsTrendDataFile(files.back())) Require(composed->version == I16At(files.back(), 138));
  return 0;
}
