// The error an action raises, for tests that check which one. Uses
// GoogleTest, so it stays a header for the test executables only.
#pragma once

#include <functional>

#include <gtest/gtest.h>

#include "tools/Errors.h"

namespace qmr::testsupport {

// The qmr::Error `action` raises (its number and description with it); a
// test failure when it raises none.
inline Error ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error;
  }
  ADD_FAILURE() << "no qmr::Error was raised";
  return Error(ErrorCode::InvalidArgument, "no error was raised");
}

// The code of the qmr::Error `action` raises.
inline ErrorCode CodeOf(const std::function<void()>& action) { return ErrorOf(action).code(); }

}  // namespace qmr::testsupport
