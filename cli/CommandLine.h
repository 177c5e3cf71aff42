// The command line tool: rebuild, check and show trend master files.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qmr::cli {

// Runs the tool on `args` (the arguments after the program name): results go
// to `out`, messages and failures to `err`. Returns the exit status (the
// statuses are listed in cli/TrendOutput.h and in the help text).
int RunQmr(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qmr::cli

namespace qmr {
using cli::RunQmr;
}  // namespace qmr
