// What the master that a rebuild would replace holds, read no further than
// the question asked: its header and size tell how many entries it has, its
// entries only how many of them are real.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace qmr {

// How many entries the master at `path` holds, from its header and size
// alone; a header alone holds none. Nothing when no master is there (or
// something that is no file). Bytes after a header of no known layout count
// as one entry: they still are something to lose.
std::optional<std::size_t> EntriesOfOldMaster(const std::string& path);

// How many entries of the master at `path` are real: not all bytes 0.
std::size_t RealEntriesOfOldMaster(const std::string& path);

}  // namespace qmr
