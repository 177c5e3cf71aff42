// What the command line fuzz targets require of everything `qmr` prints,
// whatever names the files have. A broken promise aborts, which libFuzzer
// and the corpus replay both report.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace qmr::fuzz {

void Require(bool condition);

// Nothing in `text` that a terminal would take as a control: only line
// breaks, printable ASCII, UTF-8 characters from U+00A0 on, and stray
// bytes from 0xA0 on (a single-byte letter). Refused: C0 controls (ESC
// among them), DEL, C1 controls as characters (U+0080 to U+009F) and as
// single bytes (0x80 to 0x9F, which an 8-bit terminal obeys).
void RequireTerminalSafe(std::string_view text);

// When `out` is JSON output (its first line opens an object), every line is
// one JSON object with a "type", and the last is the summary whose
// "exit_status" is `status` and whose "trends" (when given) counts the trend
// objects. Returns the objects; none for text output.
std::vector<nlohmann::json> RequireJsonLines(const std::string& out, int status);

// The bytes of a text member: `key` + "_hex" decoded when the text was not
// UTF-8, else the text itself.
std::string TextOf(const nlohmann::json& object, const std::string& key);

}  // namespace qmr::fuzz
