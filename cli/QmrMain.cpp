// qmr: the command line tool. Everything but reading the arguments and the
// streams lives in cli/CommandLine.cpp, where the tests reach it.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/Arguments.h"
#include "cli/CommandLine.h"
#include "cli/ErrorLine.h"
#include "cli/InterruptWatch.h"
#include "cli/TrendOutput.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "trends/MasterFile.h"

int main(int argc, char** argv) {
  qmr::AllowManyOpenFiles();
  qmr::InstallInterruptCleanup();
  qmr::cli::AllowInterruptWatch();
#ifndef _WIN32
  // A closed output pipe is learnt from the write. The console's buffer is
  // given back before `output` goes, as the stream is flushed again at exit.
  qmr::cli::StandardOutput output;
  struct GiveBack {
    std::streambuf* console;
    ~GiveBack() { std::cout.rdbuf(console); }
  } giveBack{std::cout.rdbuf(&output)};
#endif
  std::vector<std::string> args;
  try {
    args = qmr::ProgramArguments(argc, argv);
  } catch (const qmr::Error& error) {
    // An argument the file system's code page cannot represent.
    std::cerr << "qmr: " << qmr::cli::ErrorLine(error) << '\n';
    return qmr::cli::kExitUsage;
  }
  int status = qmr::cli::kExitFailed;
  try {
    status = qmr::RunQmr(args, std::cout, std::cerr);
  } catch (const qmr::Error& error) {
    std::cerr << "qmr: " << qmr::cli::ErrorLine(error) << '\n';
  } catch (const std::exception& error) {
    std::cerr << "qmr: " << error.what() << '\n';
  }
  // Results that never reached their reader (a full disk, or a closed pipe
  // where SIGPIPE is ignored) are a failure, whatever the commands did.
  errno = 0;
  std::cout.flush();
#ifndef _WIN32
  if (output.WriteError() != 0) errno = output.WriteError();
#endif
  if (!std::cout || std::fflush(stdout) != 0) {
    std::cerr << "qmr: cannot write to standard output" << (errno != 0 ? std::string(": ") + std::strerror(errno) : "")
              << '\n';
    return qmr::cli::kExitFailed;
  }
  return status;
}
