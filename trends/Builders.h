// Builders that fill the master file's records from computed values and
// from the data file headers.
#pragma once

#include <cstdint>
#include <string>

#include "definitions/Definitions.h"
#include "trends/Banner.h"

namespace qmr {

// `text` followed by NUL characters up to `length` bytes. A text longer than
// `length` throws Error(InvalidArgument); nothing is ever cut.
std::string PadWithNul(const std::string& text, std::size_t length);

// The characters before the first NUL, or the whole text when it has none.
std::string CutAtNul(const std::string& text);

// Fills `header` (expected all bytes 0) for a master of `version` naming
// `trendName` (cut at its first NUL) with `count` data files. Reads the
// clock once. Throws Error(InvalidArgument) when the banner exceeds 128 bytes.
void BuildMasterHeader(MasterHeader& header, std::int16_t version, const std::string& trendName, std::int16_t count);

// Fill the entry of a data file of each family (the entry expected all
// bytes 0). Throws Error(InvalidArgument) when `path` exceeds file_path.
void BuildEntryV1to3(const DataHeaderV1to3& data, MasterEntryV1to3& entry, const std::string& path);
void BuildEntryV4(const DataHeaderV4& data, MasterEntryV4& entry, const std::string& path);
void BuildEntryV5(const DataHeaderV5& data, MasterEntryV5& entry, const std::string& path);
void BuildEntryV6(const DataHeaderV6& data, MasterEntryV6& entry, const std::string& path);

// The builder of a family chosen by its record types, for code written once
// over the families.
inline void BuildEntry(const DataHeaderV1to3& data, MasterEntryV1to3& entry, const std::string& path) {
  BuildEntryV1to3(data, entry, path);
}
inline void BuildEntry(const DataHeaderV4& data, MasterEntryV4& entry, const std::string& path) {
  BuildEntryV4(data, entry, path);
}
inline void BuildEntry(const DataHeaderV5& data, MasterEntryV5& entry, const std::string& path) {
  BuildEntryV5(data, entry, path);
}
inline void BuildEntry(const DataHeaderV6& data, MasterEntryV6& entry, const std::string& path) {
  BuildEntryV6(data, entry, path);
}

}  // namespace qmr
