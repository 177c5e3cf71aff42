// The text form of currency keys, which the key order sorts by.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "tools/Sort.h"

namespace qmr {
namespace {

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

}  // namespace
}  // namespace qmr
