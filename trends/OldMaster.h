// What the master that a rebuild would replace holds, read no further than
// the question asked: its header and size tell how many entries it has, its
// entries only how many of them are real.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace qmr {

class TrendFolder;

struct OldMasterEntries {
  // From the header and size alone; a header alone holds none. Bytes after
  // a header of no known layout count as one entry: they still are
  // something to lose.
  std::size_t entries = 0;
  // Those not all bytes 0; only when asked for.
  std::optional<std::size_t> real;
#ifndef _WIN32
  // The master as it was looked at (never through a link) in the folder
  // the listing holds open, for the write that may replace it there.
  std::optional<struct stat> seen;
#endif
};

// The entries of the master at `path`, with one open: its real entries are
// counted only when `needReal`, given the number of entries, says the
// decision needs them. Nothing when no master is there (or a folder). A
// link, a pipe or a device there is refused, never read; when `listed` is
// given the master must be in the folder it lists, and is looked up in that
// folder when the listing holds it open.
std::optional<OldMasterEntries> ReadOldMaster(const std::string& path,
                                              const std::function<bool(std::size_t entries)>& needReal,
                                              const TrendFolder* listed = nullptr);

}  // namespace qmr
