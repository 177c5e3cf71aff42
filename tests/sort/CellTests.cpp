// Variant cells: text forms (currency in particular) and reading numbers back.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "tests/support/ErrorCodeOf.h"
#include "tools/Errors.h"
#include "tools/Sort.h"

namespace qmr {
namespace {

using testsupport::CodeOf;

TEST(CurrencyText, WholeAndSignificantFractionDigitsWithDot) {
  EXPECT_EQ(CurrencyText(0), "0");
  EXPECT_EQ(CurrencyText(2500), "0.25");
  EXPECT_EQ(CurrencyText(7), "0.0007");
  EXPECT_EQ(CurrencyText(10), "0.001");
  EXPECT_EQ(CurrencyText(10000), "1");
  EXPECT_EQ(CurrencyText(123456789), "12345.6789");
  EXPECT_EQ(CurrencyText(1000000000), "100000");
}

TEST(CurrencyText, NegativeValuesKeepTheirSignEvenBelowOneUnit) {
  EXPECT_EQ(CurrencyText(-7), "-0.0007");
  EXPECT_EQ(CurrencyText(-5000), "-0.5");
  EXPECT_EQ(CurrencyText(-25000), "-2.5");
  EXPECT_EQ(CurrencyText(-10000), "-1");
}

TEST(CurrencyText, ExtremeValues) {
  EXPECT_EQ(CurrencyText(std::numeric_limits<std::int64_t>::max()), "922337203685477.5807");
  EXPECT_EQ(CurrencyText(std::numeric_limits<std::int64_t>::min()), "-922337203685477.5808");
}

TEST(CellText, EachKindHasItsTextForm) {
  EXPECT_EQ(Cell::Int16(-32768).ToText(), "-32768");
  EXPECT_EQ(Cell::Int16(0).ToText(), "0");
  EXPECT_EQ(Cell::Int32(std::numeric_limits<std::int32_t>::min()).ToText(), "-2147483648");
  EXPECT_EQ(Cell::Int32(1234567).ToText(), "1234567");  // no digit grouping
  EXPECT_EQ(Cell::Money(-25000).ToText(), "-2.5");
  EXPECT_EQ(Cell::Text("\xff\x80 x").ToText(), "\xff\x80 x");
  EXPECT_EQ(Cell::Text("").ToText(), "");
}

TEST(CellText, NullHasNoTextForm) {
  EXPECT_EQ(Cell().kind(), Cell::Kind::Null);
  EXPECT_EQ(CodeOf([] { (void)Cell().ToText(); }), ErrorCode::TypeMismatch);
}

TEST(CellKind, CopiesKeepKindAndEqualityNeedsBoth) {
  const Cell money = Cell::Money(10000);
  const Cell copy = money;
  EXPECT_EQ(copy.kind(), Cell::Kind::Currency);
  EXPECT_EQ(copy, money);
  EXPECT_NE(Cell::Int16(5), Cell::Int32(5));
  EXPECT_NE(Cell::Int16(5), Cell::Text("5"));
  EXPECT_EQ(Cell::Text("5").kind(), Cell::Kind::Text);
  EXPECT_EQ(Cell::Int16(5).kind(), Cell::Kind::Int16);
  EXPECT_EQ(Cell::Int32(5).kind(), Cell::Kind::Int32);
}

TEST(CellToInt32, NumbersAndDecimalText) {
  EXPECT_EQ(Cell::Int16(-12).ToInt32(), -12);
  EXPECT_EQ(Cell::Int32(70000).ToInt32(), 70000);
  EXPECT_EQ(Cell::Text("12").ToInt32(), 12);
  EXPECT_EQ(Cell::Text("-0").ToInt32(), 0);
  EXPECT_EQ(Cell::Text("+7").ToInt32(), 7);
  EXPECT_EQ(Cell::Text("007").ToInt32(), 7);
  EXPECT_EQ(Cell::Text("2147483647").ToInt32(), 2147483647);
  EXPECT_EQ(Cell::Text("-2147483648").ToInt32(), std::numeric_limits<std::int32_t>::min());
}

TEST(CellToInt32, BadTextIsATypeMismatch) {
  for (const char* text : {"", "-", "+", "abc", "1.5", " 1", "1 ", "1e3", "0x10", "--1", "\xff"}) {
    EXPECT_EQ(CodeOf([&] { (void)Cell::Text(text).ToInt32(); }), ErrorCode::TypeMismatch) << text;
  }
  EXPECT_EQ(CodeOf([] { (void)Cell().ToInt32(); }), ErrorCode::TypeMismatch);
}

TEST(CellToInt32, ValuesBeyond32BitsOverflow) {
  for (const char* text : {"2147483648", "-2147483649", "99999999999999999999999", "-99999999999999999999999"}) {
    EXPECT_EQ(CodeOf([&] { (void)Cell::Text(text).ToInt32(); }), ErrorCode::Overflow) << text;
  }
  EXPECT_EQ(CodeOf([] { (void)Cell::Money(std::numeric_limits<std::int64_t>::min()).ToInt32(); }), ErrorCode::Overflow);
  EXPECT_EQ(CodeOf([] { (void)Cell::Money(21474836480000).ToInt32(); }), ErrorCode::Overflow);
}

TEST(CellToInt32, CurrencyRoundsHalvesToEven) {
  EXPECT_EQ(Cell::Money(70000).ToInt32(), 7);
  EXPECT_EQ(Cell::Money(25000).ToInt32(), 2);
  EXPECT_EQ(Cell::Money(35000).ToInt32(), 4);
  EXPECT_EQ(Cell::Money(25001).ToInt32(), 3);
  EXPECT_EQ(Cell::Money(-25000).ToInt32(), -2);
  EXPECT_EQ(Cell::Money(-35000).ToInt32(), -4);
  EXPECT_EQ(Cell::Money(-4999).ToInt32(), 0);
}

}  // namespace
}  // namespace qmr
