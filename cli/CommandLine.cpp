#include "cli/CommandLine.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <iostream>
#include <optional>
#include <string_view>

#include "ProgramVersion.h"
#include "cli/MasterShow.h"
#include "cli/ShowJson.h"
#include "cli/TrendCommands.h"
#include "cli/TrendOperands.h"
#include "cli/TrendOutput.h"
#include "cli/TrendRunner.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "trends/TrendWalk.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace qmr::cli {

namespace {

const char* const kUsage =
    R"(Usage: qmr rebuild [-n] [--force] [-j N] [--record-as FOLDER] [--follow-links] [-q] [-v] [--json] NAME.000...
       qmr check [--strict] [-j N] [--record-as FOLDER] [--follow-links] [-q] [-v] [--json] NAME.000...
       qmr scan [--rebuild] [-n] [--force] [-j N] [--record-as FOLDER] [--follow-links] [--cross-devices] [-q] [-v]
                [--json] FOLDER...
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
  qmr scan [OPTION...] FOLDER...
      Walks each folder and the folders below it (links to folders are not
      followed, other file systems not entered unless --cross-devices) and
      checks every trend it finds (every NAME.000), one line per trend in
      path order: the master's state (ok, missing, differs at the first
      difference, a folder, no entries, stale temporary file), the data
      files found, the last version, the entries and how many are empty,
      the data files that are not trend data files or lie beyond a gap. A
      summary follows: trends by state, data files read, time taken.
      Folders that cannot be read are reported and the walk goes on.

      --rebuild        rebuild the masters that are missing or differ, under
                       the rules of rebuild (-n and --force as there).
      --cross-devices  enter folders on other file systems too.
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

Options of rebuild, check and scan:
  -j N, --jobs N   work on N trends at once (default: one per core). Each
                   trend is still read one data file at a time and written
                   as alone; the output is the same whatever N is.
  --record-as FOLDER
                   record in the entries the paths the runtime will open:
                   FOLDER, "\" and each data file's name, whatever the
                   machine that rebuilds (a copy of the plant's files rebuilt
                   elsewhere). FOLDER must fit the format: single-byte
                   characters, short enough for an entry.
  --follow-links   follow every data file that is a symbolic link. Without
                   it a link is followed only when it and its target have
                   the same owner or the link is the user's own; the
                   trend's data files end at any other, with a warning.
                   A master that is a link, a device or a pipe is never
                   read or replaced, with or without it.
  -q, --quiet      print only failures and refusals.
  -v, --verbose    also name each data file read (on standard error).
  --json           print JSON Lines instead: one object per trend (or per
                   file shown), then one summary object; see the README.
On a terminal, a run that takes more than a second shows its progress on one
line of standard error (not with -q or --json).

Warnings go to standard error: a data file that is not a trend data file
(with the reason), data files lying beyond a missing number (not read), empty
entries, a master that could not keep its owner.

A relative path is made absolute by its text ("." and ".." resolved), so that
the master records the paths as they were meant.

Exit status:
  0  success: every trend rebuilt (with -n: would be; check, scan: every
     master ok; scan --rebuild: ok or rebuilt, or with -n would be), no
     warnings
  1  a trend failed or was refused; check and scan: a master is missing or
     differs (with --strict: or is not healthy); show: the file did not
     decode whole
  2  wrong usage
  3  done, with warnings: some data files were not trend data files, lay
     beyond a gap, or left empty entries; scan: a folder could not be read
)";

int UsageError(const std::string& problem, std::ostream& err) {
  err << "qmr: " << problem << "\nTry 'qmr --help'.\n";
  return kExitUsage;
}

struct Options {
  bool dryRun = false;
  bool force = false;
  bool strict = false;
  bool repair = false;
  bool crossDevices = false;
  bool followLinks = false;
  unsigned jobs = 0;  // 0: one per core
  std::optional<std::string> recordAs;
  bool quiet = false;
  bool verbose = false;
  bool json = false;
  ShowAs showAs = ShowAs::Auto;
  std::vector<std::string> operands;
};

enum class ValueMatch { No, Yes, NoValue };

// Whether args[i] is the option named `shortName` or `longName` that takes a
// value: "-j 4", "-j4", "--jobs 4", "--jobs=4". Moves `i` past a value in
// the next argument.
ValueMatch MatchValue(const std::vector<std::string>& args, std::size_t& i, const std::string& shortName,
                      const std::string& longName, std::string& value) {
  const std::string& arg = args[i];
  if (arg == shortName || arg == longName) {
    if (i + 1 >= args.size()) return ValueMatch::NoValue;
    value = args[++i];
    return ValueMatch::Yes;
  }
  if (arg.starts_with(longName + "=")) {
    value = arg.substr(longName.size() + 1);
    return ValueMatch::Yes;
  }
  if (!shortName.empty() && arg.size() > shortName.size() && arg.starts_with(shortName)) {
    value = arg.substr(shortName.size());
    return ValueMatch::Yes;
  }
  return ValueMatch::No;
}

// What each command accepts. Short options may be grouped ("-nq"); an option
// with a value takes the next argument, or its own rest ("-j4",
// "--jobs=4").
std::optional<std::string> ParseOptions(const std::string& command, const std::vector<std::string>& args,
                                        Options& options) {
  const bool trends = command == "rebuild" || command == "check" || command == "scan";
  const bool writes = command == "rebuild" || command == "scan";
  auto take = [&](const std::string& option) -> bool {
    if (option == "--json") return options.json = true;
    if (trends && (option == "-q" || option == "--quiet")) return options.quiet = true;
    if (trends && (option == "-v" || option == "--verbose")) return options.verbose = true;
    if (writes && (option == "-n" || option == "--dry-run")) return options.dryRun = true;
    if (writes && option == "--force") return options.force = true;
    if (command == "check" && option == "--strict") return options.strict = true;
    if (command == "scan" && option == "--rebuild") return options.repair = true;
    if (command == "scan" && option == "--cross-devices") return options.crossDevices = true;
    if (trends && option == "--follow-links") return options.followLinks = true;
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
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    std::string value;
    const ValueMatch jobs = trends ? MatchValue(args, i, "-j", "--jobs", value) : ValueMatch::No;
    const ValueMatch recordAs =
        trends && jobs == ValueMatch::No ? MatchValue(args, i, "", "--record-as", value) : ValueMatch::No;
    if (jobs == ValueMatch::NoValue || recordAs == ValueMatch::NoValue) return command + ": " + arg + " needs a value";
    if (jobs == ValueMatch::Yes) {
      unsigned long count = 0;
      std::size_t used = 0;
      try {
        count = std::stoul(value, &used);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used == 0 || used != value.size() || count < 1 || count > 256)
        return command + ": -j takes a number of trends from 1 to 256, not '" + value + "'";
      options.jobs = static_cast<unsigned>(count);
    } else if (recordAs == ValueMatch::Yes) {
      if (value.empty()) return command + ": --record-as needs a folder";
      options.recordAs = value;
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
  if (command == "scan" && !options.repair && (options.dryRun || options.force))
    return command + ": -n and --force go with --rebuild";
  return std::nullopt;
}

bool StandardErrorIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

int RunTrends(Command command, const Options& options, std::ostream& out, std::ostream& err) {
  TrendSettings settings;
  settings.dryRun = options.dryRun;
  settings.force = options.force;
  settings.repair = options.repair;
  settings.followLinks = options.followLinks;
  settings.listFilesRead = options.verbose;
  const unsigned threads = options.jobs != 0 ? options.jobs : DefaultThreads();
  // With one thread the run reads as the engine alone does; with more, a
  // large trend's files are read ahead, which a cold disk serves faster.
  settings.readAhead = threads > 1;
  if (options.recordAs) {
    try {
      settings.recordAs.emplace(*options.recordAs);
    } catch (const Error& error) {
      return UsageError("--record-as: " + error.description(), err);
    }
  }
  const auto started = std::chrono::steady_clock::now();
  ProgressLine progress(err, StandardErrorIsTerminal() && !options.quiet && !options.json && &err == &std::cerr);
  // Each folder is synced once, after its last master.
  MasterWriter writer(MasterWriter::FolderSync::OncePerFolder);

  HumanOutput human(command, HumanStyle{options.quiet, options.verbose}, out, err);
  JsonOutput json(command, options.verbose, out);
  TrendOutput& output = options.json ? static_cast<TrendOutput&>(json) : human;
  RunTotals totals;
  {
    TrendRunner runner(
        threads,
        [&](TrendReport& report) {
          if (report.unreadable) {
            ++totals.unreadableFolders;
            output.Unreadable(report.unreadable->folder, report.unreadable->why);
            return;
          }
          totals.Add(report);
          output.Trend(report);
        },
        progress);
    auto work = [&](TrendJob job) {
      runner.Submit([&settings, &writer, &progress, command, job = std::move(job)] {
        switch (command) {
          case Command::Rebuild: return RebuildOneTrend(job, settings, writer, &progress);
          case Command::Check: return CheckOneTrend(job, settings, nullptr, &progress);
          case Command::Scan: return CheckOneTrend(job, settings, &writer, &progress);
        }
        return TrendReport();
      });
    };
    if (command == Command::Scan) {
      WalkCallbacks walk;
      std::size_t found = 0;
      walk.trend = [&](const std::string& firstFile, const std::shared_ptr<const TrendFolder>& folder) {
        ++found;
        work(TrendJob{TrendOperand{firstFile, firstFile, {}}, folder});
      };
      walk.unreadable = [&](const std::string& folder, const std::string& why) {
        ++found;  // one more line of the run, done as soon as it is taken
        runner.Submit([unreadable = UnreadableFolder{folder, why}] {
          TrendReport report;
          report.unreadable = unreadable;
          return report;
        });
      };
      walk.firstFileMissing = [&](const std::string& firstFile, const std::shared_ptr<const TrendFolder>&) {
        ++found;
        runner.Submit([firstFile] { return FirstFileMissingReport(firstFile); });
      };
      walk.otherDevice = [&](const std::string& folder) {
        if (!options.quiet && !options.json)
          err << "qmr: " << Shown(folder) << ": not entered: another file system (--cross-devices enters it)\n";
      };
      // One walker for every root: a folder reached from two roots (or
      // through a bind mount) is walked once.
      TrendWalker walker(options.crossDevices, walk);
      for (const std::string& root : options.operands) {
        try {
          walker.Walk(AbsolutePath(root));
        } catch (const Error& error) {
          walk.unreadable(root, error.description());
        }
      }
      progress.SetTotal(found);
    } else {
      FolderCache folders;
      const std::vector<TrendOperand> trends = ResolveOperands(options.operands);
      progress.SetTotal(trends.size());
      for (const TrendOperand& trend : trends)
        work(TrendJob{trend, trend.refusal.empty() ? folders.Get(FolderPart(trend.firstFile)) : nullptr});
    }
    runner.Finish();
  }
  writer.Finish();
  progress.Clear();
  totals.filesRead = progress.FilesRead();
  totals.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  const int status = ExitStatusOf(totals, options.strict);
  output.Summary(totals, status);
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
  if (command != "rebuild" && command != "check" && command != "scan" && command != "show")
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
  if (command == "scan") {
    if (options.operands.empty()) return UsageError("scan: no folder given", err);
    return RunTrends(Command::Scan, options, out, err);
  }
  if (options.operands.empty()) return UsageError(command + ": no trend given (NAME.000)", err);
  return RunTrends(command == "rebuild" ? Command::Rebuild : Command::Check, options, out, err);
}

}  // namespace qmr::cli
