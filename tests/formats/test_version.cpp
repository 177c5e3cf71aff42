// The program version as the help window shows it.
#include <gtest/gtest.h>

#include "trends/Services.h"

namespace qmr {
namespace {

TEST(Version, NumberAndLine) {
  EXPECT_EQ(VersionNumberText(), "1.01.000");
  EXPECT_EQ(VersionLine("Rebuilds master files"), "QMR Rebuilder version 1.01.000 Rebuilds master files");
  EXPECT_EQ(VersionLine(""), "QMR Rebuilder version 1.01.000 ");
}

}  // namespace
}  // namespace qmr
