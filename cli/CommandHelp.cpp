#include "cli/CommandHelp.h"

namespace qmr::cli {

namespace {

// One command's part of the help.
struct CommandText {
  const char* name;
  const char* synopsis;     // after "qmr "
  const char* description;  // paragraphs, not indented
  const char* options;      // its own options, indented by two
  bool trendOptions;        // takes -j, --record-as, --follow-links, -q, -v
  const char* exitStatus;   // its statuses, indented by two
};

// Said the same wherever the statuses are listed: here, the man page, the
// READMEs.
constexpr const char* kWarningsStatus =
    "  3  done, with warnings: data files that are not trend data files, lie\n"
    "     beyond a gap, or left empty entries; a master that could not keep its\n"
    "     owner; scan: a folder that could not be read\n";

constexpr const char* kTrendOptions = R"(  -j N, --jobs N   work on N trends at once (default: one per core). Each
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
  --json           print JSON Lines instead: one object per trend, then one
                   summary object; see the README.
)";

constexpr const char* kTrendNames =
    R"(A trend is named by its first data file NAME.000, by any other of its data
files (NAME.001, ...), by its master NAME.qmr, or by NAME itself. Only those
endings are taken off a name: "FIC101.PV" and "line.2" are trends of their
own, and "TANK1.bak" names trend TANK1.bak, not TANK1. A name that matches no
trend is refused. A trend named twice is done once.
)";

constexpr CommandText kCommands[] = {
    {"rebuild", "rebuild [OPTION...] NAME.000...",
     R"(Rebuilds the master of each trend exactly as the windows do and prints one
line per trend: the master, its version, the data files found and the
entries written. A trend whose NAME.000 is missing is refused and nothing is
written. A master is not replaced by one with fewer real (not all-zero)
entries (a data file cut short, damaged or missing) unless --force is given. A
read-only master is not replaced. A trend that fails is reported with the
error's description and number; the next trend is rebuilt all the same.
)",
     R"(  -n, --dry-run    read every data file and report what would be written,
                   without writing anything.
  --force          replace a master even by one with fewer real entries.
)",
     true,
     R"(  0  every trend rebuilt (with -n: would be), no warnings
  1  a trend failed or was refused
)"},
    {"check", "check [OPTION...] NAME.000...",
     R"(Composes in memory what a rebuild would write and compares it with the
existing NAME.qmr, ignoring only the date and time in the banner. Prints per
trend "ok", "missing", "is a folder", or "differs" with each field that
differs (up to 20), its expected and its actual value. Never writes anything.
)",
     R"(  --strict         also fail a master that matches but is not healthy: no
                   entries while data files exist, all-zero entries, data
                   files beyond a gap, files that are not trend data files,
                   temporary files left by an interrupted rebuild.
)",
     true,
     R"(  0  every master ok, no warnings
  1  a trend was refused, or a master is missing, differs or is a folder
     (with --strict: or is not healthy)
)"},
    {"scan", "scan [OPTION...] FOLDER...",
     R"(Walks each folder and the folders below it (links to folders are not
followed, other file systems not entered unless --cross-devices) and checks
every trend it finds (every NAME.000), one line per trend in path order: the
master's state (ok, missing, differs at the first difference, a folder, no
entries, stale temporary file), the data files found, the last version, the
entries and how many are empty, the data files that are not trend data files
or lie beyond a gap. A summary follows: trends by state, data files read,
time taken. Folders below that cannot be read are reported and the walk goes
on; a FOLDER given that is missing or is no folder is an error.
)",
     R"(  --rebuild        rebuild the masters that are missing or differ, under
                   the rules of rebuild.
  -n, --dry-run    with --rebuild: report what would be rebuilt, writing
                   nothing.
  --force          with --rebuild: replace a master even by one with fewer
                   real entries.
  --cross-devices  enter folders on other file systems too.
)",
     true,
     R"(  0  every master ok (--rebuild: ok or rebuilt, with -n: would be), no
     warnings
  1  a FOLDER given cannot be walked (missing, not a folder), a trend was
     refused, or a master is missing, differs or is a folder (and was not
     rebuilt)
)"},
    {"show", "show [--master | --data] [--json] FILE",
     R"(Prints every field of a master file, or of a data file's header: the
banner's lines, the counts, one block per entry (numbered from 0, all-zero
slots marked), order keys as integer and as the text they are sorted by.
FILE is read as a master file when its name ends in ".qmr" (any case) or
when it opens with the banner's first lines; otherwise as a data file.
A trend's NAME (no such file, no ".qmr" or data file ending) shows NAME.qmr.
Text bytes are shown quoted, with \r \n \t \" \\, \xHH for other bytes and
\x00{N} for a run of N NUL bytes. Folders, pipes and devices are refused.
)",
     R"(  --master         read FILE as a master file, whatever its name.
  --data           read FILE as a data file, whatever its name.
  --json           print one JSON object for the file, then a summary.
)",
     false,
     R"(  0  the file decoded whole
  1  the file could not be read or did not decode whole
)"},
    {"help", "help [COMMAND]", "Prints the help of COMMAND, or this program's help.\n", "", false,
     "  0  the help was printed\n"},
    {"version", "version", "Prints the program's version (also: qmr --version, qmr -V).\n", "", false,
     "  0  the version was printed\n"},
};

const CommandText* Find(std::string_view name) {
  for (const CommandText& command : kCommands)
    if (name == command.name) return &command;
  return nullptr;
}

}  // namespace

const std::vector<std::string>& CommandNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> all;
    for (const CommandText& command : kCommands) all.emplace_back(command.name);
    return all;
  }();
  return names;
}

std::string UsageText() {
  std::string text;
  const char* lead = "Usage: qmr ";
  for (const CommandText& command : kCommands) {
    if (std::string_view(command.name) == "version") continue;
    text += lead + std::string(command.synopsis) + '\n';
    lead = "  or:  qmr ";
  }
  text += std::string(lead) + "--help | --version\n";
  return text;
}

std::string HelpText() {
  std::string text = UsageText();
  text += R"(
Rebuilds the master file (NAME.qmr) of a trend from its numbered data files
(NAME.000, NAME.001, ...), checks existing master files, and shows the fields
of master and data files.

Commands:
  rebuild          rebuild the masters of the trends named
  check            compare the masters with what a rebuild would write
  scan             check (or rebuild) every trend below folders
  show             print every field of a master or data file
  help [COMMAND]   print this text, or COMMAND's own help with its options
  version          print the program's version (also --version, -V)
'qmr help COMMAND' (or 'qmr COMMAND --help') tells what COMMAND does, its
options and its exit statuses.

)";
  text += kTrendNames;
  text += "\nOptions of rebuild, check and scan:\n";
  text += kTrendOptions;
  text += R"(On a terminal, a run that takes more than a second shows its progress on one
line of standard error (not with -q or --json).

Warnings go to standard error: a data file that is not a trend data file
(with the reason), data files lying beyond a missing number (not read), empty
entries, a master that could not keep its owner, a hidden or system data file
that ended the trend's run (Windows).

A relative path is made absolute by its text ("." and ".." resolved), so that
the master records the paths as they were meant.

Exit status:
  0  success: every trend rebuilt (with -n: would be; check, scan: every
     master ok; scan --rebuild: ok or rebuilt, or with -n would be), no
     warnings
  1  a trend failed or was refused; check and scan: a master is missing or
     differs (with --strict: or is not healthy); scan: a FOLDER given is
     missing or no folder; show: the file did not decode whole
  2  wrong usage
)";
  text += kWarningsStatus;
  return text;
}

std::optional<std::string> CommandHelpText(std::string_view name) {
  const CommandText* command = Find(name);
  if (command == nullptr) return std::nullopt;
  std::string text = "Usage: qmr " + std::string(command->synopsis) + "\n\n" + command->description;
  if (command->trendOptions) text += std::string("\n") + kTrendNames;
  text += "\nOptions:\n";
  text += command->options;
  if (command->trendOptions) text += kTrendOptions;
  text += "  -h, --help       print this text.\n\nExit status:\n";
  text += command->exitStatus;
  const bool runsTrends = command->trendOptions;
  text += "  2  wrong usage\n";
  if (runsTrends) text += kWarningsStatus;
  return text;
}

}  // namespace qmr::cli
