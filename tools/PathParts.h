// The parts of a path, by its text alone: no file system is asked, so the
// error reporting below everything else may take a path apart too.
#pragma once

#include <string>

namespace qmr {

// `path` without the extension after its last "." that follows the last
// folder separator; the whole path when it has none. "\" is always a
// separator; on Linux "/" is one too.
std::string StripExtension(const std::string& path);

// The separator the batch puts between a folder and a file name, and the
// characters after which a file's own name begins.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
inline constexpr const char* kFolderSeparators = "\\/:";
#else
inline constexpr char kPathSeparator = '/';
inline constexpr const char* kFolderSeparators = "/";
#endif

// The folder part of `path`: everything before the last separator, or ""
// when the path names a file in the current folder. A root keeps its
// separator ("/", "C:\"), and "C:" names a drive's folder as it stands.
std::string FolderPart(const std::string& path);
// The file's own name: everything after the last folder separator.
std::string FileNameOf(const std::string& path);
// Everything up to and including the last folder separator ("" when there
// is none): the text another file of the same folder is named after.
std::string FolderPrefix(const std::string& path);

// `name` in `folder`: the one rule by which the program puts a folder and a
// name together. One separator between them, none added after a folder that
// already ends in one (a root: "/", "C:\"), and the name alone for the
// empty folder, which is the working folder.
std::string JoinPath(const std::string& folder, const std::string& name);
// True when `path` ends in a folder separator.
bool EndsInSeparator(const std::string& path);

}  // namespace qmr
