// The key table's bounds and the key column sort on hand-made tables.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/ErrorCodeOf.h"
#include "tools/Errors.h"
#include "tools/Sort.h"

namespace qmr {
namespace {

using testsupport::CodeOf;
using testsupport::ErrorOf;

// A table with columns 1 and 2 and rows from `lower`, filled row by row.
KeyTable MakeTable(int lower, const std::vector<std::pair<Cell, Cell>>& rows) {
  KeyTable table(lower, lower + static_cast<int>(rows.size()) - 1, 1, 2);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    table.at(lower + static_cast<int>(i), 1) = rows[i].first;
    table.at(lower + static_cast<int>(i), 2) = rows[i].second;
  }
  return table;
}

std::vector<std::string> KeyTexts(const KeyTable& table) {
  std::vector<std::string> texts;
  for (int row = table.rowLower(); row <= table.rowUpper(); ++row)
    texts.push_back(table.at(row, table.columnLower()).ToText());
  return texts;
}

std::vector<std::string> CompanionTexts(const KeyTable& table) {
  std::vector<std::string> texts;
  for (int row = table.rowLower(); row <= table.rowUpper(); ++row)
    texts.push_back(table.at(row, table.columnLower() + 1).ToText());
  return texts;
}

using Texts = std::vector<std::string>;

// ------------------------------------------------------------- the table

TEST(KeyTable, KeepsItsOwnBoundsAndAddressesEveryCellApart) {
  KeyTable table(-3, 4, 7, 9);
  EXPECT_EQ(table.rowLower(), -3);
  EXPECT_EQ(table.rowUpper(), 4);
  EXPECT_EQ(table.columnLower(), 7);
  EXPECT_EQ(table.columnUpper(), 9);
  for (int row = -3; row <= 4; ++row) {
    for (int column = 7; column <= 9; ++column) {
      EXPECT_EQ(table.at(row, column).kind(), Cell::Kind::Null);
      table.at(row, column) = Cell::Int32(row * 100 + column);
    }
  }
  for (int row = -3; row <= 4; ++row) {
    for (int column = 7; column <= 9; ++column) EXPECT_EQ(table.at(row, column), Cell::Int32(row * 100 + column));
  }
}

TEST(KeyTable, AccessOutsideTheBoundsIsSubscriptOutOfRange) {
  KeyTable table(-3, 4, 7, 9);
  const KeyTable& constant = table;
  for (auto [row, column] : std::vector<std::pair<int, int>>{{-4, 7}, {5, 7}, {0, 6}, {0, 10}, {0, 0}}) {
    EXPECT_EQ(CodeOf([&] { (void)table.at(row, column); }), ErrorCode::SubscriptOutOfRange) << row << "," << column;
    EXPECT_EQ(CodeOf([&] { (void)constant.at(row, column); }), ErrorCode::SubscriptOutOfRange);
  }
  EXPECT_EQ(ErrorOf([&] { (void)table.at(5, 7); }).number(), 9);
}

TEST(KeyTable, EmptyRangesAreAllowedButReversedOnesAreNot) {
  KeyTable noRows(0, -1, 1, 2);
  EXPECT_EQ(CodeOf([&] { (void)noRows.at(0, 1); }), ErrorCode::SubscriptOutOfRange);
  EXPECT_EQ(CodeOf([] { KeyTable(0, -2, 1, 2); }), ErrorCode::SubscriptOutOfRange);
  EXPECT_EQ(CodeOf([] { KeyTable(0, 1, 3, 1); }), ErrorCode::SubscriptOutOfRange);
}

// ------------------------------------------------------------- ordering

TEST(SortKeyTable, SingleRowComesBackUnchangedWithItsKinds) {
  KeyTable table = MakeTable(0, {{Cell::Money(12345), Cell::Int16(0)}});
  SortKeyTable(table, -1);
  EXPECT_EQ(table.at(0, 1), Cell::Money(12345));
  EXPECT_EQ(table.at(0, 2), Cell::Int16(0));
}

TEST(SortKeyTable, ThreeOneTwoDescendingAndAscendingWithCompanions) {
  const std::vector<std::pair<Cell, Cell>> rows = {
      {Cell::Int32(3), Cell::Int16(0)}, {Cell::Int32(1), Cell::Int16(1)}, {Cell::Int32(2), Cell::Int16(2)}};
  KeyTable down = MakeTable(0, rows);
  SortKeyTable(down, -1);
  EXPECT_EQ(KeyTexts(down), (Texts{"3", "2", "1"}));
  EXPECT_EQ(CompanionTexts(down), (Texts{"0", "2", "1"}));

  KeyTable up = MakeTable(0, rows);
  const std::int32_t ascending = 1;
  SortKeyTable(up, ascending);
  EXPECT_EQ(KeyTexts(up), (Texts{"1", "2", "3"}));
  EXPECT_EQ(CompanionTexts(up), (Texts{"1", "2", "0"}));
  EXPECT_EQ(up.at(2, 1), Cell::Int32(3));  // the first row keeps its kinds wherever it ends
  EXPECT_EQ(up.at(2, 2), Cell::Int16(0));
  EXPECT_EQ(up.at(0, 1), Cell::Text("1"));
  EXPECT_EQ(up.at(0, 2), Cell::Text("1"));
}

TEST(SortKeyTable, EqualKeyTextsKeepTheirOrderBothWays) {
  // Int16 5, text "5" and Int32 5 all have the text 5.
  const std::vector<std::pair<Cell, Cell>> rows = {{Cell::Int16(5), Cell::Int16(0)},
                                                   {Cell::Text("7"), Cell::Int16(1)},
                                                   {Cell::Text("5"), Cell::Int16(2)},
                                                   {Cell::Int32(5), Cell::Int16(3)}};
  for (std::int32_t order : {-1, 1}) {
    KeyTable table = MakeTable(1, rows);
    SortKeyTable(table, order);
    const Texts expected = order == -1 ? Texts{"1", "0", "2", "3"} : Texts{"0", "2", "3", "1"};
    EXPECT_EQ(CompanionTexts(table), expected) << order;
  }
}

TEST(SortKeyTable, OrdersByTextNotByNumber) {
  KeyTable table = MakeTable(0, {{Cell::Int32(100), Cell::Int16(0)}, {Cell::Int32(99), Cell::Int16(1)}});
  SortKeyTable(table, -1);
  EXPECT_EQ(KeyTexts(table), (Texts{"99", "100"}));

  KeyTable negative = MakeTable(0, {{Cell::Int32(-5), Cell::Int16(0)}, {Cell::Int32(-3), Cell::Int16(1)}});
  SortKeyTable(negative, -1);
  EXPECT_EQ(KeyTexts(negative), (Texts{"-5", "-3"}));
}

TEST(SortKeyTable, MovedRowsBecomeTextTheFirstRowKeepsItsKinds) {
  KeyTable table = MakeTable(0, {{Cell::Int32(5), Cell::Int16(1)}, {Cell::Int32(7), Cell::Int16(2)}});
  SortKeyTable(table, -1);
  EXPECT_EQ(table.at(0, 1), Cell::Text("7"));
  EXPECT_EQ(table.at(0, 2), Cell::Text("2"));
  EXPECT_EQ(table.at(1, 1), Cell::Int32(5));
  EXPECT_EQ(table.at(1, 2), Cell::Int16(1));
}

TEST(SortKeyTable, RowsThatStayInPlaceStillBecomeText) {
  KeyTable table = MakeTable(0, {{Cell::Int32(9), Cell::Int16(0)}, {Cell::Int32(8), Cell::Int16(1)}});
  SortKeyTable(table, -1);
  EXPECT_EQ(table.at(0, 1), Cell::Int32(9));
  EXPECT_EQ(table.at(1, 1), Cell::Text("8"));
  EXPECT_EQ(table.at(1, 2), Cell::Text("1"));
}

TEST(SortKeyTable, FurtherColumnsStayWhereTheyWere) {
  KeyTable table(-3, 4, 7, 9);
  for (int row = -3; row <= 4; ++row) {
    table.at(row, 7) = Cell::Int32(row + 3);  // rising keys: fully reversed by -1
    table.at(row, 8) = Cell::Int16(static_cast<std::int16_t>(row));
    table.at(row, 9) = Cell::Text("third " + std::to_string(row));
  }
  SortKeyTable(table, -1);
  for (int row = -3; row <= 4; ++row) {
    EXPECT_EQ(table.at(row, 7).ToText(), std::to_string(4 - row));
    EXPECT_EQ(table.at(row, 8).ToInt32(), 1 - row);
    EXPECT_EQ(table.at(row, 9), Cell::Text("third " + std::to_string(row)));
  }
  EXPECT_EQ(table.at(4, 7), Cell::Int32(0));  // the row from -3, kinds kept
  EXPECT_EQ(table.at(4, 8), Cell::Int16(-3));
}

TEST(SortKeyTable, CurrencyKeysWithEqualWholeDigitsOrderNumerically) {
  const std::vector<std::int64_t> ticks = {12500, 19000, 10001, 15000, 99999, 10000, 12000};
  std::vector<std::pair<Cell, Cell>> rows;
  for (std::size_t i = 0; i < ticks.size(); ++i)
    rows.push_back({Cell::Money(ticks[i]), Cell::Int16(static_cast<std::int16_t>(i))});
  KeyTable table = MakeTable(0, rows);
  SortKeyTable(table, -1);
  EXPECT_EQ(KeyTexts(table), (Texts{"9.9999", "1.9", "1.5", "1.25", "1.2", "1.0001", "1"}));
  EXPECT_EQ(CompanionTexts(table), (Texts{"4", "1", "3", "0", "6", "2", "5"}));
}

TEST(SortKeyTable, OrdinalOrderPutsHighBytesAfterAscii) {
  KeyTable table = MakeTable(0, {{Cell::Text("\xe4"), Cell::Int16(0)},
                                 {Cell::Text("z"), Cell::Int16(1)},
                                 {Cell::Text("Z"), Cell::Int16(2)},
                                 {Cell::Text("\x7f"), Cell::Int16(3)},
                                 {Cell::Text("za"), Cell::Int16(4)}});
  SortKeyTable(table, 1);
  EXPECT_EQ(CompanionTexts(table), (Texts{"2", "1", "4", "3", "0"}));
}

// ------------------------------------------------------------- failures

TEST(SortKeyTableErrors, MissingCompanionColumnFailsOnlyWithTwoRows) {
  KeyTable one(0, 0, 1, 1);
  one.at(0, 1) = Cell::Int32(1);
  SortKeyTable(one, -1);
  EXPECT_EQ(one.at(0, 1), Cell::Int32(1));

  KeyTable two(0, 1, 1, 1);
  two.at(0, 1) = Cell::Int32(1);
  two.at(1, 1) = Cell::Int32(2);
  EXPECT_EQ(CodeOf([&] { SortKeyTable(two, -1); }), ErrorCode::SubscriptOutOfRange);

  KeyTable lastIndex(0, 1, std::numeric_limits<int>::max(), std::numeric_limits<int>::max());
  lastIndex.at(0, std::numeric_limits<int>::max()) = Cell::Int32(1);
  lastIndex.at(1, std::numeric_limits<int>::max()) = Cell::Int32(2);
  EXPECT_EQ(CodeOf([&] { SortKeyTable(lastIndex, -1); }), ErrorCode::SubscriptOutOfRange);
}

TEST(SortKeyTableErrors, NullKeyOfTheSecondRowIsFoundBeforeTheMissingColumn) {
  KeyTable table(0, 1, 1, 1);
  table.at(0, 1) = Cell::Int32(1);
  EXPECT_EQ(CodeOf([&] { SortKeyTable(table, -1); }), ErrorCode::TypeMismatch);
}

TEST(SortKeyTableErrors, NullFirstKeyFailsOnItsFirstComparison) {
  KeyTable table = MakeTable(0, {{Cell(), Cell::Int16(0)}, {Cell::Int32(2), Cell::Int16(1)}});
  EXPECT_EQ(CodeOf([&] { SortKeyTable(table, 1); }), ErrorCode::TypeMismatch);
  // Without a companion column the missing column is reached first.
  KeyTable narrow(0, 1, 1, 1);
  narrow.at(1, 1) = Cell::Int32(2);
  EXPECT_EQ(CodeOf([&] { SortKeyTable(narrow, 1); }), ErrorCode::SubscriptOutOfRange);
  // A single row is never compared.
  KeyTable single = MakeTable(0, {{Cell(), Cell()}});
  SortKeyTable(single, -1);
  EXPECT_EQ(single.at(0, 1).kind(), Cell::Kind::Null);
}

TEST(SortKeyTableErrors, NullKeyOrCompanionInALaterRowIsATypeMismatch) {
  KeyTable key =
      MakeTable(0, {{Cell::Int32(1), Cell::Int16(0)}, {Cell::Int32(2), Cell::Int16(1)}, {Cell(), Cell::Int16(2)}});
  EXPECT_EQ(CodeOf([&] { SortKeyTable(key, -1); }), ErrorCode::TypeMismatch);
  KeyTable companion =
      MakeTable(0, {{Cell::Int32(1), Cell::Int16(0)}, {Cell::Int32(2), Cell::Int16(1)}, {Cell::Int32(3), Cell()}});
  EXPECT_EQ(ErrorOf([&] { SortKeyTable(companion, -1); }).number(), 13);
}

TEST(SortKeyTableErrors, NullCompanionOfTheFirstRowIsCarriedAlong) {
  KeyTable table = MakeTable(0, {{Cell::Int32(1), Cell()}, {Cell::Int32(2), Cell::Int16(1)}});
  SortKeyTable(table, -1);
  EXPECT_EQ(table.at(0, 1), Cell::Text("2"));
  EXPECT_EQ(table.at(1, 1), Cell::Int32(1));
  EXPECT_EQ(table.at(1, 2).kind(), Cell::Kind::Null);
}

}  // namespace
}  // namespace qmr
