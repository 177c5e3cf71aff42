// The order of a master's entries: by the text form of their order keys,
// stably, descending or ascending.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmr {

// Text form of a currency value (a fixed-point count of ten-thousandths): whole part, then "." and the significant
// fraction digits (none when the fraction is zero). The separator is always
// "." so that a rebuild never depends on the user's locale.
std::string CurrencyText(std::int64_t ticks);

// The order of rows whose key texts are `keys` (position p receives the row
// that held keys[result[p]]): ordinal text order, descending for `order` -1
// and ascending for 1, equal keys in their order, as a straight insertion
// sort leaves them. Throws Error(InvalidArgument) for any other order.
std::vector<std::size_t> KeyOrder(const std::vector<std::string>& keys, std::int32_t order);

}  // namespace qmr
