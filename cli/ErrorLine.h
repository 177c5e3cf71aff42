// How qmr tells an engine error in a line: its words, then its number, so
// that a script or a reader can quote the number.
#pragma once

#include <string>

namespace qmr {
class Error;
}

namespace qmr::cli {

// "Permission denied: '/data/T.qmr' is read-only; make it writable to
// replace it (error 70)".
std::string ErrorLine(const Error& error);

}  // namespace qmr::cli
