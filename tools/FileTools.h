// Path helpers used wherever the rebuild names files.
#pragma once

#include <functional>
#include <string>

#include "tools/PathParts.h"

namespace qmr {

// True when an ordinary file is present at `path`.
//  - Windows: a directory search for ordinary files (folders, hidden and
//    system files are not found; read-only and archived files are).
//  - Linux: a regular file (links followed) whose name does not begin with ".".
// A missing file or folder gives false; any other failure of the look-up
// (permission denied, ...) throws qmr::Error.
bool FileExists(const std::string& path);

// Raises the soft limit of files a process may hold open to its hard limit:
// a large trend's files are opened ahead of the reads, several hundred at a
// time for each trend in hand. Nothing where there is no such limit.
void AllowManyOpenFiles();

// True when a file stands at `path` that FileExists does not find only
// because the system marks it hidden (Windows: hidden or system attribute;
// Linux: a name beginning with "."). Failures of the look-up give false.
bool HiddenFileExists(const std::string& path);

// Test seam: called by FileExists with the path and its answer just before it
// returns, so that a test can change the folder between the look-up and the
// open that follows it (another program deleting a data file in between).
// An empty hook removes the seam. Returns the previous hook.
using FileExistsHook = std::function<void(const std::string& path, bool found)>;
FileExistsHook SetFileExistsHook(FileExistsHook hook);
// Calls the hook where a file is opened without asking FileExists first.
void NotifyFileExistsHook(const std::string& path, bool found);

// What stands at `path`, links followed: nothing (a dangling link
// included), a folder, or anything else (a file, a pipe, a device).
enum class EntryKind { None, Folder, Other };
EntryKind KindOfEntry(const std::string& path);
inline bool FolderExists(const std::string& path) { return KindOfEntry(path) == EntryKind::Folder; }

}  // namespace qmr

namespace qmr {

// `path` made absolute against the working folder by its text alone, so that
// the master records the path as the user means it: "." and ".." resolved,
// doubled separators dropped, links never followed (Linux: from $PWD when it
// names the working folder; Windows: GetFullPathNameA).
std::string AbsolutePath(const std::string& path);
// The same against `workingFolder` (as WorkingFolder gives it), for callers
// that make many paths absolute at once.
std::string AbsolutePath(const std::string& path, const std::string& workingFolder);
// The working folder as the user knows it (Linux: $PWD when it names the
// working folder, so that a folder reached through a link keeps its name).
std::string WorkingFolder();

}  // namespace qmr
