// Names in --json output: UTF-8 as it is; other bytes replaced by U+FFFD,
// never dropped, with the exact bytes in a "_hex" member beside them.
#include <gtest/gtest.h>

#include <string>

#include "cli/JsonText.h"

namespace cli_test {
namespace {

using qmr::cli::Json;

TEST(JsonText, AUtf8NameIsWrittenAsItIsAlone) {
  Json object;
  qmr::cli::PutText(object, "trend", "T\xc3\xa4nk");  // "Tänk"
  EXPECT_EQ(qmr::cli::JsonLine(object), "{\"trend\":\"T\xc3\xa4nk\"}\n");
}

TEST(JsonText, BytesThatAreNoUtf8AreReplacedAndGivenInHex) {
  Json object;
  qmr::cli::PutText(object, "trend", "T\xe4nk\xff");  // Latin-1 "Tänk" and a stray byte
  EXPECT_EQ(qmr::cli::JsonLine(object), "{\"trend\":\"T\xef\xbf\xbdnk\xef\xbf\xbd\",\"trend_hex\":\"54e46e6bff\"}\n");
}

}  // namespace
}  // namespace cli_test
