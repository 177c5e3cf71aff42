// Runs the command line tool in process on arguments made of the fuzz input,
// in a scratch folder of a few trends, and checks what reaches the user:
// the exit status is one of the four, wrong usage prints no results, nothing
// a terminal would obey reaches it whatever bytes the names hold, and JSON
// output is JSON Lines ending in a summary that agrees with the exit status
// and names only operands that were given.
//
// Input: the arguments, separated by NUL bytes. Every "/" becomes "_", and
// "." and ".." become "_", so that every name the tool is given stays inside
// the scratch folder (the working folder of the process).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "fuzz/OutputChecks.h"
#include "samples/SampleTrends.h"
#include "tests/support/TestFiles.h"
#include "tools/Errors.h"

namespace {

using qmr::fuzz::Require;
using qmr::samples::SampleFile;

// The scratch folder, made the working folder once per process, and the
// trends it holds at the start of every run: a whole one, a damaged one and
// one whose name holds an escape sequence, a bell and a C1 control.
class Scratch {
 public:
  Scratch() : folder_("qmr-cli-fuzz-", qmr::testsupport::TempFolder::Place::Memory) {
    Require(chdir(folder_.path().c_str()) == 0);
    Require(setenv("PWD", folder_.path().c_str(), 1) == 0);
  }

  void Reset() const {
    folder_.Empty();
    qmr::samples::WriteTrend(folder_.path(), "T", qmr::samples::RisingTrend(6, "Tank 1", 3));
    SampleFile cut = qmr::samples::MakeSample(6, "Damaged", 2);
    cut.truncateTo = 200;
    qmr::samples::WriteTrend(folder_.path(), "D", {qmr::samples::MakeSample(6, "Damaged", 1), cut});
    qmr::samples::WriteTrend(folder_.path(), "\x1b]0;x\x07\xc2\x9b\x9b", qmr::samples::RisingTrend(4, "\x1b[2J", 2));
  }

 private:
  qmr::testsupport::TempFolder folder_;
};

std::vector<std::string> Arguments(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> args;
  std::string arg;
  const auto finish = [&] {
    if (arg == "." || arg == "..") arg = "_";
    args.push_back(arg);
    arg.clear();
  };
  for (std::size_t i = 0; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\0')
      finish();
    else
      arg += c == '/' ? '_' : c;
  }
  if (size > 0) finish();
  return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Scratch scratch;
  const std::vector<std::string> args = Arguments(data, size);
  scratch.Reset();

  std::ostringstream out, err;
  int status = 1;
  try {
    status = qmr::RunQmr(args, out, err);
  } catch (const qmr::Error&) {
    // qmr's main reports it and exits 1: a file error the commands do not
    // catch themselves.
  }
  Require(status >= 0 && status <= 3);
  if (status == 2) Require(out.str().empty());
  qmr::fuzz::RequireTerminalSafe(out.str());
  qmr::fuzz::RequireTerminalSafe(err.str());

  const std::set<std::string> given(args.begin(), args.end());
  for (const nlohmann::json& object : qmr::fuzz::RequireJsonLines(out.str(), status)) {
    // scan names each trend by the first data file it found.
    if (object["type"] == "trend" && object["command"] != "scan")
      Require(given.count(qmr::fuzz::TextOf(object, "operand")) == 1);
  }
  return 0;
}
