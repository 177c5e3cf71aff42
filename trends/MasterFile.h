// Replacing a master file safely: the new master is written whole to a
// temporary file in the same folder, flushed to disk and renamed over the old
// one, so a failure at any point leaves the previous master exactly as it was
// and no temporary file behind.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <string>

namespace qmr {

// Throws qmr::Error when the master cannot be written; the old file at
// `path` (if any) is then untouched.
void WriteMasterFile(const std::string& path, std::span<const unsigned char> bytes);

// Test seam: called before every low-level write with the number of bytes
// already written and the size of the next chunk. Throwing from it (for
// example Error(DiskFull)) simulates a device that fails part way. An empty
// hook removes the seam. Returns the previous hook.
using WriteFaultHook = std::function<void(std::size_t written, std::size_t chunk)>;
WriteFaultHook SetWriteFaultHook(WriteFaultHook hook);

}  // namespace qmr
