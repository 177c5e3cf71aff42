// Comparing an existing master file with the one a rebuild would write,
// field by field, without writing anything.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

#include "trends/Rebuild.h"
#include "trends/Services.h"

namespace qmr::cli {

struct ByteRange {
  std::size_t offset = 0;
  std::size_t length = 0;
};

// Where the date and time of writing stand in a master's banner. They are
// located from the banner's structure: "QUORAX", "VERSION n" and
// "TREND MASTER" lines, the trend name line, then the 24-character date
// followed by LF, CR LF, character 26 and the NUL padding. Counting back from
// the end of the text keeps a name that itself holds line breaks from
// misplacing the date. nullopt when the bytes do not have that structure.
std::optional<ByteRange> BannerDateRange(std::span<const unsigned char> master);

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
// (unrecognised files are reported through `services` as in a rebuild) and
// compares it with the NAME.qmr on disk. Throws qmr::Error when the trend
// cannot be read or the existing master cannot be read.
CheckResult CheckTrendMaster(const std::string& firstFilePath, Services& services,
                             const RebuildOptions& options = {});

}  // namespace qmr::cli
