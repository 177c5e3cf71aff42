// Builders that fill the master file's records from computed values and
// from the data file headers.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

#include "definitions/Definitions.h"

namespace qmr {

// `text` followed by NUL characters up to `length` bytes. A text longer than
// `length` throws Error(InvalidArgument); nothing is ever cut.
std::string PadWithNul(const std::string& text, std::size_t length);

// The characters before the first NUL, or the whole text when it has none.
std::string CutAtNul(const std::string& text);

// "ddd mmm dd Hh:Nn:Ss yyyy" with fixed three-letter English names,
// for example "Tue Mar 06 09:05:03 2007".
std::string FormatBannerTime(const std::tm& time);

// The banner text of a master (without its NUL padding).
std::string ComposeBanner(std::int16_t version, const std::string& trendName, const std::tm& time);

// The local date and time the banner shows. Tests replace the source to fix
// the clock; an empty function restores the system clock. Returns the
// previous source.
using LocalTimeSource = std::function<std::tm()>;
LocalTimeSource SetLocalTimeSource(LocalTimeSource source);
std::tm CurrentLocalTime();

// Fills `header` (expected all bytes 0) for a master of `version` naming
// `trendName` (cut at its first NUL) with `count` data files. Reads the
// clock once. Throws Error(InvalidArgument) when the banner exceeds 128 bytes.
void BuildMasterHeader(MasterHeader& header, std::int16_t version, const std::string& trendName,
                       std::int16_t count);

// Fill the entry of a data file of each family (the entry expected all
// bytes 0). Throws Error(InvalidArgument) when `path` exceeds file_path.
void BuildEntryV1to3(const DataHeaderV1to3& data, MasterEntryV1to3& entry, const std::string& path);
void BuildEntryV4(const DataHeaderV4& data, MasterEntryV4& entry, const std::string& path);
void BuildEntryV5(const DataHeaderV5& data, MasterEntryV5& entry, const std::string& path);
void BuildEntryV6(const DataHeaderV6& data, MasterEntryV6& entry, const std::string& path);

}  // namespace qmr
