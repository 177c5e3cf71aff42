// Reading the header of one trend data file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "definitions/Definitions.h"
#include "definitions/Families.h"

namespace qmr {

// Longest header of any family: the most a reader ever needs from a file.
inline constexpr std::size_t kLongestDataHeader = sizeof(DataHeaderV6);

// Why a file is not a trend data file.
struct UnrecognisedReason {
  enum class Kind {
    NoVersionWord,   // shorter than the 140 bytes that hold the version word
    UnknownVersion,  // a version word that names no family
    HeaderCut,       // a known version, but the file ends inside its header
  };
  Kind kind = Kind::NoVersionWord;
  std::int16_t version = 0;  // UnknownVersion, HeaderCut
  std::size_t length = 0;    // the bytes the file holds (NoVersionWord, HeaderCut)
  std::size_t needed = 0;    // the bytes it would need: 140, or its header's size
};

struct DataFileHeader {
  // The bytes read from the start of the file (at most kLongestDataHeader).
  std::size_t length = 0;
  // Bytes 138 and 139 were present, so `version` was read.
  bool hasVersion = false;
  std::int16_t version = 0;
  // The family `version` chooses (None for an unknown version or no version).
  Family family = Family::None;
  // The whole header of the family was present and is in `header`. A file
  // that is too short for its header is not a trend data file.
  bool complete = false;
  std::variant<std::monostate, DataHeaderV1to3, DataHeaderV4, DataHeaderV5, DataHeaderV6> header;

  // True when the file is a trend data file whose header was read.
  bool recognised() const noexcept { return complete; }
  // Why it is not one (only meaningful when recognised() is false).
  UnrecognisedReason reason() const noexcept;
};

// Decodes the first bytes of a data file (at most kLongestDataHeader are
// looked at). Never fails: a short or unknown file gives recognised() false.
DataFileHeader DecodeDataFileHeader(std::span<const unsigned char> bytes) noexcept;

// Opens `path`, reads at most kLongestDataHeader bytes from offset 0, closes
// it on every path and decodes them. Throws qmr::Error when the file cannot
// be opened or read.
DataFileHeader ReadDataFileHeader(const std::string& path);

}  // namespace qmr
