// The words every front end gives an engine error: the engine tells some
// errors as facts (which master, which folder, the system's error number),
// and the windows and qmr say them the same way.
#pragma once

#include <string>

namespace qmr {

class Error;

// An error's description, with what the engine told as facts put in words.
std::string ErrorWords(const Error& error);

}  // namespace qmr
