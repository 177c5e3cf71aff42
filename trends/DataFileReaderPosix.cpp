#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "tools/BatchReads.h"
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
  OpenFile file;  // open when `outcome` is Read and its header is not read yet
  bool headerRead = false;
  std::size_t count = 0;  // the header's bytes read ahead
  std::array<unsigned char, kLongestDataHeader> bytes;
};

// How many files the thread ahead reads at once where the system permits:
// while one batch is read, the next one is opened.
constexpr std::size_t kBatch = 256;

// A run of kBatch files the thread ahead opens: where their headers are in
// memory, one by one as the rebuild comes; else all at once, their headers
// read together.
struct Part {
  std::size_t first = 0;  // the number of made[0]
  std::size_t end = 0;    // past the last number it may hold
  bool held = false;      // in memory: opened one by one, the rebuild reads them
  bool ended = false;     // the run of data files ends within it
  std::vector<Opened> made;
  std::vector<std::exception_ptr> failures;
  long results[kBatch];
  std::size_t started = 0;  // reads started into results
};

// Batch reads for a thread's small trends, one after the other: set up once.
BatchReads& ThisThreadsReads() {
  thread_local BatchReads reads(kBatch);
  return reads;
}

// The files of a trend taken in parts: the paths opened, the part in hand
// and the one read meanwhile, and where the system permits, the batch reads
// (the thread ahead's own, or for a small trend, this thread's).
struct Batch {
  // `mayHold`: a part whose first header is in memory is handed over open,
  // one file at a time (for the thread ahead, whose opens then run beside
  // the rebuild's reads).
  Batch(const TrendPath& trend, bool ownReads, bool mayHold)
      : paths(trend),
        mayHold(mayHold),
        own(ownReads ? new BatchReads(2 * kBatch) : nullptr),
        reads(ownReads ? *own : ThisThreadsReads()) {}
  ~Batch() {
    // No read may land in a part that is gone.
    if (next != nullptr && !next->held && reads.Available()) reads.Finish({next->results, next->started});
  }
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;
  DataFilePath paths;
  Part parts[2];
  Part* current = &parts[0];
  Part* next = nullptr;  // started, not finished
  bool mayHold;
  bool ask = false;  // whether the files are asked for their first page (no batches)
  // Last, so that it is gone first: it waits for the reads into the parts.
  std::unique_ptr<BatchReads> own;
  BatchReads& reads;
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
  std::unique_ptr<Batch> batch;  // a small trend's, read by the rebuild's thread
  std::size_t run = 0;           // the files numbered from .000 without a gap

  Opened Open(const std::string& path, int number) const;
  bool MakeAhead(Batch& batch, std::size_t number, std::size_t run, Opened& opened) const;
  void StartPart(Batch& batch, Part& part, std::size_t first, std::size_t end, std::size_t run) const;
  void FinishPart(Batch& batch, Part& part) const;
  void NextPart(Batch& batch, std::size_t number, std::size_t run) const;
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

// Data file `number`, in turn, for the thread ahead or for a small trend's
// single batch: from the part in hand, opened now, or from the next part.
bool DataFileReader::State::MakeAhead(Batch& batch, std::size_t number, std::size_t run, Opened& opened) const {
  if (number >= batch.current->end &&
      (batch.reads.Available() || (batch.next != nullptr && number == batch.next->first)))
    NextPart(batch, number, run);
  Part& part = *batch.current;
  if (number >= part.first && number - part.first < part.made.size()) {
    const std::size_t at = number - part.first;
    if (part.failures[at]) std::rethrow_exception(part.failures[at]);
    opened = std::move(part.made[at]);
    return opened.outcome == Outcome::Read;
  }
  opened = Open(batch.paths.For(static_cast<int>(number)), static_cast<int>(number));
  if (opened.outcome != Outcome::Read) return false;
  if (!batch.reads.Available()) {
    // No batches here: the first page is asked for while the disk must
    // serve it.
    if (number % kLookEvery == 0) batch.ask = !FirstPageHeld(opened.file.get());
    if (batch.ask) (void)posix_fadvise(opened.file.get(), 0, kHeaderPage, POSIX_FADV_WILLNEED);
  }
  return true;
}

// Opens the part's first file, and when its header is not in memory the
// others up to the end of their run too, and starts reading their headers
// all at once.
void DataFileReader::State::StartPart(Batch& batch, Part& part, std::size_t first, std::size_t end,
                                      std::size_t run) const {
  part.first = first;
  part.started = 0;
  part.end = end;
  part.made.clear();
  part.failures.clear();
  part.ended = false;
  part.held = false;
  for (std::size_t number = first; number < end && !part.ended && !part.held; ++number) {
    Opened& opened = part.made.emplace_back();
    std::exception_ptr& failure = part.failures.emplace_back();
    try {
      opened = Open(batch.paths.For(static_cast<int>(number)), static_cast<int>(number));
    } catch (...) {
      failure = std::current_exception();
    }
    part.ended = failure || opened.outcome != Outcome::Read;
    // The others' headers are most likely where the first one's is: in
    // memory, the rebuild's own reads cost less than a batch, and run beside
    // this thread's opens.
    if (number == first && !part.ended && batch.mayHold) part.held = FirstPageHeld(opened.file.get());
  }
  // Without batch reads (they failed meanwhile) the rebuild reads the files.
  if (part.held || !batch.reads.Available()) return;
  int files[kBatch];
  std::span<unsigned char> into[kBatch];
  std::size_t count = 0;
  for (Opened& opened : part.made)
    if (opened.file.get() >= 0) {
      files[count] = opened.file.get();
      into[count++] = opened.bytes;
    }
  part.started = count;
  // The last part of a run is waited for at once: one system call for both.
  const bool last = part.ended || end >= run;
  batch.reads.Start({files, count}, {into, count}, {part.results, count}, last);
}

// Waits for the part's headers; the files read are closed.
void DataFileReader::State::FinishPart(Batch& batch, Part& part) const {
  if (part.held || part.started == 0) return;
  batch.reads.Finish({part.results, part.started});
  for (std::size_t at = 0, read = 0; at < part.made.size(); ++at) {
    Opened& opened = part.made[at];
    if (opened.file.get() < 0) continue;
    const long result = part.results[read++];
    if (result == BatchReads::kNotRead) continue;  // the rebuild reads it itself
    if (result < 0) {
      try {
        ThrowFileError(static_cast<int>(-result), batch.paths.For(static_cast<int>(part.first + at)));
      } catch (...) {
        part.failures[at] = std::current_exception();
      }
      continue;
    }
    opened.headerRead = true;
    opened.count = static_cast<std::size_t>(result);
    opened.file = OpenFile();
  }
}

// Makes the part that begins at data file `number` the one in hand, and
// while its headers are read from the disk, opens the next one.
void DataFileReader::State::NextPart(Batch& batch, std::size_t number, std::size_t run) const {
  if (batch.next != nullptr && number == batch.next->first)
    batch.current = std::exchange(batch.next, nullptr);
  else
    StartPart(batch, *batch.current, number, std::min(number + kBatch, run), run);
  Part& current = *batch.current;
  if (!current.held && !current.ended && current.end < run && batch.reads.Available()) {
    batch.next = batch.current == &batch.parts[0] ? &batch.parts[1] : &batch.parts[0];
    StartPart(batch, *batch.next, current.end, std::min(current.end + kBatch, run), run);
  }
  FinishPart(batch, current);
}

DataFileReader::DataFileReader(const TrendPath& trend, const TrendFolder* listed, bool followLinks, bool readAhead) {
  state_.reset(new State{std::nullopt, nullptr, listed, followLinks, trend.Beside("").size(), trend.Name(),
                         std::nullopt, nullptr, 0});
  state_->folder = listed != nullptr ? listed->Open() : nullptr;
  if (state_->folder == nullptr) {
    state_->folder = &state_->own.emplace(trend.Folder());
    if (listed != nullptr) state_->own->ExpectIdentity(listed->identity());
  }
  const std::size_t run = listed != nullptr ? listed->RunFromZero(trend.Name()) : 0;
  state_->run = run;
  // A small trend's headers are read in one batch, by this thread.
  if (run >= 2 && (run < kReadAheadFrom || !readAhead) && run <= kBatch && ThisThreadsReads().Available())
    state_->batch = std::make_unique<Batch>(trend, false, false);
  if (run < kReadAheadFrom || !readAhead) return;
  state_->ahead.emplace(
      run, kLead,
      [state = state_.get(), batch = std::make_shared<Batch>(trend, true, true), run](
          std::size_t number, std::size_t, Opened& opened) { return state->MakeAhead(*batch, number, run, opened); });
}

DataFileReader::~DataFileReader() = default;

DataFileReader::Outcome DataFileReader::Read(const std::string& path, int number, DataFileHeader& header) {
  Opened opened;
  if (state_->ahead && static_cast<std::size_t>(number) < state_->ahead->count())
    opened = state_->ahead->Take(static_cast<std::size_t>(number));
  else if (state_->batch && static_cast<std::size_t>(number) < state_->run)
    state_->MakeAhead(*state_->batch, static_cast<std::size_t>(number), state_->run, opened);
  else
    opened = state_->Open(path, number);
  if (opened.outcome != Outcome::Read) return opened.outcome;
  if (opened.headerRead) {
    header = DecodeDataFileHeader(std::span<const unsigned char>(opened.bytes.data(), opened.count));
    return Outcome::Read;
  }
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
