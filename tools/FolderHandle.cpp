#include "tools/FolderHandle.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "tools/Errors.h"

namespace qmr {

namespace {

FolderOpenHook folderOpenHook;

}  // namespace

FolderHandle::FolderHandle(const std::string& path, Follow follow) : path_(path) {
  if (folderOpenHook) folderOpenHook(path);
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow == Follow::Never ? O_NOFOLLOW : 0);
  fd_ = open(path.empty() ? "." : path.c_str(), flags);
  if (fd_ < 0) {
    const int error = errno;
    if (error == ELOOP) throw Error(ErrorCode::PathFileAccess, ErrorFact::FolderIsLink, {.path = path});
    ThrowFileError(error, path);
  }
  Identify();
}

FolderHandle::FolderHandle(const FolderHandle& parent, const std::string& name) : path_(parent.PathOf(name)) {
  fd_ = openat(parent.fd(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd_ < 0) {
    const int error = errno;
    if (error == ELOOP || error == ENOTDIR)
      throw Error(ErrorCode::PathFileAccess, ErrorFact::NoLongerFolder, {.path = path_});
    ThrowFileError(error, path_);
  }
  Identify();
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      path_(std::move(other.path_)),
      identity_(other.identity_),
      owner_(other.owner_),
      group_(other.group_),
      handsDownGroup_(other.handsDownGroup_) {}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    path_ = std::move(other.path_);
    identity_ = other.identity_;
    owner_ = other.owner_;
    group_ = other.group_;
    handsDownGroup_ = other.handsDownGroup_;
  }
  return *this;
}

FolderHandle::~FolderHandle() {
  if (fd_ >= 0) close(fd_);
}

void FolderHandle::Identify() {
  struct stat info {};
  if (fstat(fd_, &info) != 0) {
    const int error = errno;
    close(std::exchange(fd_, -1));
    ThrowFileError(error, path_);
  }
  identity_ = {static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
  owner_ = info.st_uid;
  group_ = info.st_gid;
  handsDownGroup_ = (info.st_mode & S_ISGID) != 0;
}

void FolderHandle::ExpectIdentity(const FolderIdentity& listed) const {
  if (!listed.Known() || listed == identity_) return;
  throw Error(ErrorCode::PathFileAccess, ErrorFact::FolderReplaced, {.path = path_});
}

bool FolderHandle::StatEntry(const std::string& name, struct stat& info) const {
  return fstatat(fd_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

int FolderHandle::OpenEntry(const std::string& name, int flags, unsigned mode) const {
  return openat(fd_, name.c_str(), flags | O_CLOEXEC, static_cast<mode_t>(mode));
}

void FolderHandle::List(const std::function<void(const char* name, unsigned char type)>& each) const {
  // The listing reads through a descriptor of its own: fdopendir takes it.
  const int listing = openat(fd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) ThrowFileError(errno, path_);
  DIR* dir = fdopendir(listing);
  if (dir == nullptr) {
    const int error = errno;
    close(listing);
    ThrowFileError(error, path_);
  }
  errno = 0;
  while (const dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))) {
      try {
        each(name, entry->d_type);
      } catch (...) {
        closedir(dir);
        throw;
      }
    }
    errno = 0;
  }
  const int error = errno;
  closedir(dir);
  if (error != 0) ThrowFileError(error, path_);
}

int FolderHandle::Rename(const std::string& from, const std::string& to) const {
  return renameat(fd_, from.c_str(), fd_, to.c_str()) == 0 ? 0 : errno;
}

int FolderHandle::Remove(const std::string& name) const { return unlinkat(fd_, name.c_str(), 0) == 0 ? 0 : errno; }

void FolderHandle::Sync() const { (void)fsync(fd_); }

std::string FolderHandle::PathOf(const std::string& name) const {
  if (path_.empty()) return name;
  return path_.back() == '/' ? path_ + name : path_ + "/" + name;
}

FolderOpenHook SetFolderOpenHook(FolderOpenHook hook) { return std::exchange(folderOpenHook, std::move(hook)); }

}  // namespace qmr
