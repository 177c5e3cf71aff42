#include "cli/JsonText.h"

#include <cstdio>

namespace qmr::cli {

namespace {

bool IsUtf8(const std::string& bytes) {
  try {
    (void)Json(bytes).dump();
    return true;
  } catch (const Json::type_error&) {
    return false;
  }
}

std::string Hex(const std::string& bytes) {
  std::string hex;
  hex.reserve(bytes.size() * 2);
  char pair[3];
  for (const char byte : bytes) {
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(byte));
    hex += pair;
  }
  return hex;
}

}  // namespace

void PutText(Json& object, const std::string& key, const std::string& bytes) {
  object[key] = bytes;
  if (!IsUtf8(bytes)) object[key + "_hex"] = Hex(bytes);
}

std::string JsonLine(const Json& object) {
  // JSON escapes the C0 controls but lets DEL and the C1 controls (U+0080 to
  // U+009F) through, which a terminal showing the output would obey. The
  // dump is well-formed UTF-8 (bytes that are not are replaced), so 0xC2 is
  // always the lead of a character, and these only occur inside strings.
  const std::string dumped = object.dump(-1, ' ', false, Json::error_handler_t::replace);
  std::string line;
  line.reserve(dumped.size() + 1);
  char escaped[7];
  for (std::size_t at = 0; at < dumped.size(); ++at) {
    const auto byte = static_cast<unsigned char>(dumped[at]);
    if (byte == 0x7F) {
      line += "\\u007f";
    } else if (byte == 0xC2 && at + 1 < dumped.size() && static_cast<unsigned char>(dumped[at + 1]) < 0xA0) {
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(dumped[++at]));
      line += escaped;
    } else {
      line += dumped[at];
    }
  }
  return line + "\n";
}

}  // namespace qmr::cli
