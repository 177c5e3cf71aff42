// The help texts of the command line tool: the whole one (`qmr --help`, from
// which the man page is made) and each command's own (`qmr help rebuild`,
// `qmr rebuild --help`), built from the same parts so that they never say
// different things.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmr::cli {

// The commands, in the order the help lists them.
const std::vector<std::string>& CommandNames();

// The whole help text.
std::string HelpText();

// The help of one command (any of CommandNames); nullopt for another word.
std::optional<std::string> CommandHelpText(std::string_view command);

// The short usage printed when no command is given.
std::string UsageText();

}  // namespace qmr::cli
