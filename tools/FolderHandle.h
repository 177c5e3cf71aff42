// A folder held open while files in it are read, created, renamed and
// removed, so that every name is looked up in that very folder: a folder
// that another user swaps for a link meanwhile cannot send a read or a write
// elsewhere. Opened without following a link at the name it is opened by
// (a root the user names may be reached through links), and checked against
// the device and inode its listing saw. POSIX systems only: Windows keeps
// calls by path and refuses reparse points where it matters.
#pragma once

#include <cstdint>

namespace qmr {

// Which folder a listing saw: device and inode. Zero when not known (and
// always on Windows).
struct FolderIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool Known() const noexcept { return inode != 0; }
  bool operator==(const FolderIdentity&) const = default;
};

}  // namespace qmr

#ifndef _WIN32

#include <sys/stat.h>

#include <functional>
#include <string>

namespace qmr {

class FolderHandle {
 public:
  enum class Follow { LastPart, Never };

  // Opens the folder at `path` ("" is the working folder). With
  // Follow::Never a link at its last part is refused. Throws qmr::Error
  // naming the folder.
  explicit FolderHandle(const std::string& path, Follow follow = Follow::LastPart);
  // Opens the subfolder `name` of `parent`, never through a link. Throws
  // qmr::Error naming it.
  FolderHandle(const FolderHandle& parent, const std::string& name);
  FolderHandle(FolderHandle&& other) noexcept;
  FolderHandle& operator=(FolderHandle&& other) noexcept;
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;
  ~FolderHandle();

  int fd() const noexcept { return fd_; }
  const std::string& path() const noexcept { return path_; }
  FolderIdentity identity() const noexcept { return identity_; }
  unsigned owner() const noexcept { return owner_; }
  // The group a file created in it takes, when the folder hands its own
  // down (set-group-ID); else nothing is said: it is the creator's.
  bool HandsDownGroup() const noexcept { return handsDownGroup_; }
  unsigned group() const noexcept { return group_; }

  // Refuses (error 75) when this is not the folder `listed` names: it was
  // replaced after it was listed.
  void ExpectIdentity(const FolderIdentity& listed) const;

  // The entry `name` itself, a link not followed: false with errno set when
  // there is none or it cannot be asked.
  bool StatEntry(const std::string& name, struct stat& info) const;
  // openat relative to the folder; O_CLOEXEC is added. -1 with errno.
  int OpenEntry(const std::string& name, int flags, unsigned mode = 0) const;
  // Each entry but "." and "..", with the type the listing gives (DT_*).
  // Throws qmr::Error naming the folder when it cannot be read.
  void List(const std::function<void(const char* name, unsigned char type)>& each) const;
  // 0 on success, else errno.
  int Rename(const std::string& from, const std::string& to) const;
  int Remove(const std::string& name) const;
  void Sync() const;
  // The path of `name` in this folder, for messages.
  std::string PathOf(const std::string& name) const;

 private:
  void Identify();

  int fd_ = -1;
  std::string path_;
  FolderIdentity identity_;
  unsigned owner_ = 0;
  unsigned group_ = 0;
  bool handsDownGroup_ = false;
};

// Test seam: called with a folder's path just before it is opened by path,
// which is where another user may swap it after it was listed. An empty
// hook removes the seam. Returns the previous hook.
using FolderOpenHook = std::function<void(const std::string& path)>;
FolderOpenHook SetFolderOpenHook(FolderOpenHook hook);

}  // namespace qmr

#endif
