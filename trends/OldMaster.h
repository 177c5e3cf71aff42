// What the master that a rebuild would replace holds, read no further than
// the question asked: its header and size tell how many entries it has, its
// entries only how many of them are real.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "tools/FolderHandle.h"

namespace qmr {

struct OldMasterEntries {
  // From the header and size alone; a header alone holds none. Bytes after
  // a header of no known layout count as one entry: they still are
  // something to lose.
  std::size_t entries = 0;
  // Those not all bytes 0; only when asked for.
  std::optional<std::size_t> real;
};

// The entries of the master at `path`, with one open: its real entries are
// counted only when `needReal`, given the number of entries, says the
// decision needs them. Nothing when no master is there (or a folder). A
// link, a pipe or a device there is refused, never read; when `folder` is
// known the master must be in that folder.
std::optional<OldMasterEntries> ReadOldMaster(const std::string& path,
                                              const std::function<bool(std::size_t entries)>& needReal,
                                              const FolderIdentity& folder = {});

}  // namespace qmr
