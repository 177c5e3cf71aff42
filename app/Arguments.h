// The program's arguments as the core's byte texts.
#pragma once

#include <string>
#include <vector>

namespace qmr {

// argv[1..] as byte strings. On Windows the arguments are taken from the wide
// command line and converted to the ANSI code page exactly; an argument that
// has no exact ANSI form throws qmr::Error(BadFileName) instead of being
// passed on with "?" substitutes.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace qmr
