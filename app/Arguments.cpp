#include "app/Arguments.h"

namespace qmr {

#ifndef _WIN32
std::vector<std::string> ProgramArguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}
#endif

}  // namespace qmr
