// "Did you mean": the known word a mistyped one most likely was.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qmr::cli {

// The number of single-byte insertions, deletions, substitutions and swaps
// of neighbours that turn `a` into `b` (each part of the text edited once).
std::size_t EditDistance(const std::string& a, const std::string& b);

// The first of `known` closest to `typed`, when it is close: two edits at
// most, and fewer than half of `typed` (a one-letter option is no typing
// error of another).
std::optional<std::string> NearMiss(const std::string& typed, const std::vector<std::string>& known);

}  // namespace qmr::cli
