// JSON for the command line tool's --json output, one object per line.
//
// Names and paths are bytes. A text that is valid UTF-8 is written as it is;
// one that is not is written with U+FFFD in place of each byte that is not
// UTF-8, and the exact bytes follow in a second member named like the first
// with "_hex" appended, as lowercase hex digits, so that nothing is lost.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace qmr::cli {

// Members keep the order in which they are set.
using Json = nlohmann::ordered_json;

// object[key] = bytes, and object[key + "_hex"] when they are not UTF-8.
void PutText(Json& object, const std::string& key, const std::string& bytes);

// The object as one line of text, ending in a line break.
std::string JsonLine(const Json& object);

}  // namespace qmr::cli
