// The key column sort: orders the rows of a two-column table of variant cells
// by the text form of the first column, stably, descending or ascending.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace qmr {

// A fixed-point value counting ten-thousandths (the integer 2500 is 0.25).
struct Currency {
  std::int64_t ticks = 0;
  friend bool operator==(const Currency&, const Currency&) = default;
};

// Text form of a currency value: whole part, then "." and the significant
// fraction digits (none when the fraction is zero). The separator is always
// "." so that a rebuild never depends on the user's locale.
std::string CurrencyText(std::int64_t ticks);

// A tagged value: null, 16-bit or 32-bit integer, currency, or text.
class Cell {
 public:
  enum class Kind { Null, Int16, Int32, Currency, Text };

  Cell() = default;  // null
  static Cell Int16(std::int16_t value);
  static Cell Int32(std::int32_t value);
  static Cell Money(std::int64_t ticks);
  static Cell Text(std::string value);

  Kind kind() const noexcept;
  // Text form: text is itself, integers in decimal, currency by CurrencyText.
  // A null cell has none: throws Error(TypeMismatch).
  std::string ToText() const;
  // The cell as a 32-bit integer (text is parsed as a decimal integer).
  // Throws Error(TypeMismatch) for null or non-numeric text, Error(Overflow)
  // for a value outside 32 bits.
  std::int32_t ToInt32() const;

  friend bool operator==(const Cell&, const Cell&) = default;

 private:
  using Value = std::variant<std::monostate, std::int16_t, std::int32_t, Currency, std::string>;
  explicit Cell(Value value) : value_(std::move(value)) {}
  Value value_;
};

// A table of cells addressed (row, column), each dimension with its own
// inclusive bounds.
class KeyTable {
 public:
  KeyTable(int rowLower, int rowUpper, int columnLower, int columnUpper);

  int rowLower() const noexcept { return rowLower_; }
  int rowUpper() const noexcept { return rowUpper_; }
  int columnLower() const noexcept { return columnLower_; }
  int columnUpper() const noexcept { return columnUpper_; }

  // Throws Error(SubscriptOutOfRange) outside the bounds.
  Cell& at(int row, int column);
  const Cell& at(int row, int column) const;

 private:
  int rowLower_, rowUpper_, columnLower_, columnUpper_;
  std::vector<Cell> cells_;
};

// The order in which the key column sort leaves rows whose key texts are
// `keys` (position p receives the row that held keys[result[p]]): ordinal
// text order, descending for `order` -1 and ascending for 1, equal keys in
// their order. For callers that need only the order, not the table.
std::vector<std::size_t> KeyOrder(const std::vector<std::string>& keys, std::int32_t order);

// Reorders the rows of `table` in place by the ordinal text of the key column
// (the first column), carrying the companion column (the next one) with it.
// `order` -1 gives descending, 1 ascending order; equal keys keep their order.
// The result is exactly that of a straight insertion sort: every row except
// the one that started first ends with both cells as text; other columns are
// untouched. Errors: SubscriptOutOfRange when the table lacks the companion
// column, TypeMismatch for a null key cell, InvalidArgument for an order
// other than -1 and 1.
void SortKeyTable(KeyTable& table, std::int32_t order);

}  // namespace qmr
