#include "cli/CommandLine.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string_view>

#include "ProgramVersion.h"
#include "cli/CommandHelp.h"
#include "cli/ErrorLine.h"
#include "cli/InterruptWatch.h"
#include "cli/MasterShow.h"
#include "cli/NearMiss.h"
#include "cli/ProgressLine.h"
#include "cli/ShowJson.h"
#include "cli/TrendCommands.h"
#include "cli/TrendOperands.h"
#include "cli/TrendOutput.h"
#include "texts/ErrorWords.h"
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

int UsageError(const std::string& problem, std::ostream& err, const std::string& command = {}) {
  // The problem may quote what was typed, control characters and all.
  err << "qmr: " << Shown(problem) << "\nTry 'qmr " << (command.empty() ? std::string() : command + " ")
      << "--help'.\n";
  return kExitUsage;
}

// The options each command takes, for "did you mean".
std::vector<std::string> OptionsOf(const std::string& command) {
  std::vector<std::string> options{"--help", "--json"};
  if (command == "show") {
    options.insert(options.end(), {"--master", "--data"});
    return options;
  }
  options.insert(options.end(), {"--jobs", "--record-as", "--follow-links", "--quiet", "--verbose"});
  if (command == "rebuild" || command == "scan") options.insert(options.end(), {"--dry-run", "--force"});
  if (command == "check") options.emplace_back("--strict");
  if (command == "scan") options.insert(options.end(), {"--rebuild", "--cross-devices"});
  return options;
}

std::string Unknown(const std::string& what, const std::string& typed, const std::vector<std::string>& known) {
  std::string problem = "unknown " + what + " '" + Shown(typed) + "'";
  if (const std::optional<std::string> near = NearMiss(typed, known)) problem += "; did you mean '" + *near + "'?";
  return problem;
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
    if (command == "show" && option == "--master") {
      options.showAs = ShowAs::Master;
      return true;
    }
    if (command == "show" && option == "--data") {
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
    } else if (command == "show" && (arg == "--master" || arg == "--data") && options.showAs != ShowAs::Auto &&
               (options.showAs == ShowAs::Master) != (arg == "--master")) {
      return "show: --master and --data conflict: give one of them";
    } else if (arg[1] == '-') {
      if (!take(arg)) return command + ": " + Unknown("option", arg, OptionsOf(command));
    } else {
      for (std::size_t letter = 1; letter < arg.size(); ++letter) {
        const std::string single = std::string("-") + arg[letter];
        if (!take(single)) return command + ": unknown option '" + Shown(single) + "'";
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
  // A large trend's files are opened ahead on a thread of their own, which a
  // cold disk serves faster; asked for one thread, the run starts no other.
  settings.readAhead = options.jobs != 1;
  if (options.recordAs) {
    try {
      settings.recordAs.emplace(*options.recordAs);
    } catch (const Error& error) {
      return UsageError("--record-as: " + ErrorWords(error), err);
    }
  }
  // Before the first thread: every thread inherits the blocked signals.
  if (threads > 1) WatchInterruptsBeforeThreads();
  const auto started = std::chrono::steady_clock::now();
  ProgressLine progress(err, StandardErrorIsTerminal() && !options.quiet && !options.json && &err == &std::cerr);
  // Each folder is synced once, after its last master.
  MasterWriter writer(MasterWriter::FolderSync::OncePerFolder);

  HumanOutput human(command, HumanStyle{options.quiet, options.verbose}, out, err);
  JsonOutput json(command, options.verbose, out);
  TrendOutput& output = options.json ? static_cast<TrendOutput&>(json) : human;
  RunTotals totals;
  {
    FolderCache folders;  // outlives the runner, whose jobs list into it
    TrendRunner runner(threads, progress);
    const auto print = [&](TrendReport& report) {
      if (report.unreadable) {
        ++(report.unreadable->root ? totals.rootsNotWalked : totals.unreadableFolders);
        output.Unreadable(*report.unreadable);
        return;
      }
      // A master that matches fails a strict check when the trend is not
      // healthy: its report says so, in words and in JSON.
      if (options.strict && report.status == TrendStatus::Ok && !report.warnings.empty())
        report.status = report.found = TrendStatus::Unhealthy;
      totals.Add(report);
      output.Trend(report);
    };
    // A job's report is made on a worker and printed, in order, here.
    const auto submit = [&](std::function<TrendReport()> job) {
      runner.Submit([&print, job = std::move(job)]() -> TrendRunner::Print {
        auto report = std::make_shared<TrendReport>(job());
        return [&print, report] { print(*report); };
      });
    };
    auto work = [&](TrendJob job) {
      submit([&settings, &writer, &progress, command, job = std::move(job)] {
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
        work(TrendJob{TrendOperand{firstFile, TrendPath::OfFile(firstFile), {}}, folder});
      };
      walk.unnamable = [&](const std::string& shown, const Error& why) {
        ++found;
        work(TrendJob{TrendOperand{shown, TrendPath::OfFile(shown), ErrorLine(why)}, nullptr});
      };
      std::string walkedRoot;  // as the walk names it: no separator at its end
      const auto unreadable = [&](const std::string& folder, const std::string& why, bool root) {
        ++found;  // one more line of the run, done as soon as it is taken
        submit([unreadable = UnreadableFolder{folder, why, root}] {
          TrendReport report;
          report.unreadable = unreadable;
          return report;
        });
      };
      walk.unreadable = [&](const std::string& folder, const Error& why) {
        unreadable(folder, ErrorLine(why), folder == walkedRoot);
      };
      walk.entering = [&](const std::string& folder) {
        progress.Walking(folder);
        progress.Tick();
      };
      walk.firstFileMissing = [&](const std::string& firstFile, const std::shared_ptr<const TrendFolder>&) {
        ++found;
        submit([firstFile] { return FirstFileMissingReport(firstFile); });
      };
      walk.otherDevice = [&](const std::string& folder) {
        if (!options.quiet && !options.json)
          err << "qmr: " << Shown(folder) << ": not entered: another file system (--cross-devices enters it)\n";
      };
      // One walker for every root: a folder reached from two roots (or
      // through a bind mount) is walked once.
      TrendWalker walker(options.crossDevices, walk);
      for (const std::string& root : options.operands) {
        // A mistyped FOLDER is an error, not a warning among the trends:
        // a script must tell it from a plant whose scan found damage.
        try {
          const std::string absolute = AbsolutePath(root);
          const EntryKind kind = KindOfEntry(absolute);
          if (kind != EntryKind::Folder) {
            unreadable(root, kind == EntryKind::None ? "no such folder" : "not a folder", true);
            continue;
          }
          walkedRoot = absolute;
          while (walkedRoot.size() > 1 && walkedRoot.back() == kPathSeparator &&
                 walkedRoot[walkedRoot.size() - 2] != ':')
            walkedRoot.pop_back();
          walker.Walk(absolute);
        } catch (const Error& error) {
          unreadable(root, ErrorWords(error), true);
        }
      }
      progress.SetTotal(found);
    } else {
      const std::vector<TrendOperand> trends = ResolveOperands(options.operands);
      progress.SetTotal(trends.size());
      // Each folder is listed by the first of its trends to be done.
      for (const TrendOperand& trend : trends)
        work(TrendJob{trend, nullptr, trend.refusal.empty() ? &folders : nullptr});
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

// The file `show` reads: FILE as named, or for a trend's NAME that is no
// file (no ".qmr" or data file ending taken off), its master NAME.qmr.
std::string ShownPath(const std::string& operand) {
  if (TrendPathOf(operand) != operand) return operand;
  try {
    if (KindOfEntry(operand) != EntryKind::None) return operand;
  } catch (const Error&) {
    return operand;  // the read that follows names the failure
  }
  return operand + ".qmr";
}

// A file that is not there is told so once, not by the number's wording,
// the path and the system's wording in turn.
std::string FailureWords(const Error& failure) {
  if (failure.code() == ErrorCode::FileNotFound) return "not found";
  return ErrorWords(failure);
}

int Show(const Options& options, std::ostream& out, std::ostream& err) {
  if (options.operands.size() != 1) return UsageError("show: give exactly one FILE", err, "show");
  if (options.operands[0].empty()) return UsageError("show: an empty operand names no file", err, "show");
  const std::string path = ShownPath(options.operands[0]);
  if (!options.json) {
    try {
      return ShowFile(path, options.showAs, out, err) == 0 ? kExitOk : kExitFailed;
    } catch (const Error& failure) {
      err << "qmr: " << Shown(path) << ": " << Shown(FailureWords(failure)) << " (error " << failure.number() << ")\n";
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
    PutText(error, "description", ErrorWords(failure));
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

int RunQmr(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << UsageText() << "Try 'qmr --help' for more.\n";
    return kExitUsage;
  }
  const std::string& command = args[0];
  if (command == "--help" || command == "-h") {
    out << HelpText();
    return kExitOk;
  }
  if (command == "help") {
    if (args.size() == 1) {
      out << HelpText();
      return kExitOk;
    }
    const std::optional<std::string> help = CommandHelpText(args[1]);
    if (!help) return UsageError("help: " + Unknown("command", args[1], CommandNames()), err);
    if (args.size() > 2) return UsageError("help: give one command", err);
    out << *help;
    return kExitOk;
  }
  if (command == "--version" || command == "-V" || command == "version") {
    out << kApplicationTitle << " version " << kVersionText << '\n';
    return kExitOk;
  }
  if (command != "rebuild" && command != "check" && command != "scan" && command != "show") {
    std::vector<std::string> known = CommandNames();
    known.insert(known.end(), {"--help", "--version"});
    return UsageError(Unknown("command", command, known), err);
  }
  for (std::size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
    if (args[i] == "--help" || args[i] == "-h") {
      out << *CommandHelpText(command);
      return kExitOk;
    }
  }

  Options options;
  if (const std::optional<std::string> problem = ParseOptions(command, args, options))
    return UsageError(*problem, err, command);
  if (command == "show") return Show(options, out, err);
  if (command == "scan") {
    if (options.operands.empty()) return UsageError("scan: no folder given", err, command);
    return RunTrends(Command::Scan, options, out, err);
  }
  if (options.operands.empty()) return UsageError(command + ": no trend given (NAME.000)", err, command);
  return RunTrends(command == "rebuild" ? Command::Rebuild : Command::Check, options, out, err);
}

}  // namespace qmr::cli
