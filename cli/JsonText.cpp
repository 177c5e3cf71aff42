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

std::string JsonLine(const Json& object) { return object.dump(-1, ' ', false, Json::error_handler_t::replace) + "\n"; }

}  // namespace qmr::cli
