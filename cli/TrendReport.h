// What the command line tool learned about one trend, kept as facts so that
// trends processed side by side are printed in order, in words for people or
// as JSON for scripts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "definitions/DataFile.h"
#include "trends/RebuildEvents.h"

namespace qmr::cli {

// Something about a trend that a user should know although the command did
// its work.
struct Warning {
  enum class Kind {
    Unrecognised,     // a data file that is no trend data file (`file`, `reason`)
    BeyondGap,        // data files after a missing number, not read (`file` the first, `count`, `missing`)
    EmptyEntries,     // the master holds `count` all-zero entries
    NoEntries,        // the master holds no entry although data files exist
    StaleTemporary,   // a temporary file a replacement left behind (`file`)
    OwnerNotKept,     // the new master could not keep its old owner (`file`, `detail`)
    Hidden,           // the data file after the last one read is hidden or a system file (`file`)
    LinkNotFollowed,  // a data file that is another owner's link, not followed (`file`)
  };
  Kind kind = Kind::Unrecognised;
  std::string file;
  UnrecognisedReason reason;
  std::string missing;
  std::size_t count = 0;
  std::string detail;
};

// One field of a master that differs from what a rebuild would write.
struct Difference {
  std::string where;  // "field file_count", "entry 3 field order_key"
  std::size_t offset = 0;
  std::string expected;
  std::string actual;
};

// A data file read, for -v.
struct FileRead {
  std::string path;
  std::int16_t version = 0;
  bool recognised = false;
};

enum class TrendStatus {
  Rebuilt,           // rebuild: the master was written
  WouldRebuild,      // rebuild --dry-run: everything read, nothing written
  Ok,                // check: the master is what a rebuild would write
  Missing,           // check: there is no master
  Differs,           // check: the master differs
  MasterIsFolder,    // check: NAME.qmr is a folder
  Unhealthy,         // check --strict: the master matches, but the trend has warnings
  FirstFileMissing,  // scan: NAME.000 is missing while later data files or NAME.qmr are there
  Refused,           // not done, to keep the user's data safe; nothing written
  Failed,            // an error stopped the trend; nothing written
};

// scan: a folder the walk could not read.
struct UnreadableFolder {
  std::string folder;
  std::string why;
  bool root = false;  // a FOLDER given that cannot be walked at all: missing, no folder, unreadable
};

struct TrendReport {
  // scan: set for no trend but a folder the walk could not read, which goes
  // through the same queue as the trends so that it is printed in its place
  // among them whatever -j is; nothing else is set then.
  std::optional<UnreadableFolder> unreadable;
  std::string operand;    // as the user gave it
  std::string firstFile;  // NAME.000, absolute
  std::string masterPath;
  TrendStatus status = TrendStatus::Failed;
  // scan --rebuild: what the master was before it was rebuilt (Missing or
  // Differs), or the status itself when nothing was rebuilt.
  TrendStatus found = TrendStatus::Failed;
  std::optional<MasterSummary> master;  // what a rebuild composes
  std::vector<Warning> warnings;
  std::vector<FileRead> filesRead;  // every data file read, for -v
  std::string lastFileRead;
  std::vector<std::string> leftoversRemoved;  // temporary files a rebuild removed
  std::vector<Difference> differences;
  std::size_t moreDifferences = 0;  // differences beyond those listed
  std::string existingLength;       // check: the master's length when it differs in length
  std::string refusal;              // Refused: why, and what to do
  int errorNumber = 0;              // Failed
  std::string errorDescription;
};

}  // namespace qmr::cli
