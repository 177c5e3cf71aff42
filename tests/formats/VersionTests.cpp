// The program version as the help window and `qmr --version` show it.
#include <gtest/gtest.h>

#include "ProgramVersion.h"

namespace qmr {
namespace {

TEST(Version, MinorInTwoDigitsRevisionInThree) {
  EXPECT_EQ(std::string(kVersionText), "1.01.000");
  EXPECT_EQ(std::string(kApplicationTitle), "QMR Rebuilder");
}

}  // namespace
}  // namespace qmr
