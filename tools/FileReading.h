// Reading files from their first byte: the one reader of the program, used
// for data file headers, for masters that are shown or checked, and by the
// tests. Nothing blocks: files are opened without waiting, so a pipe without
// a writer reads as empty.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "tools/FileTools.h"
#include "tools/FolderHandle.h"

namespace qmr {

// Reads from the start of the file at `path` into `into` until it is full or
// the file ends; returns the number of bytes read. The read is bounded by
// `into`, so the kind of file is not asked (the rebuild has just found a
// regular file there): this costs a data file header no more than its open,
// read and close. Throws qmr::Error naming the path when the file cannot be
// opened or read.
std::size_t ReadFileHead(const std::string& path, std::span<unsigned char> into);

// The first `limit` bytes of the regular file at `path` (fewer when it is
// shorter). A folder, a named pipe or a device is refused (error 75) before
// a byte is read. Ask for one byte more than you accept to learn that a
// file is too long.
std::vector<unsigned char> ReadFileStart(const std::string& path, std::size_t limit);

// Reads the file at `path` from its start, at most `limit` bytes, in chunks
// of up to 64 KiB handed to `take` as they come; `take` returns false to
// stop early. Lets a caller compare a large file without holding all of it.
// Like ReadFileHead, bounded by `limit` and so not asking the kind of file.
void ReadFileInChunks(const std::string& path, std::size_t limit,
                      const std::function<bool(std::span<const unsigned char> chunk)>& take);

// The same for a master file, which is never followed: a link, a device, a
// pipe or anything but a regular file at `path` is refused (error 75)
// without being opened, and the file opened must be the regular file that
// was looked at (POSIX: lstat, then open without following a link or
// waiting, then fstat; Windows: a reparse point is refused). When `folder`
// is known, the master's folder must be that folder (error 75 otherwise).
std::vector<unsigned char> ReadMasterStart(const std::string& path, std::size_t limit,
                                           const FolderIdentity& folder = {});
void ReadMasterInChunks(const std::string& path, std::size_t limit,
                        const std::function<bool(std::span<const unsigned char> chunk)>& take,
                        const FolderIdentity& folder = {});
#ifndef _WIN32
// The same for a master in `folder`, already open (and already known to be
// the folder listed).
void ReadMasterInChunks(const std::string& path, std::size_t limit,
                        const std::function<bool(std::span<const unsigned char> chunk)>& take,
                        const FolderHandle& folder);
// Opens the master at `path` in `folder` now, as ReadMasterInChunks would,
// and has its first `limit` bytes fetched while other work goes on: a small
// master is read with the next headers this thread reads in a batch (one
// request to the disk for both), a larger one asked for. The next
// ReadMasterInChunks of `path` in a folder on this thread reads that open
// file. When it cannot be opened nothing is kept, and the read opens it and
// says why.
void OpenMasterAhead(const std::string& path, const FolderHandle& folder, std::size_t limit);
#endif
// One open of a master for a decision that its first bytes and its size may
// settle: fills `head` (fewer bytes when the file is shorter), then asks
// `goOn` with the bytes read and the file's size whether the rest is needed;
// if so, hands the rest to `take` in chunks as ReadMasterInChunks does.
void ReadMasterHeadThenRest(const std::string& path, std::span<unsigned char> head,
                            const std::function<bool(std::size_t read, std::uint64_t size)>& goOn,
                            const std::function<bool(std::span<const unsigned char> chunk)>& take,
                            const FolderIdentity& folder = {});
#ifndef _WIN32
// The same for a master in `folder`, already open, that KindOfMaster just
// found there as `seen`: the file opened must be that very file, and the
// master is looked at once only.
void ReadMasterHeadThenRest(const std::string& path, std::span<unsigned char> head,
                            const std::function<bool(std::size_t read, std::uint64_t size)>& goOn,
                            const std::function<bool(std::span<const unsigned char> chunk)>& take,
                            const FolderHandle& folder, const struct stat& seen);
#endif

// Test seam: called with the path each time a master is opened for reading.
// An empty hook removes the seam. Returns the previous hook.
using MasterOpenHook = std::function<void(const std::string& path)>;
MasterOpenHook SetMasterOpenHook(MasterOpenHook hook);

// What stands at a master's `path`, the entry itself (never through a
// link): nothing, a folder, or a regular file (EntryKind::Other). Anything
// else is refused as ReadMasterStart refuses it.
EntryKind KindOfMaster(const std::string& path);
#ifndef _WIN32
// The same for the master at `path` in `folder`, already open, looked up
// relative to it; `seen` gets what was found.
EntryKind KindOfMaster(const FolderHandle& folder, const std::string& path, struct stat& seen);
#endif

#ifndef _WIN32
// Refuses (error 75) the entry at `path` of kind `mode` (st_mode), which is
// no regular file, naming what it is.
[[noreturn]] void RefuseNonRegularFile(const std::string& path, unsigned mode);
#endif

// The whole file.
inline std::vector<unsigned char> ReadWholeFile(const std::string& path) { return ReadFileStart(path, SIZE_MAX); }

}  // namespace qmr
