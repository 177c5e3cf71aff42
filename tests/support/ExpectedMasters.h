// The bytes a rebuild must give, assembled straight from the master file
// tables (never through the code under test), for the tests; and the table
// sizes the fuzz targets check masters against. Free of GoogleTest: a
// builder asked for something the tables do not have throws
// std::invalid_argument, which fails the test that asked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "samples/SampleTrends.h"
#include "tests/support/TestFiles.h"

namespace qmr::testsupport {

// The master header: the 128-byte banner, "QUORAX", the version and the
// file count twice.
inline constexpr std::size_t kMasterHeaderSize = 176;

// A run of data header bytes copied into an entry.
struct CopyRun {
  std::size_t from, to, width;
};
// One entry layout: its size, the width of its file_path field (followed
// by the maker text "QUORAX"), and the runs copied from the data header.
struct EntryTable {
  std::size_t size = 0, pathWidth = 0;
  std::vector<CopyRun> copies;
};
// The entry layout of the family a version word chooses; size 0 for a
// version that is no trend.
EntryTable EntryTableOf(std::int16_t version);

// The header of a master written at FixedClockTime() for `count` files.
Bytes ExpectedHeader(std::int16_t version, const std::string& name, std::int16_t count);

// The entry of the data file `file` stored at `path`.
Bytes ExpectedEntry(const samples::SampleFile& file, const std::string& path);

// The all-zero entry of a version's family.
Bytes ZeroEntry(std::int16_t version);

// The master of the trend `trend` in `folder` made of `files`: the header,
// then the entries of the given file numbers in the given order (-1 for an
// all-zero entry).
Bytes ExpectedMaster(const std::string& folder, const std::string& trend, const std::vector<samples::SampleFile>& files,
                     std::int16_t version, const std::string& name, const std::vector<int>& order);

}  // namespace qmr::testsupport
