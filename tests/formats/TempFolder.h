// A fresh folder under the system's temporary folder, removed with all it
// holds when the test ends.
#pragma once

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/TestFiles.h"

namespace qmr::testing {

class TempFolder : public testsupport::TempFolder {
 public:
  TempFolder() : testsupport::TempFolder("qmr-formats-") {}

  // Writes `bytes` to a new file `name` in the folder; returns its path.
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::string file = *this / name;
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << file;
    return file;
  }
};

}  // namespace qmr::testing
