// The entries of one folder, read once: enough to answer many questions about
// the folder (which data files each trend has, which files a master
// replacement left behind, which subfolders to walk) without asking the file
// system again for each.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmr {

struct FolderEntry {
  enum class Kind {
    OrdinaryFile,  // what FileExists finds: a regular file, not hidden
    Folder,        // a real folder, not a link to one
    Other,         // hidden files, links to folders, pipes, devices, dangling links
  };
  std::string name;
  Kind kind = Kind::Other;
};

class FolderListing {
 public:
  // Lists `folder`. Throws qmr::Error naming the folder when it cannot be read.
  explicit FolderListing(const std::string& folder);

  const std::string& folder() const noexcept { return folder_; }
  // Every entry but "." and "..", sorted by name (byte order).
  const std::vector<FolderEntry>& entries() const noexcept { return entries_; }
  // The device the folder lies on (0 where the system does not say).
  std::uint64_t device() const noexcept { return device_; }

 private:
  std::string folder_;
  std::vector<FolderEntry> entries_;
  std::uint64_t device_ = 0;
};

}  // namespace qmr
