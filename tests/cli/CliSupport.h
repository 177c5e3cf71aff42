// Shared set-up of the command line tests: a fresh folder per test, a fixed
// clock, the tool run in-process with string streams, and file helpers.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "samples/SampleTrends.h"
#include "tests/support/TestFiles.h"
#include "tools/FileReading.h"

namespace cli_test {

using qmr::ReadWholeFile;
using qmr::samples::WriteBytes;
using qmr::testsupport::Bytes;
using qmr::testsupport::MakeTime;
using qmr::testsupport::Snapshot;

// The tool's result: exit status and both streams.
struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

inline Outcome Qmr(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  Outcome run;
  run.status = qmr::RunQmr(args, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

// A test with its own folder and a fixed clock.
class CliTest : public ::testing::Test {
 protected:
  std::string Path(const std::string& name) const { return folder_ / name; }
  std::string Folder() const { return folder_.path(); }

  void Trend(const std::string& name, const std::vector<qmr::samples::SampleFile>& files) const {
    qmr::samples::WriteTrend(folder_.path(), name, files);
  }

  // Runs the tool with the test's folder as the working folder.
  Outcome InFolder(const std::vector<std::string>& args) const {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder_.path());
    const Outcome run = Qmr(args);
    std::filesystem::current_path(before);
    return run;
  }

  qmr::testsupport::TempFolder folder_{"qmr-cli-"};
  qmr::testsupport::FixedClock clock_;
};

using qmr::samples::MakeSample;

inline bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace cli_test
