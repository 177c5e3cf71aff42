// The words every front end gives an engine error: the engine tells its
// errors as a number and a fact with its values (which file, what stood
// there, the system's error number, a length and its limit), and the windows
// and qmr say them the same way.
#pragma once

#include <string>

namespace qmr {

class Error;

// An error's description: its fact put in words, or the description it
// came with when it has none.
std::string ErrorWords(const Error& error);

}  // namespace qmr
