// The code of the error an action raises, for tests that check which one.
// Uses GoogleTest, so it stays a header for the test executables only.
#pragma once

#include <functional>

#include <gtest/gtest.h>

#include "tools/Errors.h"

namespace qmr::testsupport {

// The code of the qmr::Error `action` raises; a test failure when it raises none.
inline ErrorCode CodeOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.code();
  }
  ADD_FAILURE() << "no qmr::Error was raised";
  return ErrorCode::InvalidArgument;
}

}  // namespace qmr::testsupport
