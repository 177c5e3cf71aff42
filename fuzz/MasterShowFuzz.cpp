// Feeds arbitrary bytes to the `qmr show` decoders, as a master file and as
// a data file, and checks that what they print is safe for a terminal: only
// printable ASCII and line breaks, whatever bytes the file holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <sstream>
#include <string>

#include "cli/MasterShow.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

void RequirePrintable(const std::string& text) {
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    Require(byte == '\n' || (byte >= 0x20 && byte < 0x7F));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const unsigned char> bytes(data, size);
  {
    std::ostringstream out, err;
    const int result = qmr::cli::ShowMaster("fuzz.qmr", bytes, out, err);
    Require(result == 0 || result == 1);
    // A master cannot be whole without its 176-byte header.
    if (size < 176) Require(result == 1);
    RequirePrintable(out.str());
    RequirePrintable(err.str());
  }
  {
    std::ostringstream out, err;
    const int result = qmr::cli::ShowDataHeader("fuzz.000", bytes, out, err);
    Require(result == 0 || result == 1);
    if (size < 224) Require(result == 1);  // shorter than the shortest header
    RequirePrintable(out.str());
    RequirePrintable(err.str());
  }
  (void)qmr::cli::LooksLikeMaster("fuzz.bin", bytes);
  return 0;
}
