// Reading the entries of a folder once, so that many questions about it
// (which data files each trend has, which files a master replacement left
// behind, which subfolders to walk) need not ask the file system again.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qmr {

struct FolderEntry {
  enum class Kind {
    OrdinaryFile,  // what FileExists finds: a regular file, not hidden
    Folder,        // a real folder, not a link to one
    Other,         // hidden files, links to folders, pipes, devices, dangling links
  };
  std::string name;
  Kind kind = Kind::Other;
  // Windows: the first character of the name that has no exact form in the
  // ANSI code page ("U+0141"), `name` then showing it as "?"; such an entry
  // cannot be opened by its name. Empty for every other name.
  std::string noAnsiForm;
};

// Calls `each` for every entry of `folder` but "." and "..", in the order
// the system lists them, and returns the device the folder lies on (0 where
// the system does not say). Nothing is kept: a folder of 32768 data files
// costs its callers only what they keep of it. Throws qmr::Error naming the
// folder when it cannot be read.
std::uint64_t ListFolder(const std::string& folder, const std::function<void(const FolderEntry& entry)>& each);

#ifndef _WIN32
class FolderHandle;
// The same for a folder already open: every entry is asked about relative
// to it, links never followed into folders.
void ListFolder(const FolderHandle& folder, const std::function<void(const FolderEntry& entry)>& each);
#endif

}  // namespace qmr
