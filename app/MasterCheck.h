// Comparing an existing master file with the one a rebuild would write,
// field by field, without writing anything.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "trends/Banner.h"
#include "trends/Rebuild.h"

namespace qmr::cli {

// Names the byte at `offset` of a master laid out like `master` (its version
// chooses the entry layout): "field file_count (byte 148)",
// "entry 3 field order_key (byte 1564)".
std::string DescribeMasterOffset(std::span<const unsigned char> master, std::size_t offset);

enum class CheckStatus { Ok, Missing, Differs };

struct CheckResult {
  CheckStatus status = CheckStatus::Ok;
  std::string masterPath;
  // For Differs: the first difference, as DescribeMasterOffset names it, or
  // the two lengths when every common byte is equal.
  std::string difference;
};

// Compares `actual` with `expected` byte for byte, except the bytes of the
// date in `expected`'s banner, which are skipped in both.
CheckResult CompareMasters(std::span<const unsigned char> expected, std::span<const unsigned char> actual);

// Composes the master of the trend whose first data file is `firstFilePath`
// (unrecognised files are told to `events` as in a rebuild) and compares it
// with the NAME.qmr on disk. Throws qmr::Error when the trend cannot be read
// or the existing master cannot be read.
CheckResult CheckTrendMaster(const std::string& firstFilePath, RebuildEvents& events);

}  // namespace qmr::cli
