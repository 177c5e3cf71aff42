// The key order the rebuild sorts entries by, on hand-made keys and against
// a straight insertion sort on many random ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tests/support/ErrorCodeOf.h"
#include "tests/support/InsertionSort.h"
#include "tools/Errors.h"
#include "tools/Sort.h"

namespace qmr {
namespace {

using testsupport::CodeOf;
using testsupport::InsertionSortOrder;
using Order = std::vector<std::size_t>;
using Texts = std::vector<std::string>;

Texts Sorted(const Texts& keys, std::int32_t order) {
  Texts sorted;
  for (std::size_t from : KeyOrder(keys, order)) sorted.push_back(keys[from]);
  return sorted;
}

TEST(KeyOrder, ThreeOneTwoDescendingAndAscending) {
  EXPECT_EQ(KeyOrder({"3", "1", "2"}, -1), (Order{0, 2, 1}));
  EXPECT_EQ(KeyOrder({"3", "1", "2"}, 1), (Order{1, 2, 0}));
}

TEST(KeyOrder, EqualKeysKeepTheirOrderBothWays) {
  EXPECT_EQ(KeyOrder({"5", "7", "5", "5"}, -1), (Order{1, 0, 2, 3}));
  EXPECT_EQ(KeyOrder({"5", "7", "5", "5"}, 1), (Order{0, 2, 3, 1}));
}

TEST(KeyOrder, OrdersByTextNotByNumber) {
  EXPECT_EQ(Sorted({"100", "99"}, -1), (Texts{"99", "100"}));
  EXPECT_EQ(Sorted({"-5", "-3"}, -1), (Texts{"-5", "-3"}));
}

TEST(KeyOrder, CurrencyTextsWithEqualWholeDigitsOrderNumerically) {
  Texts keys;
  for (std::int64_t ticks : {12500, 19000, 10001, 15000, 99999, 10000, 12000}) keys.push_back(CurrencyText(ticks));
  EXPECT_EQ(Sorted(keys, -1), (Texts{"9.9999", "1.9", "1.5", "1.25", "1.2", "1.0001", "1"}));
}

TEST(KeyOrder, OrdinalOrderPutsHighBytesAfterAscii) {
  EXPECT_EQ(KeyOrder({"\xe4", "z", "Z", "\x7f", "za"}, 1), (Order{2, 1, 4, 3, 0}));
}

TEST(KeyOrder, OnlyDescendingAndAscendingAreOrders) {
  EXPECT_EQ(CodeOf([] { KeyOrder({"1", "2"}, 0); }), ErrorCode::InvalidArgument);
  EXPECT_EQ(CodeOf([] { KeyOrder({}, 2); }), ErrorCode::InvalidArgument);
}

// Many keys from a small pool, so that equal keys are frequent and far apart:
// an order that lets equal keys trade places shows it on tables this long.
void CompareOnRandomKeys(std::uint32_t seed, int tables, int longest) {
  std::mt19937 random(seed);
  const Texts pool = {"", "0", "1", "10", "1.5", "-1", "9", "a", "A", "\xe4", "12345.6789", "z"};
  for (int table = 0; table < tables; ++table) {
    Texts keys(std::uniform_int_distribution<std::size_t>(0, static_cast<std::size_t>(longest))(random));
    for (std::string& key : keys) key = pool[std::uniform_int_distribution<std::size_t>(0, pool.size() - 1)(random)];
    for (std::int32_t order : {-1, 1}) {
      ASSERT_EQ(KeyOrder(keys, order), InsertionSortOrder(keys, order)) << "seed " << seed << " table " << table;
    }
  }
}

TEST(KeyOrderReference, ShortKeyLists) { CompareOnRandomKeys(1u, 5000, 12); }

TEST(KeyOrderReference, LongKeyLists) { CompareOnRandomKeys(2u, 200, 400); }

TEST(KeyOrderReference, LongRisingAndFallingRuns) {
  // The rebuild's usual case: keys rising with the entry, with repeats.
  Texts keys;
  for (int row = 0; row < 500; ++row) keys.push_back(CurrencyText(static_cast<std::int64_t>(row / 3) * 12345));
  for (std::int32_t order : {-1, 1}) EXPECT_EQ(KeyOrder(keys, order), InsertionSortOrder(keys, order)) << order;
}

}  // namespace
}  // namespace qmr
