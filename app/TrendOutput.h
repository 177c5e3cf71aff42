// Printing the reports of `qmr rebuild` and `qmr check`: in words for people
// (results on standard output, warnings and failures on standard error), or
// as JSON Lines for scripts (everything on standard output).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "app/TrendReport.h"

namespace qmr::cli {

enum class Command { Rebuild, Check };

// Exit statuses of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWarnings = 3;

// 1 when a trend failed or was refused (check: or its master is missing,
// differs, or is a folder), else 3 when a trend has warnings (1 with
// `strict`: a master that is not healthy fails the check), else 0.
int ExitStatusOf(const std::vector<TrendReport>& reports, bool strict);

// A text as a terminal line may show it: control characters as \xHH, so
// that a file name cannot move the cursor or ring the bell.
std::string Shown(const std::string& text);

class TrendOutput {
 public:
  virtual ~TrendOutput() = default;
  virtual void Trend(const TrendReport& report) = 0;
  virtual void Summary(const std::vector<TrendReport>& reports, int exitStatus) = 0;
};

struct HumanStyle {
  bool quiet = false;    // only failures and refusals
  bool verbose = false;  // also every data file read
};

class HumanOutput : public TrendOutput {
 public:
  HumanOutput(Command command, HumanStyle style, std::ostream& out, std::ostream& err)
      : command_(command), style_(style), out_(out), err_(err) {}
  void Trend(const TrendReport& report) override;
  void Summary(const std::vector<TrendReport>&, int) override {}

 private:
  void Warnings(const TrendReport& report);
  void Result(const TrendReport& report);

  Command command_;
  HumanStyle style_;
  std::ostream& out_;
  std::ostream& err_;
};

class JsonOutput : public TrendOutput {
 public:
  JsonOutput(Command command, bool verbose, std::ostream& out) : command_(command), verbose_(verbose), out_(out) {}
  void Trend(const TrendReport& report) override;
  void Summary(const std::vector<TrendReport>& reports, int exitStatus) override;

 private:
  Command command_;
  bool verbose_;
  std::ostream& out_;
};

}  // namespace qmr::cli
