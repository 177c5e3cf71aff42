#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "tools/FolderHandle.h"
#include "tools/WorkAhead.h"
#include "trends/DataFilePath.h"
#include "trends/DataFileReader.h"
#include "trends/TrendFolder.h"

namespace qmr {

namespace {

constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// A page holds the largest data file header; the trend's data after it is
// never read.
constexpr off_t kHeaderPage = 4096;

// Whether the system holds the first page of the open file in memory: a
// read that may not wait for the disk says so. Where it cannot tell, the
// page is taken as not held.
bool FirstPageHeld(int fd) {
#ifdef RWF_NOWAIT
  unsigned char byte;
  iovec part{&byte, 1};
  return preadv2(fd, &part, 1, 0, RWF_NOWAIT) >= 0;
#else
  (void)fd;
  return false;
#endif
}

// The read-ahead asks the system for the first page of the files it opens
// when the disk must serve them, so that it serves many at once. When the
// pages are in memory already the request would only cost a system call per
// file, so every so many files one is looked at, and the files up to the
// next look are asked for or not as it was.
constexpr std::size_t kLookEvery = 32;

// An open data file, closed on every way out.
class OpenFile {
 public:
  OpenFile() = default;
  explicit OpenFile(int fd) : fd_(fd) {}
  OpenFile(OpenFile&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  OpenFile& operator=(OpenFile&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~OpenFile() { Close(); }
  int get() const { return fd_; }

 private:
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  int fd_ = -1;
};

// A data file found and opened, or why the run of data files ends there.
struct Opened {
  DataFileReader::Outcome outcome = DataFileReader::Outcome::Missing;
  OpenFile file;  // open when `outcome` is Read
};

}  // namespace

struct DataFileReader::State {
  std::optional<FolderHandle> own;  // opened here when the listing keeps none open
  const FolderHandle* folder;
  const TrendFolder* listed;
  bool followLinks;
  std::size_t nameOffset;  // where a data file's own name begins in its path
  std::string trendName;   // the data files' name before their number
  std::optional<WorkAhead<Opened>> ahead;

  Opened Open(const std::string& path, int number) const;
};

// Finds and opens data file `number`: a regular file, reached without
// following a link the rule does not follow.
Opened DataFileReader::State::Open(const std::string& path, int number) const {
  // The system would look for the text before the NUL: another file.
  if (path.find('\0') != std::string::npos) throw Error(ErrorCode::BadFileName, ErrorFact::NulInPath);
  const char* name = path.c_str() + nameOffset;
  Opened opened;
  // Hidden files are no data files.
  if (name[0] == '.') return opened;
  // Whether the listing named it: then a file missing at the open was
  // taken away meanwhile, which fails the rebuild rather than cutting the
  // trend short.
  bool isListed = false;
  if (listed != nullptr) {
    const std::vector<long>& numbers = listed->NumbersOf(trendName);
    isListed = std::binary_search(numbers.begin(), numbers.end(), static_cast<long>(number));
  }
  NotifyFileExistsHook(path, isListed || listed == nullptr);

  int fd = openat(folder->fd(), name, kOpenFlags | O_NOFOLLOW);
  if (fd < 0 && errno == ELOOP) {
    // A link: followed only when that cannot carry another owner's bytes
    // into the master.
    struct stat link {
    }, target{};
    if (fstatat(folder->fd(), name, &link, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(link.st_mode))
      ThrowFileError(ELOOP, path);
    if (fstatat(folder->fd(), name, &target, 0) != 0 || !S_ISREG(target.st_mode)) return opened;
    if (!followLinks && link.st_uid != target.st_uid && link.st_uid != geteuid()) {
      opened.outcome = Outcome::LinkRefused;
      return opened;
    }
    fd = openat(folder->fd(), name, kOpenFlags);
    if (fd >= 0) {
      OpenFile file(fd);
      struct stat seen {};
      if (fstat(fd, &seen) != 0 || seen.st_ino != target.st_ino || seen.st_dev != target.st_dev) {
        opened.outcome = Outcome::LinkRefused;  // changed while it was looked at
        return opened;
      }
      opened.outcome = Outcome::Read;
      opened.file = std::move(file);
      return opened;
    }
  }
  if (fd < 0) {
    const int error = errno;
    if ((error == ENOENT || error == ENOTDIR) && !isListed) return opened;
    ThrowFileError(error, path);
  }
  OpenFile file(fd);
  struct stat info {};
  if (fstat(fd, &info) != 0) ThrowFileError(errno, path);
  // A folder, a pipe or a device is no data file: the run ends there.
  if (!S_ISREG(info.st_mode)) return opened;
  opened.outcome = Outcome::Read;
  opened.file = std::move(file);
  return opened;
}

DataFileReader::DataFileReader(const TrendPath& trend, const TrendFolder* listed, bool followLinks, bool readAhead) {
  state_.reset(
      new State{std::nullopt, nullptr, listed, followLinks, trend.Beside("").size(), trend.Name(), std::nullopt});
  state_->folder = listed != nullptr ? listed->Open() : nullptr;
  if (state_->folder == nullptr) {
    state_->folder = &state_->own.emplace(trend.Folder());
    if (listed != nullptr) state_->own->ExpectIdentity(listed->identity());
  }
  const std::size_t run = listed != nullptr && readAhead ? listed->RunFromZero(trend.Name()) : 0;
  if (run < kReadAheadFrom) return;
  state_->ahead.emplace(run, kLead,
                        [state = state_.get(), paths = DataFilePath(trend), ask = false](
                            std::size_t number, std::size_t, Opened& opened) mutable {
                          opened = state->Open(paths.For(static_cast<int>(number)), static_cast<int>(number));
                          if (opened.outcome != Outcome::Read) return false;
                          if (number % kLookEvery == 0) ask = !FirstPageHeld(opened.file.get());
                          if (ask) (void)posix_fadvise(opened.file.get(), 0, kHeaderPage, POSIX_FADV_WILLNEED);
                          return true;
                        });
}

DataFileReader::~DataFileReader() = default;

DataFileReader::Outcome DataFileReader::Read(const std::string& path, int number, DataFileHeader& header) {
  Opened opened = state_->ahead && static_cast<std::size_t>(number) < state_->ahead->count()
                      ? state_->ahead->Take(static_cast<std::size_t>(number))
                      : state_->Open(path, number);
  if (opened.outcome != Outcome::Read) return opened.outcome;
  unsigned char bytes[kLongestDataHeader];
  std::size_t count = 0;
  while (count < sizeof bytes) {
    const ssize_t done = read(opened.file.get(), bytes + count, sizeof bytes - count);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) ThrowFileError(errno, path);
    if (done == 0) break;
    count += static_cast<std::size_t>(done);
  }
  header = DecodeDataFileHeader(std::span<const unsigned char>(bytes, count));
  return Outcome::Read;
}

}  // namespace qmr
