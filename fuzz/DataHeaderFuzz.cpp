// Feeds arbitrary bytes, as the first bytes of a data file, to the header
// decoder and checks what it says against the format tables: the version
// word at bytes 138-139, the header sizes of the four families, and a header
// that is exactly the file's first bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <variant>

#include "definitions/DataFile.h"
#include "samples/SampleTrends.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

template <typename Header>
void RequireCopyOf(const qmr::DataFileHeader& decoded, const std::uint8_t* data) {
  const Header* header = std::get_if<Header>(&decoded.header);
  Require(header != nullptr);
  Require(std::memcmp(header, data, sizeof(Header)) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const qmr::DataFileHeader decoded = qmr::DecodeDataFileHeader(std::span<const unsigned char>(data, size));

  if (size < 140) {
    Require(!decoded.hasVersion && !decoded.recognised());
    Require(std::holds_alternative<std::monostate>(decoded.header));
    return 0;
  }
  const auto version = static_cast<std::int16_t>(static_cast<std::uint16_t>(data[138] | (data[139] << 8)));
  Require(decoded.hasVersion && decoded.version == version);
  const std::size_t needed = qmr::samples::LayoutOf(version).size;
  Require((decoded.family == qmr::Family::None) == (needed == 0));

  Require(decoded.recognised() == (needed != 0 && size >= needed));
  if (!decoded.recognised()) {
    Require(std::holds_alternative<std::monostate>(decoded.header));
    return 0;
  }
  switch (needed) {
    case 224: RequireCopyOf<qmr::DataHeaderV1to3>(decoded, data); break;
    case 288: RequireCopyOf<qmr::DataHeaderV4>(decoded, data); break;
    case 272: RequireCopyOf<qmr::DataHeaderV5>(decoded, data); break;
    case 304: RequireCopyOf<qmr::DataHeaderV6>(decoded, data); break;
    default: Require(false);
  }
  return 0;
}
