#include "definitions/DataFile.h"

#include <cstring>

#include "tools/FileReading.h"

namespace qmr {

UnrecognisedReason DataFileHeader::reason() const noexcept {
  UnrecognisedReason why;
  why.version = version;
  why.length = length;
  if (!hasVersion) {
    why.kind = UnrecognisedReason::Kind::NoVersionWord;
    why.needed = kCommonHeaderSize;
  } else if (family == Family::None) {
    why.kind = UnrecognisedReason::Kind::UnknownVersion;
  } else {
    why.kind = UnrecognisedReason::Kind::HeaderCut;
    why.needed = DataHeaderSize(family);
  }
  return why;
}

DataFileHeader DecodeDataFileHeader(std::span<const unsigned char> bytes) noexcept {
  DataFileHeader result;
  result.length = bytes.size() < kLongestDataHeader ? bytes.size() : kLongestDataHeader;
  if (bytes.size() < kCommonHeaderSize) return result;

  result.hasVersion = true;
  result.version = static_cast<std::int16_t>(ReadLittleEndian(bytes.data() + kVersionOffset, 2));
  result.family = FamilyOf(result.version);
  VisitFamily(result.family, [&](auto traits) {
    if constexpr (kIsFamily<decltype(traits)>) {
      using Header = typename decltype(traits)::DataHeader;
      if (bytes.size() < sizeof(Header)) return;  // too short: not a trend data file
      Header header;
      std::memcpy(&header, bytes.data(), sizeof(Header));
      result.header = header;
      result.complete = true;
    }
  });
  return result;
}

DataFileHeader ReadDataFileHeader(const std::string& path) {
  unsigned char bytes[kLongestDataHeader];
  const std::size_t count = ReadFileHead(path, bytes);
  return DecodeDataFileHeader(std::span<const unsigned char>(bytes, count));
}

}  // namespace qmr
