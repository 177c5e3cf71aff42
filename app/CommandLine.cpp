#include "app/CommandLine.h"

#include <exception>
#include <optional>
#include <string_view>

#include "ProgramVersion.h"
#include "app/MasterShow.h"
#include "app/ShowJson.h"
#include "app/TrendCommands.h"
#include "app/TrendOperands.h"
#include "app/TrendOutput.h"
#include "tools/Errors.h"

namespace qmr::cli {

namespace {

const char* const kUsage = R"(Usage: qmr rebuild [-n] [--force] [-q] [-v] [--json] NAME.000...
       qmr check [--strict] [-q] [-v] [--json] NAME.000...
       qmr show [--master | --data] [--json] FILE
       qmr --help | --version
)";

const char* const kHelp = R"(Usage: qmr COMMAND [OPTION...] ARGUMENT...

Rebuilds the master file (NAME.qmr) of a trend from its numbered data files
(NAME.000, NAME.001, ...), checks existing master files, and shows the fields
of master and data files.

Commands:
  qmr rebuild [OPTION...] NAME.000...
      Rebuilds the master of each trend exactly as the windows do and prints
      one line per trend: the master, its version, the data files found and
      the entries written. A trend may be named by any of its files (NAME.000,
      NAME.001, NAME.qmr) or by NAME; a trend named twice is rebuilt once. A
      trend whose NAME.000 is missing is refused and nothing is written. A
      master that holds entries is not replaced by one without entries (its
      last data file is not a trend data file) unless --force is given. A
      read-only master is not replaced. A trend that fails is reported with
      the error's description and number; the next trend is rebuilt all the
      same.
      -n, --dry-run  read every data file and report what would be written,
                     without writing anything.
      --force        write a master without entries over one with entries.
  qmr check [OPTION...] NAME.000...
      Composes in memory what a rebuild would write and compares it with the
      existing NAME.qmr, ignoring only the date and time in the banner. Prints
      per trend "ok", "missing", "is a folder", or "differs" with each field
      that differs (up to 20), its expected and its actual value. Never writes
      anything.
      --strict       also fail a master that matches but is not healthy: no
                     entries while data files exist, all-zero entries, data
                     files beyond a gap, files that are not trend data files,
                     temporary files left by an interrupted rebuild.
  qmr show [--master | --data] FILE
      Prints every field of a master file, or of a data file's header: the
      banner's lines, the counts, one block per entry (numbered from 0,
      all-zero slots marked), order keys as integer and as the text they are
      sorted by. FILE is read as a master file when its name ends in ".qmr"
      (any case) or when it opens with the banner's first lines; otherwise as
      a data file. --master or --data decides instead. Text bytes are shown
      quoted, with \r \n \t \" \\, \xHH for other bytes and \x00{N} for a run
      of N NUL bytes. Folders, pipes and devices are refused.
  qmr --help       prints this text.
  qmr --version    prints the program's version.

Options of rebuild and check:
  -q, --quiet      print only failures and refusals.
  -v, --verbose    also name each data file read (on standard error).
  --json           print JSON Lines instead: one object per trend (or per
                   file shown), then one summary object; see the README.

Warnings go to standard error: a data file that is not a trend data file
(with the reason), data files lying beyond a missing number (not read), empty
entries, a master that could not keep its owner.

A relative path is made absolute by its text ("." and ".." resolved), so that
the master records the paths as they were meant.

Exit status:
  0  success: every trend rebuilt (check: every master ok), no warnings
  1  a trend failed or was refused; check: a master is missing or differs
     (with --strict: or is not healthy); show: the file did not decode whole
  2  wrong usage
  3  done, with warnings: some data files were not trend data files, lay
     beyond a gap, or left empty entries
)";

int UsageError(const std::string& problem, std::ostream& err) {
  err << "qmr: " << problem << "\nTry 'qmr --help'.\n";
  return kExitUsage;
}

struct Options {
  bool dryRun = false;
  bool force = false;
  bool strict = false;
  bool quiet = false;
  bool verbose = false;
  bool json = false;
  ShowAs showAs = ShowAs::Auto;
  std::vector<std::string> operands;
};

// What each command accepts. Short options may be grouped ("-nq").
std::optional<std::string> ParseOptions(const std::string& command, const std::vector<std::string>& args,
                                        Options& options) {
  const bool trends = command == "rebuild" || command == "check";
  auto take = [&](const std::string& option) -> bool {
    if (option == "--json") return options.json = true;
    if (trends && (option == "-q" || option == "--quiet")) return options.quiet = true;
    if (trends && (option == "-v" || option == "--verbose")) return options.verbose = true;
    if (command == "rebuild" && (option == "-n" || option == "--dry-run")) return options.dryRun = true;
    if (command == "rebuild" && option == "--force") return options.force = true;
    if (command == "check" && option == "--strict") return options.strict = true;
    if (command == "show" && option == "--master" && options.showAs != ShowAs::Data) {
      options.showAs = ShowAs::Master;
      return true;
    }
    if (command == "show" && option == "--data" && options.showAs != ShowAs::Master) {
      options.showAs = ShowAs::Data;
      return true;
    }
    return false;
  };
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      options.operands.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg[1] == '-') {
      if (!take(arg)) return command + ": unknown option '" + arg + "'";
    } else {
      for (std::size_t letter = 1; letter < arg.size(); ++letter) {
        const std::string single = std::string("-") + arg[letter];
        if (!take(single)) return command + ": unknown option '" + single + "'";
      }
    }
  }
  if (options.quiet && options.verbose) return command + ": give at most one of -q and -v";
  return std::nullopt;
}

int RunTrends(Command command, const Options& options, std::ostream& out, std::ostream& err) {
  const std::vector<TrendOperand> trends = ResolveOperands(options.operands);
  TrendSettings settings;
  settings.dryRun = options.dryRun;
  settings.force = options.force;
  FolderCache folders;
  MasterWriter writer(MasterWriter::FolderSync::OncePerFolder);

  HumanOutput human(command, HumanStyle{options.quiet, options.verbose}, out, err);
  JsonOutput json(command, options.verbose, out);
  TrendOutput& output = options.json ? static_cast<TrendOutput&>(json) : human;

  std::vector<TrendReport> reports;
  for (const TrendOperand& trend : trends) {
    reports.push_back(command == Command::Rebuild ? RebuildOneTrend(trend, settings, folders, writer)
                                                  : CheckOneTrend(trend, settings, folders));
    output.Trend(reports.back());
  }
  writer.Finish();
  const int status = ExitStatusOf(reports, options.strict);
  output.Summary(reports, status);
  return status;
}

int Show(const Options& options, std::ostream& out, std::ostream& err) {
  if (options.operands.size() != 1) return UsageError("show: give exactly one FILE", err);
  const std::string& path = options.operands[0];
  if (!options.json) {
    try {
      return ShowFile(path, options.showAs, out, err) == 0 ? kExitOk : kExitFailed;
    } catch (const Error& failure) {
      err << "qmr: " << Shown(path) << ": " << Shown(failure.description()) << " (error " << failure.number() << ")\n";
      return kExitFailed;
    }
  }
  Json file;
  bool whole = false;
  try {
    file = DescribeFile(path, ReadShownFile(path, options.showAs), whole);
  } catch (const Error& failure) {
    file["type"] = "file";
    PutText(file, "file", path);
    Json error;
    error["number"] = failure.number();
    PutText(error, "description", failure.description());
    file["error"] = std::move(error);
  }
  const int status = whole ? kExitOk : kExitFailed;
  Json summary;
  summary["type"] = "summary";
  summary["command"] = "show";
  summary["files"] = 1;
  summary["decoded_whole"] = whole ? 1 : 0;
  summary["exit_status"] = status;
  out << JsonLine(file) << JsonLine(summary);
  return status;
}

}  // namespace

std::string HelpText() { return kHelp; }

int RunQmr(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsage << "Try 'qmr --help' for more.\n";
    return kExitUsage;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    out << kHelp;
    return kExitOk;
  }
  if (command == "--version") {
    out << kApplicationTitle << " version " << kVersionText << '\n';
    return kExitOk;
  }
  if (command != "rebuild" && command != "check" && command != "show")
    return UsageError("unknown command '" + command + "'", err);
  for (std::size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      out << kHelp;
      return kExitOk;
    }
  }

  Options options;
  if (const std::optional<std::string> problem = ParseOptions(command, args, options)) return UsageError(*problem, err);
  if (command == "show") return Show(options, out, err);
  if (options.operands.empty()) return UsageError(command + ": no trend given (NAME.000)", err);
  return RunTrends(command == "rebuild" ? Command::Rebuild : Command::Check, options, out, err);
}

}  // namespace qmr::cli
