// Generator of synthetic trend data files, built from the format tables.
// Used by the tests, the benchmarks, the fuzz seeds and the demo folder;
// no trend file from anywhere else is ever used or shipped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qmr::samples {

// One data file of a generated trend.
struct SampleFile {
  std::int16_t version = 6;   // any value; 1..6 give a trend data file
  std::string trendName;      // stored in trend_name, NUL padded (may hold NULs)
  std::int64_t orderKey = 0;  // the order_key integer (i32 families: truncated to 32 bits)
  std::uint32_t fill = 0;     // seed for the values of the other copied fields
  // Cut the file to this many bytes (to make short, damaged files).
  std::optional<std::size_t> truncateTo;
  // Recorded samples after the header (deterministic bytes), so that a file
  // looks like a real data file; the rebuild never reads them.
  std::size_t sampleBytes = 0;
};

// The header bytes of one data file: the whole header of the version's family,
// every copied field filled from `fill`; for an unknown version, 304 bytes
// with the version word at offset 138. A trend name longer than the family's
// trend_name field throws std::invalid_argument.
std::vector<unsigned char> MakeDataFile(const SampleFile& file);

// Where a family keeps its fields, straight from the format tables; lets tests
// read a generated header without the code under test. Offsets are from the
// start of the data file. `size` is 0 for a version that is no trend data file.
struct HeaderLayout {
  std::size_t size = 0;
  std::size_t trendNameOffset = 0, trendNameWidth = 0;
  std::size_t orderKeyOffset = 0, orderKeyWidth = 0;  // width 4 (i32) or 8 (i64)
};
HeaderLayout LayoutOf(std::int16_t version);

// "NAME.000", "NAME.001", ..., "NAME.999", "NAME.1000": the file number in
// at least three digits.
std::string DataFileName(const std::string& name, int number);

// Writes folder/NAME.000, NAME.001, ... (three or more digits), one per file.
// Throws std::runtime_error when a file cannot be written.
void WriteTrend(const std::string& folder, const std::string& name, const std::vector<SampleFile>& files);

// Writes `bytes` to `path`, replacing it. Throws std::runtime_error on failure.
void WriteBytes(const std::string& path, const std::vector<unsigned char>& bytes);

// A file of `version` and `trendName` with the key `orderKey`, its other
// fields filled from `fill`; neither cut nor followed by samples.
SampleFile MakeSample(std::int16_t version, const std::string& trendName, std::int64_t orderKey,
                      std::uint32_t fill = 1);

// `count` files of one version with keys rising with the file number. The
// keys all have the same number of whole-part digits, so their text order is
// their numeric order and a master lists the files from the last to the first.
std::vector<SampleFile> RisingTrend(std::int16_t version, const std::string& trendName, int count);

// A folder of demo trends: every family, a mixed trend, one with an
// unrecognised file, keys of every kind. Returns the NAME.000 file names.
std::vector<std::string> WriteDemoFolder(const std::string& folder);

}  // namespace qmr::samples
