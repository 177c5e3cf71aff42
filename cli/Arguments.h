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

#ifdef _WIN32
// The arguments of a wide command line such as GetCommandLineW gives, the
// program's own name left out, each converted exactly to the ANSI code page
// (the form in which the core opens files). Throws qmr::Error(BadFileName)
// naming the first argument that has no exact ANSI form.
std::vector<std::string> AnsiArguments(const wchar_t* commandLine);
#endif

}  // namespace qmr
