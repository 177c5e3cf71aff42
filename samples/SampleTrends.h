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
  std::int16_t version = 6;     // any value; 1..6 give a trend data file
  std::string trendName;        // stored in trend_name, NUL padded (may hold NULs)
  std::int64_t orderKey = 0;    // the order_key integer (i32 families: truncated to 32 bits)
  std::uint32_t fill = 0;       // seed for the values of the other copied fields
  // Cut the file to this many bytes (to make short, damaged files).
  std::optional<std::size_t> truncateTo;
};

// The header bytes of one data file: the whole header of the version's family,
// every copied field filled from `fill`; for an unknown version, 304 bytes
// with the version word at offset 138.
std::vector<unsigned char> MakeDataFile(const SampleFile& file);

// Writes folder/NAME.000, NAME.001, ... (three or more digits), one per file.
void WriteTrend(const std::string& folder, const std::string& name, const std::vector<SampleFile>& files);

// `count` files of one version with keys rising with the file number.
std::vector<SampleFile> RisingTrend(std::int16_t version, const std::string& trendName, int count);

// A folder of demo trends: every family, a mixed trend, one with an
// unrecognised file, keys of every kind. Returns the NAME.000 file names.
std::vector<std::string> WriteDemoFolder(const std::string& folder);

}  // namespace qmr::samples
