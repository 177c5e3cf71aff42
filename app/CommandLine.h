// The command line tool: rebuild, check and show trend master files.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qmr::cli {

// Exit statuses of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// The --help text.
std::string HelpText();

// Runs the tool on `args` (the arguments after the program name): results go
// to `out`, messages and failures to `err`. Returns the exit status.
int RunQmr(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qmr::cli

namespace qmr {
using cli::RunQmr;
}  // namespace qmr
