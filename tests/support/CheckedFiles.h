// Whole-file reads and writes for the GoogleTest suites: a file that cannot
// be read fails the test, one that cannot be written throws.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "samples/SampleTrends.h"
#include "tests/support/TestFiles.h"

namespace qmr::testsupport {

inline Bytes ReadAll(const std::string& path) {
  Bytes bytes;
  EXPECT_TRUE(ReadFileBytes(path, bytes)) << "cannot read " << path;
  return bytes;
}

inline void WriteAll(const std::string& path, const Bytes& bytes) { qmr::samples::WriteBytes(path, bytes); }

}  // namespace qmr::testsupport
