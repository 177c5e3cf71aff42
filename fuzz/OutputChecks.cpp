#include "fuzz/OutputChecks.h"

#include <cstdlib>

namespace qmr::fuzz {

namespace {

bool Between(unsigned char byte, unsigned char low, unsigned char high) { return byte >= low && byte <= high; }

// The length of the well-formed UTF-8 sequence at text[at] (RFC 3629's
// table: no overlong forms, no surrogates, nothing past U+10FFFF), or 0.
std::size_t SequenceAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (Between(lead, 0xC2, 0xDF)) {
    length = 2;
  } else if (Between(lead, 0xE0, 0xEF)) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (Between(lead, 0xF0, 0xF4)) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size() || !Between(byte(1), low, high)) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (!Between(byte(i), 0x80, 0xBF)) return 0;
  return length;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  Require(false);  // lowercase hex digits only
  return 0;
}

}  // namespace

void Require(bool condition) {
  if (!condition) std::abort();
}

void RequireTerminalSafe(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) {
      Require(byte == '\n' || (byte >= 0x20 && byte != 0x7F));
      ++at;
      continue;
    }
    const std::size_t length = SequenceAt(text, at);
    if (length == 0) {
      Require(byte >= 0xA0);
      ++at;
      continue;
    }
    // U+0080 to U+009F are the only characters of two bytes led by 0xC2
    // below 0xA0.
    Require(!(byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0));
    at += length;
  }
}

std::vector<nlohmann::json> RequireJsonLines(const std::string& out, int status) {
  std::vector<nlohmann::json> objects;
  if (out.empty() || out.front() != '{') return objects;
  Require(out.back() == '\n');
  std::size_t start = 0;
  while (start < out.size()) {
    const std::size_t end = out.find('\n', start);
    const std::string line = out.substr(start, end - start);
    start = end + 1;
    const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
    Require(!object.is_discarded() && object.is_object());
    Require(object.contains("type") && object["type"].is_string());
    objects.push_back(object);
  }
  const nlohmann::json& summary = objects.back();
  Require(summary["type"] == "summary");
  Require(summary.contains("exit_status") && summary["exit_status"] == status);
  if (summary.contains("trends")) {
    std::size_t trends = 0;
    for (const nlohmann::json& object : objects) trends += object["type"] == "trend" ? 1 : 0;
    Require(summary["trends"] == trends);
  }
  return objects;
}

std::string TextOf(const nlohmann::json& object, const std::string& key) {
  const auto hex = object.find(key + "_hex");
  if (hex == object.end()) return object.at(key).get<std::string>();
  const std::string digits = hex->get<std::string>();
  Require(digits.size() % 2 == 0);
  std::string bytes;
  for (std::size_t i = 0; i < digits.size(); i += 2)
    bytes += static_cast<char>(HexDigit(digits[i]) * 16 + HexDigit(digits[i + 1]));
  return bytes;
}

}  // namespace qmr::fuzz
