// Shared set-up of the command line tests: a fresh folder per test, a fixed
// clock, the tool run in-process with string streams, and file helpers.
#pragma once

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "app/CommandLine.h"
#include "samples/SampleTrends.h"
#include "trends/Builders.h"

namespace cli_test {

using Bytes = std::vector<unsigned char>;

class TempFolder {
 public:
  TempFolder() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    do {
      path_ = base / ("qmr-cli-" + std::to_string(random()) + std::to_string(random()));
    } while (!std::filesystem::create_directory(path_));
    // The working folder is reported resolved; name the folder the same way.
    path_ = std::filesystem::canonical(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string path() const { return path_.string(); }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

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

inline Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const Bytes& bytes) { qmr::samples::WriteBytes(path, bytes); }

// Every file of `folder` (name -> bytes), to prove what a command changed.
inline std::map<std::string, Bytes> Snapshot(const std::string& folder) {
  std::map<std::string, Bytes> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files[entry.path().filename().string()] = ReadAll(entry.path().string());
  }
  return files;
}

inline std::tm MakeTime(int year, int month, int day, int hour, int minute, int second, int weekday) {
  std::tm time{};
  time.tm_year = year - 1900;
  time.tm_mon = month - 1;
  time.tm_mday = day;
  time.tm_hour = hour;
  time.tm_min = minute;
  time.tm_sec = second;
  time.tm_wday = weekday;
  return time;
}

// Tue Mar 06 09:05:03 2007 unless a test sets another time; the system
// clock is restored afterwards.
class FixedClock {
 public:
  FixedClock() : previous_(qmr::SetLocalTimeSource([this] { return time_; })) {}
  ~FixedClock() { qmr::SetLocalTimeSource(previous_); }
  FixedClock(const FixedClock&) = delete;
  FixedClock& operator=(const FixedClock&) = delete;

  void Set(const std::tm& time) { time_ = time; }

 private:
  std::tm time_ = MakeTime(2007, 3, 6, 9, 5, 3, 2);
  qmr::LocalTimeSource previous_;
};

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

  TempFolder folder_;
  FixedClock clock_;
};

inline qmr::samples::SampleFile File(std::int16_t version, const std::string& name, std::int64_t key,
                                     std::uint32_t fill = 1) {
  qmr::samples::SampleFile file;
  file.version = version;
  file.trendName = name;
  file.orderKey = key;
  file.fill = fill;
  return file;
}

inline bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

}  // namespace cli_test
