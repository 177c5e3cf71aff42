// SortKeyTable against a literal straight insertion sort on many random
// tables: same order, same cell kinds, same untouched columns, same errors.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "tools/Errors.h"
#include "tools/Sort.h"

namespace qmr {
namespace {

// Character code by character code; the shorter text first on a common start.
int OrdinalByCharacter(const std::string& a, const std::string& b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// The straight insertion sort, step by step: a scratch row of two texts, rows
// shifted one position at a time, the placed row stored back as text.
void InsertionSort(KeyTable& table, std::int32_t order) {
  const int lo = table.rowLower();
  const int hi = table.rowUpper();
  const int k = table.columnLower();
  std::string scratchKey;
  std::string scratchCompanion;
  for (int i = lo + 1; i <= hi; ++i) {
    scratchKey = table.at(i, k).ToText();
    scratchCompanion = table.at(i, k + 1).ToText();
    int j = i - 1;
    while (j >= lo) {
      const int r = OrdinalByCharacter(scratchKey, table.at(j, k).ToText());
      if (r == order || r == 0) break;
      table.at(j + 1, k) = table.at(j, k);
      table.at(j + 1, k + 1) = table.at(j, k + 1);
      --j;
    }
    table.at(j + 1, k) = Cell::Text(scratchKey);
    table.at(j + 1, k + 1) = Cell::Text(scratchCompanion);
  }
}

class RandomTables {
 public:
  explicit RandomTables(std::uint32_t seed) : random_(seed) {}

  int Between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  // Small pools so that equal texts (also across kinds) are frequent.
  Cell AnyCell(int nullPercent) {
    if (Between(1, 100) <= nullPercent) return Cell();
    static const std::vector<std::string> texts = {"",   "0",    "1",    "10",   "9",     "-1",  "-",    "a", "A",
                                                   "ab", "\x7f", "\x80", "\xff", "\xe4x", "1.5", "0.25", " "};
    static const std::vector<std::int64_t> ticks = {0,
                                                    1,
                                                    7,
                                                    -7,
                                                    2500,
                                                    -2500,
                                                    10000,
                                                    15000,
                                                    100000,
                                                    -25000,
                                                    std::numeric_limits<std::int64_t>::min(),
                                                    std::numeric_limits<std::int64_t>::max()};
    static const std::vector<std::int32_t> bigs = {std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::int32_t>::max(), 100000, -99};
    switch (Between(0, 4)) {
      case 0: return Cell::Int16(static_cast<std::int16_t>(Between(-12, 12)));
      case 1: return Cell::Int32(Between(0, 3) == 0 ? bigs[Pick(bigs.size())] : Between(-120, 120));
      case 2: return Cell::Money(Between(0, 1) == 0 ? ticks[Pick(ticks.size())] : Between(-30000, 30000) * 500);
      default: return Cell::Text(texts[Pick(texts.size())]);
    }
  }

  std::int32_t AnyOrder() { return Between(0, 1) == 0 ? -1 : 1; }

  // Random bounds; now and then one column only.
  KeyTable AnyTable(int maxRows, int nullPercent) {
    const int rowLower = Between(-6, 6);
    const int rowUpper = rowLower + Between(0, maxRows) - 1;
    const int shape = Between(0, 39);
    const int columnLower = Between(-4, 4);
    const int columnUpper = columnLower + (shape == 1 ? 0 : Between(1, 3));
    KeyTable table(rowLower, rowUpper, columnLower, columnUpper);
    for (int row = rowLower; row <= rowUpper; ++row) {
      for (int column = columnLower; column <= columnUpper; ++column) table.at(row, column) = AnyCell(nullPercent);
    }
    return table;
  }

 private:
  std::size_t Pick(std::size_t size) { return static_cast<std::size_t>(Between(0, static_cast<int>(size) - 1)); }
  std::mt19937 random_;
};

std::optional<ErrorCode> Run(void (*sort)(KeyTable&, std::int32_t), KeyTable& table, std::int32_t order) {
  try {
    sort(table, order);
  } catch (const Error& error) {
    return error.code();
  }
  return std::nullopt;
}

// Compares every cell of the table, kind included.
void ExpectSameTables(const KeyTable& expected, const KeyTable& actual, int tableNumber) {
  for (int row = expected.rowLower(); row <= expected.rowUpper(); ++row) {
    for (int column = expected.columnLower(); column <= expected.columnUpper(); ++column) {
      ASSERT_EQ(expected.at(row, column), actual.at(row, column))
          << "table " << tableNumber << " cell (" << row << ", " << column << ")";
    }
  }
}

void CompareOnRandomTables(std::uint32_t seed, int tables, int maxRows, int nullPercent) {
  RandomTables random(seed);
  int sorted = 0;
  int failed = 0;
  for (int n = 0; n < tables; ++n) {
    const KeyTable original = random.AnyTable(maxRows, nullPercent);
    const std::int32_t order = random.AnyOrder();
    KeyTable expected = original;
    KeyTable actual = original;
    const std::optional<ErrorCode> expectedError = Run(&InsertionSort, expected, order);
    const std::optional<ErrorCode> actualError = Run(&SortKeyTable, actual, order);
    ASSERT_EQ(expectedError.has_value(), actualError.has_value()) << "table " << n << " order " << order;
    if (expectedError) {
      ASSERT_EQ(*expectedError, *actualError) << "table " << n;
      ++failed;
      continue;  // the partial state after an error is not compared
    }
    ++sorted;
    ExpectSameTables(expected, actual, n);
    if (testing::Test::HasFatalFailure()) return;
  }
  // Both outcomes must have been exercised for the comparison to mean much.
  EXPECT_GT(sorted, tables / 4);
  if (nullPercent > 0) {
    EXPECT_GT(failed, tables / 20);
  }
}

TEST(SortKeyTableReference, SmallTablesWithoutNulls) { CompareOnRandomTables(1u, 20000, 12, 0); }

TEST(SortKeyTableReference, SmallTablesWithNullsAndMissingColumns) { CompareOnRandomTables(2u, 20000, 8, 4); }

TEST(SortKeyTableReference, LargerTables) { CompareOnRandomTables(3u, 300, 200, 0); }

TEST(SortKeyTableReference, LongRisingAndFallingRuns) {
  // The rebuild's usual case: keys rising with the row, with repeats.
  for (std::int32_t order : {-1, 1}) {
    KeyTable original(0, 499, 1, 2);
    for (int row = 0; row <= 499; ++row) {
      original.at(row, 1) = Cell::Money(static_cast<std::int64_t>(row / 3) * 12345);
      original.at(row, 2) = Cell::Int16(static_cast<std::int16_t>(row));
    }
    KeyTable expected = original;
    KeyTable actual = original;
    InsertionSort(expected, order);
    SortKeyTable(actual, order);
    ExpectSameTables(expected, actual, order);
  }
}

}  // namespace
}  // namespace qmr
