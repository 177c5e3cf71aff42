#include "app/CommandLine.h"

#include <exception>
#include <string_view>

#include "app/ConsoleEvents.h"
#include "app/MasterCheck.h"
#include "app/MasterShow.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "ProgramVersion.h"
#include "trends/Rebuild.h"

namespace qmr::cli {

namespace {

const char* const kHelp = R"(Usage: qmr COMMAND [OPTION...] ARGUMENT...

Rebuilds the master file (NAME.qmr) of a trend from its numbered data files
(NAME.000, NAME.001, ...), checks existing master files, and shows the fields
of master and data files.

Commands:
  qmr rebuild [--dry-run] PATH...
      PATH is the first data file of a trend (NAME.000). Each trend is
      rebuilt exactly as the windows rebuild it, and one line is printed per
      trend: the master file, its version, the number of data files found and
      the number of entries written. A data file that is not a trend data
      file is reported with its path; the rebuild goes on. A trend that fails
      is reported with its name, the error's description and number, and the
      next trend is rebuilt all the same.
      --dry-run  read every data file and report what would be written,
                 without writing anything.
  qmr check PATH...
      Composes in memory what a rebuild would write and compares it with the
      existing NAME.qmr, ignoring only the date and time of writing in the
      banner. Prints per trend "ok", "missing", or "differs" with the first
      difference (header field, or entry number and field, or the length).
      Never writes anything.
  qmr show [--master | --data] FILE
      Prints every field of a master file, or of a data file's header: the
      banner's lines, the counts, one block per entry (numbered from 0,
      all-zero slots marked), order keys as integer and as the text they are
      sorted by. A master of a version without entries (what a rebuild writes
      when a trend's last data file is not recognised) is its header alone.
      FILE is read as a master file when its name ends in ".qmr" (any case)
      or when it opens with the banner's first lines ("QUORAX", CR LF,
      "VERSION "); otherwise as a data file. --master or --data decides
      instead. Text bytes are shown quoted, with \r \n \t \" \\, \xHH for
      other bytes and \x00{N} for a run of N NUL bytes.
  qmr --help       prints this text.
  qmr --version    prints the program's version.

A relative PATH is made absolute against the current folder first, so that
the master records the same paths a rebuild from the windows would.

Exit status: 0 on success (check: every master ok); 1 when a trend failed,
a master is missing or differs, or a file could not be shown; 2 for wrong
usage.
)";

std::string VersionText() { return std::string(kApplicationTitle) + " version " + kVersionText; }

int UsageError(const std::string& problem, std::ostream& err) {
  err << "qmr: " << problem << "\nTry 'qmr --help'.\n";
  return kExitUsage;
}

// The options (arguments starting with "--" before a lone "--") and the
// operands of a command.
struct CommandArguments {
  std::vector<std::string> options;
  std::vector<std::string> operands;
};

CommandArguments Split(const std::vector<std::string>& args) {
  CommandArguments split;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      split.options.push_back(arg);
    } else {
      split.operands.push_back(arg);
    }
  }
  return split;
}

std::string Counted(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

// A failure's description, with its number when it has one, ending the line.
void WriteReason(const std::exception& failure, std::ostream& err) {
  err << failure.what();
  if (const auto* error = dynamic_cast<const Error*>(&failure)) err << " (error " << error->number() << ")";
  err << '\n';
}

// A failure that ended one trend: its name, the description and the number.
void ReportFailure(const std::string& what, const std::string& path, const std::exception& failure,
                   std::ostream& err) {
  err << "qmr: trend " << StripExtension(path) << ": " << what << " failed: ";
  WriteReason(failure, err);
}

int Rebuild(const CommandArguments& command, std::ostream& out, std::ostream& err) {
  bool dryRun = false;
  for (const std::string& option : command.options) {
    if (option != "--dry-run") return UsageError("rebuild: unknown option '" + option + "'", err);
    dryRun = true;
  }
  if (command.operands.empty()) return UsageError("rebuild: no trend given (NAME.000)", err);

  int status = kExitOk;
  for (const std::string& path : command.operands) {
    try {
      ConsoleEvents events(err);
      const std::string first = AbsolutePath(path);
      const TrendMaster master = dryRun ? ComposeTrendMaster(first, events) : RebuildTrend(first, events);
      out << master.masterPath << ": version " << master.version << ", "
          << Counted(static_cast<std::size_t>(master.fileCount), "data file", "data files") << ", "
          << Counted(master.entryCount, "entry", "entries") << (dryRun ? " would be written (" : " written (")
          << Counted(master.bytes.size(), "byte", "bytes") << (dryRun ? ", dry run)\n" : ")\n");
      out.flush();
    } catch (const std::exception& failure) {
      ReportFailure(dryRun ? "dry run" : "rebuild", path, failure, err);
      status = kExitFailed;
    }
  }
  return status;
}

int Check(const CommandArguments& command, std::ostream& out, std::ostream& err) {
  if (!command.options.empty()) return UsageError("check: unknown option '" + command.options[0] + "'", err);
  if (command.operands.empty()) return UsageError("check: no trend given (NAME.000)", err);

  int status = kExitOk;
  for (const std::string& path : command.operands) {
    try {
      ConsoleEvents events(err);
      const CheckResult result = CheckTrendMaster(AbsolutePath(path), events);
      out << result.masterPath << ": ";
      switch (result.status) {
        case CheckStatus::Ok: out << "ok\n"; break;
        case CheckStatus::Missing: out << "missing\n"; break;
        case CheckStatus::Differs: out << "differs: " << result.difference << '\n'; break;
      }
      out.flush();
      if (result.status != CheckStatus::Ok) status = kExitFailed;
    } catch (const std::exception& failure) {
      ReportFailure("check", path, failure, err);
      status = kExitFailed;
    }
  }
  return status;
}

int Show(const CommandArguments& command, std::ostream& out, std::ostream& err) {
  ShowAs as = ShowAs::Auto;
  for (const std::string& option : command.options) {
    if (option == "--master") {
      as = ShowAs::Master;
    } else if (option == "--data") {
      as = ShowAs::Data;
    } else {
      return UsageError("show: unknown option '" + option + "'", err);
    }
  }
  if (command.options.size() > 1) return UsageError("show: give at most one of --master and --data", err);
  if (command.operands.size() != 1) return UsageError("show: give exactly one FILE", err);
  const std::string& path = command.operands[0];
  try {
    return ShowFile(path, as, out, err);
  } catch (const std::exception& failure) {
    err << "qmr: " << path << ": ";
    WriteReason(failure, err);
    return kExitFailed;
  }
}

}  // namespace

std::string HelpText() { return kHelp; }

int RunQmr(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) return UsageError("no command given", err);
  const std::string& command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    out << kHelp;
    return kExitOk;
  }
  if (command == "--version") {
    out << VersionText() << '\n';
    return kExitOk;
  }
  const CommandArguments split = Split(args);
  for (const std::string& option : split.options) {
    if (option == "--help") {
      out << kHelp;
      return kExitOk;
    }
  }
  if (command == "rebuild") return Rebuild(split, out, err);
  if (command == "check") return Check(split, out, err);
  if (command == "show") return Show(split, out, err);
  return UsageError("unknown command '" + command + "'", err);
}

}  // namespace qmr::cli
