#include "tools/Sort.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
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

// ---------------------------------------------------------------- Cell

Cell Cell::Int16(std::int16_t value) { return Cell(Value(std::in_place_index<1>, value)); }
Cell Cell::Int32(std::int32_t value) { return Cell(Value(std::in_place_index<2>, value)); }
Cell Cell::Money(std::int64_t ticks) { return Cell(Value(std::in_place_index<3>, Currency{ticks})); }
Cell Cell::Text(std::string value) { return Cell(Value(std::in_place_index<4>, std::move(value))); }

Cell::Kind Cell::kind() const noexcept {
  switch (value_.index()) {
    case 1: return Kind::Int16;
    case 2: return Kind::Int32;
    case 3: return Kind::Currency;
    case 4: return Kind::Text;
    default: return Kind::Null;
  }
}

std::string Cell::ToText() const {
  switch (value_.index()) {
    case 1: return std::to_string(std::get<1>(value_));
    case 2: return std::to_string(std::get<2>(value_));
    case 3: return CurrencyText(std::get<3>(value_).ticks);
    case 4: return std::get<4>(value_);
    default: throw Error(ErrorCode::TypeMismatch);
  }
}

namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// A decimal integer: an optional sign and at least one digit, nothing else.
std::int32_t ParseInt32(const std::string& text) {
  std::size_t position = 0;
  bool negative = false;
  if (position < text.size() && (text[position] == '-' || text[position] == '+')) {
    negative = text[position] == '-';
    ++position;
  }
  if (position == text.size()) throw Error(ErrorCode::TypeMismatch);
  // Accumulate up to one past the range so that long digit runs cannot wrap.
  const std::int64_t limit = kInt32Max + 1;
  std::int64_t magnitude = 0;
  bool tooLarge = false;
  for (; position < text.size(); ++position) {
    const char c = text[position];
    if (c < '0' || c > '9') throw Error(ErrorCode::TypeMismatch);
    if (!tooLarge) {
      magnitude = magnitude * 10 + (c - '0');
      if (magnitude > limit) tooLarge = true;
    }
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  if (tooLarge || value < kInt32Min || value > kInt32Max) throw Error(ErrorCode::Overflow);
  return static_cast<std::int32_t>(value);
}

// A currency value rounded to whole units, halves to the even neighbour
// (the usual rule for this fixed-point type).
std::int32_t CurrencyToInt32(std::int64_t ticks) {
  std::int64_t whole = ticks / 10000;
  const std::int64_t rest = ticks % 10000;  // same sign as ticks
  if (rest > 5000 || (rest == 5000 && whole % 2 != 0)) ++whole;
  if (rest < -5000 || (rest == -5000 && whole % 2 != 0)) --whole;
  if (whole < kInt32Min || whole > kInt32Max) throw Error(ErrorCode::Overflow);
  return static_cast<std::int32_t>(whole);
}

}  // namespace

std::int32_t Cell::ToInt32() const {
  switch (value_.index()) {
    case 1: return std::get<1>(value_);
    case 2: return std::get<2>(value_);
    case 3: return CurrencyToInt32(std::get<3>(value_).ticks);
    case 4: return ParseInt32(std::get<4>(value_));
    default: throw Error(ErrorCode::TypeMismatch);
  }
}

// ---------------------------------------------------------------- KeyTable

namespace {

// Number of indices from lower to upper inclusive. An empty range (upper one
// below lower) is allowed so that a caller with nothing to sort needs no
// special case; anything further below is a caller error.
std::size_t Extent(int lower, int upper) {
  const std::int64_t count = static_cast<std::int64_t>(upper) - lower + 1;
  if (count < 0) throw Error(ErrorCode::SubscriptOutOfRange);
  return static_cast<std::size_t>(count);
}

}  // namespace

KeyTable::KeyTable(int rowLower, int rowUpper, int columnLower, int columnUpper)
    : rowLower_(rowLower), rowUpper_(rowUpper), columnLower_(columnLower), columnUpper_(columnUpper) {
  const std::size_t rows = Extent(rowLower, rowUpper);
  const std::size_t columns = Extent(columnLower, columnUpper);
  if (columns != 0 && rows > std::numeric_limits<std::size_t>::max() / columns) {
    throw Error(ErrorCode::SubscriptOutOfRange);
  }
  cells_.resize(rows * columns);
}

Cell& KeyTable::at(int row, int column) {
  return const_cast<Cell&>(static_cast<const KeyTable&>(*this).at(row, column));
}

const Cell& KeyTable::at(int row, int column) const {
  if (row < rowLower_ || row > rowUpper_ || column < columnLower_ || column > columnUpper_) {
    throw Error(ErrorCode::SubscriptOutOfRange);
  }
  const std::size_t columns = Extent(columnLower_, columnUpper_);
  const auto r = static_cast<std::size_t>(static_cast<std::int64_t>(row) - rowLower_);
  const auto c = static_cast<std::size_t>(static_cast<std::int64_t>(column) - columnLower_);
  return cells_[r * columns + c];
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

void SortKeyTable(KeyTable& table, std::int32_t order) {
  if (order != -1 && order != 1) throw Error(ErrorCode::InvalidArgument);
  const int lo = table.rowLower();
  const int hi = table.rowUpper();
  const int key = table.columnLower();
  if (hi <= lo) return;  // zero or one row: nothing is read or moved
  // The companion is the column after the key; past the largest index there
  // is none, which is the same out-of-range access as a missing column.
  auto companionAt = [&table, key](int row) -> Cell& {
    if (key == std::numeric_limits<int>::max()) throw Error(ErrorCode::SubscriptOutOfRange);
    return table.at(row, key + 1);
  };

  // Take the text forms first, in the order a row-by-row insertion would
  // first need each one, so that a bad table fails with the same error:
  // row lo+1's key, its companion, then row lo's key (its first comparison),
  // then key and companion of each further row. Row lo's companion is never
  // converted. The table is left untouched when this throws.
  const std::size_t rows = static_cast<std::size_t>(static_cast<std::int64_t>(hi) - lo + 1);
  std::vector<std::string> keys(rows);
  std::vector<std::string> companions(rows);
  for (std::size_t i = 1; i < rows; ++i) {
    const int row = lo + static_cast<int>(i);
    keys[i] = table.at(row, key).ToText();
    companions[i] = companionAt(row).ToText();
    if (i == 1) keys[0] = table.at(lo, key).ToText();
  }

  const std::vector<std::size_t> permutation = KeyOrder(keys, order);

  // Row lo is only ever shifted, never re-stored from text, so its cells keep
  // their kind; every other row ends as two text cells.
  const Cell firstKey = table.at(lo, key);
  const Cell firstCompanion = companionAt(lo);
  for (std::size_t position = 0; position < rows; ++position) {
    const std::size_t from = permutation[position];
    const int row = lo + static_cast<int>(position);
    if (from == 0) {
      table.at(row, key) = firstKey;
      companionAt(row) = firstCompanion;
    } else {
      table.at(row, key) = Cell::Text(std::move(keys[from]));
      companionAt(row) = Cell::Text(std::move(companions[from]));
    }
  }
}

}  // namespace qmr
