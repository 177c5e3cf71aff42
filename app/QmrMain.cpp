// qmr: the command line tool. Everything but reading the arguments lives in
// app/CommandLine.cpp, where the tests reach it.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "app/Arguments.h"
#include "app/CommandLine.h"
#include "tools/Errors.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  try {
    args = qmr::ProgramArguments(argc, argv);
  } catch (const qmr::Error& error) {
    // An argument the file system's code page cannot represent.
    std::cerr << "qmr: " << error.what() << " (error " << error.number() << ")\n";
    return qmr::cli::kExitUsage;
  }
  try {
    return qmr::RunQmr(args, std::cout, std::cerr);
  } catch (const qmr::Error& error) {
    std::cerr << "qmr: " << error.what() << " (error " << error.number() << ")\n";
  } catch (const std::exception& error) {
    std::cerr << "qmr: " << error.what() << '\n';
  }
  return qmr::cli::kExitFailed;
}
