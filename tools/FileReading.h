// Reading files from their first byte: the one reader of the program, used
// for data file headers, for masters that are shown or checked, and by the
// tests. Only regular files are read: a folder, a named pipe or a device is
// refused before a byte is read, so that nothing blocks or reads without end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace qmr {

// Reads from the start of the file at `path` into `into` until it is full or
// the file ends; returns the number of bytes read. Throws qmr::Error naming
// the path when the file cannot be opened or read, or is no regular file.
std::size_t ReadFileStart(const std::string& path, std::span<unsigned char> into);

// The first `limit` bytes of the file at `path` (fewer when it is shorter).
// Ask for one byte more than you accept to learn that a file is too long.
std::vector<unsigned char> ReadFileStart(const std::string& path, std::size_t limit);

// The whole file.
inline std::vector<unsigned char> ReadWholeFile(const std::string& path) { return ReadFileStart(path, SIZE_MAX); }

}  // namespace qmr
