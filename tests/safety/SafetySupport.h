// Shared by the safety tests: a folder per test, another user in a forked
// child, the real qmr binary run as a child process, and masters compared
// with their date of writing masked.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "samples/SampleTrends.h"
#include "tests/support/RecordingEvents.h"
#include "tests/support/TestFiles.h"
#include "tools/Errors.h"
#include "tools/FileReading.h"
#include "trends/Banner.h"
#include "trends/Rebuild.h"
#include "trends/RebuildEvents.h"

extern char** environ;

namespace safety_test {

using Bytes = std::vector<unsigned char>;
using qmr::samples::RisingTrend;
using qmr::samples::WriteBytes;
using qmr::testsupport::Snapshot;
using qmr::testsupport::TempFolder;

// The user the tests become to be refused what root is allowed: "nobody".
constexpr uid_t kOtherUser = 65534;
constexpr gid_t kOtherGroup = 65534;

// The prefix every temporary file of a master replacement starts with.
inline bool IsTemporaryName(const std::string& name) { return name.rfind("~qmr-", 0) == 0; }

// The whole file at `path`, or nothing when it cannot be read.
inline std::optional<Bytes> ReadIfThere(const std::string& path) {
  try {
    return qmr::ReadWholeFile(path);
  } catch (const qmr::Error&) {
    return std::nullopt;
  }
}

inline Bytes Contents(const std::string& path) {
  const std::optional<Bytes> bytes = ReadIfThere(path);
  EXPECT_TRUE(bytes.has_value()) << "cannot read " << path;
  return bytes.value_or(Bytes{});
}

// The temporary files in `folder`, by name.
inline std::vector<std::string> Temporaries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (IsTemporaryName(name)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

inline struct stat StatOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(stat(path.c_str(), &info), 0) << path;
  return info;
}

// A master with the date and time of writing in its banner blanked, so that
// masters written by separate runs of the binary compare equal.
inline Bytes WithoutDate(Bytes master) {
  const std::optional<qmr::ByteRange> date = qmr::BannerDateRange(master);
  EXPECT_TRUE(date.has_value()) << "no banner date in a master of " << master.size() << " bytes";
  if (date) std::fill_n(master.begin() + static_cast<std::ptrdiff_t>(date->offset), date->length, '#');
  return master;
}

using SafetyEvents = qmr::testsupport::RecordingEvents;

// An in-process rebuild told as text, so that it can cross a pipe from a
// child that runs as another user: "rebuilt" or "error N: DESCRIPTION",
// then one line "owner not kept: MASTER" per such event.
inline std::string RebuildReport(const std::string& firstFile) {
  SafetyEvents events;
  std::string report;
  try {
    qmr::RebuildTrend(firstFile, events);
    report = "rebuilt\n";
  } catch (const qmr::Error& error) {
    report = "error " + std::to_string(error.number()) + ": " + error.description() + "\n";
  } catch (const std::exception& error) {
    report = std::string("exception: ") + error.what() + "\n";
  }
  for (const std::string& master : events.ownerNotKept) report += "owner not kept: " + master + "\n";
  return report;
}

// A copy of the qmr binary that any user may run, for children that run as
// kOtherUser: the checkout may lie below a folder only its owner may enter
// (a home folder of mode 0700). Made once per test program, removed at its
// end; "" when there is no binary to copy.
inline const std::string& BinaryForAnyone() {
  struct Copy {
    std::string folder;
    std::string path;
    Copy() {
      const char* binary = std::getenv("QMR_BINARY");
      if (binary == nullptr || *binary == '\0') return;
      std::string pattern = (std::filesystem::temp_directory_path() / "qmr-binary-XXXXXX").string();
      if (mkdtemp(pattern.data()) == nullptr) return;
      folder = pattern;
      std::error_code failed;
      std::filesystem::copy_file(binary, folder + "/qmr", failed);
      if (failed || chmod(folder.c_str(), 0755) != 0 || chmod((folder + "/qmr").c_str(), 0755) != 0) return;
      path = folder + "/qmr";
    }
    ~Copy() {
      std::error_code ignored;
      if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
    }
  };
  static const Copy copy;
  return copy.path;
}

// Runs `body` in a forked child as kOtherUser and returns what it returned;
// nullopt when this process cannot become another user (not root). In the
// child, QMR_BINARY names a copy of qmr that user may run.
inline std::optional<std::string> RunAsOtherUser(const std::function<std::string()>& body) {
  if (geteuid() != 0) return std::nullopt;
  const std::string binary = BinaryForAnyone();
  int channel[2];
  if (pipe(channel) != 0) return std::nullopt;
  const pid_t child = fork();
  if (child < 0) return std::nullopt;
  if (child == 0) {
    close(channel[0]);
    if (!binary.empty()) setenv("QMR_BINARY", binary.c_str(), 1);
    // 77: could not become the other user; nothing was tried.
    if (setgroups(0, nullptr) != 0 || setgid(kOtherGroup) != 0 || setuid(kOtherUser) != 0) _exit(77);
    const std::string report = body();
    std::size_t sent = 0;
    while (sent < report.size()) {
      const ssize_t done = write(channel[1], report.data() + sent, report.size() - sent);
      if (done <= 0) _exit(1);
      sent += static_cast<std::size_t>(done);
    }
    _exit(0);
  }
  close(channel[1]);
  std::string report;
  char buffer[4096];
  for (ssize_t got; (got = read(channel[0], buffer, sizeof buffer)) != 0;) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) break;
    report.append(buffer, static_cast<std::size_t>(got));
  }
  close(channel[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) return std::nullopt;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child ended with status " << status;
  return report;
}

// ---------------------------------------------------------------------------
// The real binary, run as a child process.

// Its path, given by the build in the test's environment.
inline std::string QmrBinary() {
  const char* path = std::getenv("QMR_BINARY");
  return path != nullptr ? path : "";
}

// A running qmr; killed and reaped if the test leaves it running.
class QmrProcess {
 public:
  // Starts `qmr ARGS...`, its output to `outputPath` ("" for none).
  QmrProcess(const std::vector<std::string>& args, const std::string& outputPath = "") {
    std::vector<std::string> words{QmrBinary()};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    const std::string output = outputPath.empty() ? "/dev/null" : outputPath;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0) pid_ = -1;
  }
  ~QmrProcess() {
    if (pid_ > 0 && !reaped_) {
      kill(pid_, SIGKILL);
      Wait();
    }
  }
  QmrProcess(const QmrProcess&) = delete;
  QmrProcess& operator=(const QmrProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  pid_t Pid() const { return pid_; }

  // The wait status once it ended.
  int Wait() {
    while (!reaped_ && waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
    }
    reaped_ = true;
    return status_;
  }
  // True when it ended (and is reaped); does not wait.
  bool Ended() {
    if (!reaped_ && waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
    return reaped_;
  }
  // Stops it; true when it is stopped, false when it ended first.
  bool Stop() {
    kill(pid_, SIGSTOP);
    int status = 0;
    while (waitpid(pid_, &status, WUNTRACED) < 0 && errno == EINTR) {
    }
    if (WIFSTOPPED(status)) return true;
    status_ = status;
    reaped_ = true;
    return false;
  }
  void Signal(int signalNumber) const { kill(pid_, signalNumber); }

 private:
  pid_t pid_ = -1;
  int status_ = 0;
  bool reaped_ = false;
};

// Runs qmr to its end; the exit status, or -1 when it did not exit by itself.
inline int RunQmr(const std::vector<std::string>& args, const std::string& outputPath = "") {
  QmrProcess run(args, outputPath);
  if (!run.Started()) return -1;
  const int status = run.Wait();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// ---------------------------------------------------------------------------
// A folder of trends whose masters are to be replaced: each trend's old
// master (made when it had fewer data files) and the master an uninterrupted
// run of the binary writes now, so that a master found after an interruption
// can be told old, new or neither.

enum class MasterState { Old, New, Neither };

class TrendSet {
 public:
  struct Trend {
    std::string name;
    std::vector<qmr::samples::SampleFile> files;
  };

  // Writes the trends into `folder` with their old masters in place.
  TrendSet(const std::string& folder, std::vector<Trend> trends, std::size_t oldFileCount)
      : folder_(folder), trends_(std::move(trends)) {
    for (const Trend& trend : trends_) {
      // The old master: the trend as it was a few files ago.
      std::vector<qmr::samples::SampleFile> earlier(trend.files.begin(),
                                                    trend.files.begin() + static_cast<std::ptrdiff_t>(oldFileCount));
      qmr::samples::WriteTrend(folder_, trend.name, earlier);
      qmr::RebuildEvents silent;
      qmr::RebuildTrend(FirstFile(trend.name), silent);
      oldMasters_[trend.name] = Contents(MasterPath(trend.name));
      qmr::samples::WriteTrend(folder_, trend.name, trend.files);
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      const std::string name = entry.path().filename().string();
      if (!name.ends_with(".qmr")) dataFiles_[name] = Contents(entry.path().string());
    }
  }

  const std::string& folder() const { return folder_; }
  const std::vector<Trend>& trends() const { return trends_; }
  std::string FirstFile(const std::string& name) const { return folder_ + "/" + name + ".000"; }
  std::string MasterPath(const std::string& name) const { return folder_ + "/" + name + ".qmr"; }

  // `qmr rebuild -q` with every trend's first file.
  std::vector<std::string> RebuildArguments() const {
    std::vector<std::string> args{"rebuild", "-q"};
    for (const Trend& trend : trends_) args.push_back(FirstFile(trend.name));
    return args;
  }

  // Runs the binary once uninterrupted, keeps what it wrote as the new
  // masters and returns how long the run took; the old masters are put back.
  std::chrono::microseconds LearnNewMasters(const std::string& outputPath) {
    const auto start = std::chrono::steady_clock::now();
    const int status = RunQmr(RebuildArguments(), outputPath);
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    const Bytes output = ReadIfThere(outputPath).value_or(Bytes{});
    EXPECT_EQ(status, 0) << std::string(output.begin(), output.end());
    for (const Trend& trend : trends_) {
      const Bytes written = Contents(MasterPath(trend.name));
      EXPECT_NE(written, oldMasters_[trend.name]) << trend.name << ": the new master is the old one";
      newMasters_[trend.name] = WithoutDate(written);
    }
    RestoreOldMasters();
    return took;
  }

  void RestoreOldMasters() const {
    for (const auto& [name, bytes] : oldMasters_) WriteBytes(MasterPath(name), bytes);
  }

  MasterState StateOf(const std::string& name) const {
    const std::optional<Bytes> read = ReadIfThere(MasterPath(name));
    if (!read) return MasterState::Neither;
    const Bytes& master = *read;
    if (master == oldMasters_.at(name)) return MasterState::Old;
    const Bytes& expected = newMasters_.at(name);
    if (master.size() == expected.size() && qmr::BannerDateRange(master) && WithoutDate(master) == expected)
      return MasterState::New;
    return MasterState::Neither;
  }

  // The data files that differ from what was written, by name.
  std::vector<std::string> ChangedDataFiles() const {
    std::vector<std::string> changed;
    for (const auto& [name, bytes] : dataFiles_) {
      if (ReadIfThere(folder_ + "/" + name) != bytes) changed.push_back(name);
    }
    return changed;
  }

 private:
  std::string folder_;
  std::vector<Trend> trends_;
  std::map<std::string, Bytes> oldMasters_;
  std::map<std::string, Bytes> newMasters_;  // dates masked
  std::map<std::string, Bytes> dataFiles_;
};

// "T00", "T01", ...
inline std::string TrendName(int number) {
  std::string name = number < 10 ? "T0" : "T";
  name += std::to_string(number);
  return name;
}

}  // namespace safety_test
