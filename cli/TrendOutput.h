// Printing the reports of `qmr rebuild` and `qmr check`: in words for people
// (results on standard output, warnings and failures on standard error), or
// as JSON Lines for scripts (everything on standard output).
#pragma once

#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "cli/TrendReport.h"

namespace qmr::cli {

enum class Command { Rebuild, Check, Scan };

// Exit statuses of the tool.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitWarnings = 3;

// What a run did, counted as its reports are printed.
struct RunTotals {
  std::size_t trends = 0;
  std::map<TrendStatus, std::size_t> byStatus;  // as the trends ended
  std::map<TrendStatus, std::size_t> byFound;   // scan: as the masters were found
  std::size_t withWarnings = 0;
  std::size_t unreadableFolders = 0;
  std::size_t rootsNotWalked = 0;  // scan: FOLDERs given that could not be walked at all
  std::size_t filesRead = 0;
  double seconds = 0;
  bool failed = false;  // a trend failed or was refused, or a master is not ok

  void Add(const TrendReport& report);
};

// 1 when a trend failed or was refused (check: or its master is missing,
// differs, or is a folder; scan: or a FOLDER given could not be walked), else 3 when a trend has warnings or a folder
// could not be read (1 with `strict`: a master that is not healthy fails
// the check), else 0.
int ExitStatusOf(const RunTotals& totals, bool strict);

// A text as a terminal line may show it: control characters as \xHH, so
// that a file name cannot move the cursor, ring the bell or start an escape
// sequence. Controls are C0 and DEL, and C1 both as a UTF-8 character
// (U+0080 to U+009F, shown as its two bytes) and as a single byte 0x80 to
// 0x9F, which a terminal of 8-bit characters obeys. Other UTF-8 characters
// and other single bytes from 0xA0 on are shown as they are.
std::string Shown(const std::string& text);

class TrendOutput {
 public:
  virtual ~TrendOutput() = default;
  virtual void Trend(const TrendReport& report) = 0;
  // scan: a folder that could not be listed.
  virtual void Unreadable(const UnreadableFolder& folder) = 0;
  virtual void Summary(const RunTotals& totals, int exitStatus) = 0;
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
  void Unreadable(const UnreadableFolder& folder) override;
  void Summary(const RunTotals& totals, int exitStatus) override;

 private:
  void Warnings(const TrendReport& report);
  void Result(const TrendReport& report);
  void ScanLine(const TrendReport& report);

  Command command_;
  HumanStyle style_;
  std::ostream& out_;
  std::ostream& err_;
};

class JsonOutput : public TrendOutput {
 public:
  JsonOutput(Command command, bool verbose, std::ostream& out) : command_(command), verbose_(verbose), out_(out) {}
  void Trend(const TrendReport& report) override;
  void Unreadable(const UnreadableFolder& folder) override;
  void Summary(const RunTotals& totals, int exitStatus) override;

 private:
  Command command_;
  bool verbose_;
  std::ostream& out_;
};

}  // namespace qmr::cli
