#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "tools/FolderHandle.h"
#include "trends/DataFileReader.h"
#include "trends/TrendFolder.h"

namespace qmr {

namespace {

constexpr int kOpenFlags = O_RDONLY | O_NONBLOCK | O_NOCTTY;

// Closes the file on every way out.
class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  ~OpenFile() {
    if (fd_ >= 0) close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

struct DataFileReader::State {
  std::optional<FolderHandle> own;  // opened here when the listing keeps none open
  const FolderHandle* folderOpen;
  const TrendFolder* listed;
  bool followLinks;
  std::size_t nameOffset;  // where a data file's own name begins in its path
  std::string trendName;   // the data files' name before their number
};

DataFileReader::DataFileReader(const std::string& firstFilePath, const TrendFolder* listed, bool followLinks) {
  const std::string folder = FolderPart(firstFilePath);
  const std::string firstFile = FileNameOf(firstFilePath);
  state_.reset(new State{std::nullopt, nullptr, listed, followLinks, firstFilePath.size() - firstFile.size(),
                         StripExtension(firstFile)});
  state_->folderOpen = listed != nullptr ? listed->Open() : nullptr;
  if (state_->folderOpen != nullptr) return;
  state_->folderOpen = &state_->own.emplace(folder);
  if (listed != nullptr) state_->own->ExpectIdentity(listed->identity());
}

DataFileReader::~DataFileReader() = default;

DataFileReader::Outcome DataFileReader::Read(const std::string& path, int number, DataFileHeader& header) {
  // The system would look for the text before the NUL: another file.
  if (path.find('\0') != std::string::npos) throw Error(ErrorCode::BadFileName, ErrorFact::NulInPath);
  const char* name = path.c_str() + state_->nameOffset;
  // Hidden files are no data files.
  if (name[0] == '.') return Outcome::Missing;
  // Whether the listing named it: then a file missing at the open was
  // taken away meanwhile, which fails the rebuild rather than cutting the
  // trend short.
  bool listed = false;
  if (state_->listed != nullptr) {
    const std::vector<long>& numbers = state_->listed->NumbersOf(state_->trendName);
    listed = std::binary_search(numbers.begin(), numbers.end(), static_cast<long>(number));
  }
  NotifyFileExistsHook(path, listed || state_->listed == nullptr);

  const int folder = state_->folderOpen->fd();
  int fd = openat(folder, name, kOpenFlags | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0 && errno == ELOOP) {
    // A link: followed only when that cannot carry another owner's bytes
    // into the master.
    struct stat link {
    }, target{};
    if (fstatat(folder, name, &link, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(link.st_mode)) ThrowFileError(ELOOP, path);
    if (fstatat(folder, name, &target, 0) != 0 || !S_ISREG(target.st_mode)) return Outcome::Missing;
    if (!state_->followLinks && link.st_uid != target.st_uid && link.st_uid != geteuid()) return Outcome::LinkRefused;
    fd = openat(folder, name, kOpenFlags | O_CLOEXEC);
    if (fd >= 0) {
      struct stat opened {};
      if (fstat(fd, &opened) != 0 || opened.st_ino != target.st_ino || opened.st_dev != target.st_dev) {
        close(fd);
        return Outcome::LinkRefused;  // changed while it was looked at
      }
    }
  }
  if (fd < 0) {
    const int error = errno;
    if ((error == ENOENT || error == ENOTDIR) && !listed) return Outcome::Missing;
    ThrowFileError(error, path);
  }
  const OpenFile file(fd);
  struct stat info {};
  if (fstat(fd, &info) != 0) ThrowFileError(errno, path);
  // A folder, a pipe or a device is no data file: the run ends there.
  if (!S_ISREG(info.st_mode)) return Outcome::Missing;
  unsigned char bytes[kLongestDataHeader];
  std::size_t count = 0;
  while (count < sizeof bytes) {
    const ssize_t done = read(fd, bytes + count, sizeof bytes - count);
    if (done < 0 && errno == EINTR) continue;
    if (done < 0) ThrowFileError(errno, path);
    if (done == 0) break;
    count += static_cast<std::size_t>(done);
  }
  header = DecodeDataFileHeader(std::span<const unsigned char>(bytes, count));
  return Outcome::Read;
}

}  // namespace qmr
