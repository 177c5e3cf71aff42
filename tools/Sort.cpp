#include "tools/Sort.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <numeric>
#include <string_view>

#include "tools/Errors.h"

namespace qmr {

// ---------------------------------------------------------------- Currency

std::string CurrencyText(std::int64_t ticks) {
  // Work on the magnitude as unsigned so that the most negative value has one.
  const bool negative = ticks < 0;
  const std::uint64_t magnitude =
      negative ? std::uint64_t{0} - static_cast<std::uint64_t>(ticks) : static_cast<std::uint64_t>(ticks);
  // At most a sign, 15 whole digits, a separator and 4 fraction digits.
  char text[32];
  char* end = text;
  if (negative) *end++ = '-';
  end = std::to_chars(end, text + sizeof text, magnitude / 10000).ptr;
  std::uint64_t fraction = magnitude % 10000;
  if (fraction != 0) {
    // Four digits with leading zeros, then the trailing zeros dropped.
    *end++ = '.';
    for (int position = 3; position >= 0; --position) {
      end[position] = static_cast<char>('0' + fraction % 10);
      fraction /= 10;
    }
    end += 4;
    while (end[-1] == '0') --end;
  }
  return std::string(text, end);
}

// ---------------------------------------------------------------- Sort

namespace {

// Ordinal comparison: byte by byte as unsigned character codes, the shorter
// text first when it is the beginning of the other. Returns -1, 0 or 1.
int OrdinalCompare(const std::string& a, const std::string& b) {
  const std::size_t common = std::min(a.size(), b.size());
  const int byBytes = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);  // memcmp is unsigned
  if (byBytes != 0) return byBytes < 0 ? -1 : 1;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

// The order that a backward insertion sort leaves, computed in O(n log n).
// Row i walks back over every placed row it may pass and stops right behind
// the first one it may not: an equal key (so ties keep their order), or a key
// whose comparison result equals `order`. For -1 the rows end descending,
// for 1 ascending.
std::vector<std::size_t> KeyOrder(const std::vector<std::string>& keys, std::int32_t order) {
  if (order != -1 && order != 1) throw Error(ErrorCode::InvalidArgument);
  std::vector<std::size_t> permutation(keys.size());
  std::iota(permutation.begin(), permutation.end(), std::size_t{0});
  std::stable_sort(permutation.begin(), permutation.end(),
                   [&](std::size_t a, std::size_t b) { return OrdinalCompare(keys[a], keys[b]) == -order; });
  return permutation;
}

}  // namespace qmr
