#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "tools/Errors.h"
#include "tools/FileBatch.h"
#include "tools/FileTools.h"
#include "tools/FolderHandle.h"
#include "tools/HelperThread.h"
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
  // The descriptor was closed elsewhere: its number is no longer this file's.
  void Forget() { fd_ = -1; }

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

// What is known of a data file before it is opened.
struct Lookup {
  const char* name = nullptr;  // within the folder
  bool hidden = false;         // a hidden file is no data file
  bool isListed = false;       // the listing named it
};

// How many files are opened together, and read together, where the system
// permits: while one part's headers are read, the next part is opened.
// Parts of 128 or 1024 files measured no better.
constexpr std::size_t kBatch = 256;
// A part's opens that wait for the disk are shared with a helper from so
// many on.
constexpr std::size_t kShareFrom = 32;
// A thread's batch has room for a part's reads and closes, and the next
// part's opens.
static_assert(FileBatch::kThreadDepth >= 4 * kBatch);

// A run of at most kBatch files, opened together and their headers read
// together.
struct Part {
  std::size_t first = 0;  // the number of made[0]
  std::size_t end = 0;    // past the last number it may hold
  bool ended = false;     // the run of data files ends within it
  bool reading = false;   // its reads are in flight
  std::vector<Opened> made;
  std::vector<std::exception_ptr> failures;
  std::vector<std::string> paths;
  std::vector<Lookup> lookups;
  // The batch's results, one per file.
  long opens[kBatch];
  long reads[kBatch];
  long closes[kBatch];
  // The kind of each file opened where the batch could not (st_mode), or
  // 0 when it is still to be asked.
  unsigned kinds[kBatch];
};

// The files of a trend taken in parts: the part in hand and the one read
// meanwhile, with this thread's batch; or, for the thread ahead where the
// system gives no batches, one at a time.
struct Batch {
  Batch(const TrendPath& trend, FileBatch* calls) : paths(trend), calls(calls) {}
  ~Batch();
  Batch(const Batch&) = delete;
  Batch& operator=(const Batch&) = delete;
  bool Batched() const { return calls != nullptr && calls->Available(); }
  DataFilePath paths;
  Part parts[2];
  Part* current = &parts[0];
  Part* next = nullptr;                  // started, not finished
  bool ask = false;                      // whether the files are asked for their first page (no batches)
  FileBatch* calls;                      // nullptr: no batches
  std::unique_ptr<HelperThread> helper;  // shares the opens that wait for the disk, if any
};

// Waits for the part's reads and closes; a descriptor the batch closed is
// forgotten, so that nothing closes its number again.
void SettleReads(FileBatch& calls, Part& part) {
  if (!part.reading) return;
  part.reading = false;
  const std::size_t count = part.made.size();
  calls.Finish({part.reads, count});
  calls.Finish({part.closes, count});
  for (std::size_t at = 0; at < count; ++at) {
    const long closed = part.closes[at];
    if (closed != FileBatch::kNotDone && closed != -ECANCELED) part.made[at].file.Forget();
  }
}

Batch::~Batch() {
  // No read may land in a part that is gone.
  if (next != nullptr) SettleReads(*calls, *next);
}
}  // namespace

struct DataFileReader::State {
  std::optional<FolderHandle> own;  // opened here when the listing keeps none open
  const FolderHandle* folder;
  const TrendFolder* listed;
  bool followLinks;
  std::size_t nameOffset;  // where a data file's own name begins in its path
  std::string trendName;   // the data files' name before their number
  std::optional<WorkAhead<Opened>> ahead;
  std::unique_ptr<Batch> batch;  // read by the rebuild's own thread
  std::size_t run = 0;           // the files numbered from .000 without a gap

  Lookup Before(const std::string& path, int number) const;
  Opened After(const std::string& path, const Lookup& lookup, long opened) const;
  Opened Open(const std::string& path, int number) const;
  bool MakeAhead(Batch& batch, std::size_t number, std::size_t run, Opened& opened) const;
  void StartPart(Batch& batch, Part& part, std::size_t first, std::size_t end, std::size_t run) const;
  void OpenWaiting(Batch& batch, Part& part, std::size_t asked) const;
  void OpenPart(Batch& batch, Part& part) const;
  void FinishPart(Batch& batch, Part& part) const;
  void NextPart(Batch& batch, std::size_t number, std::size_t run) const;
};

// What data file `number` at `path` is known to be before it is opened; the
// test seam between the listing and the open is called here.
Lookup DataFileReader::State::Before(const std::string& path, int number) const {
  // The system would look for the text before the NUL: another file.
  if (path.find('\0') != std::string::npos) throw Error(ErrorCode::BadFileName, ErrorFact::NulInPath);
  Lookup lookup;
  lookup.name = path.c_str() + nameOffset;
  // Hidden files are no data files.
  lookup.hidden = lookup.name[0] == '.';
  if (lookup.hidden) return lookup;
  // Whether the listing named it: then a file missing at the open was
  // taken away meanwhile, which fails the rebuild rather than cutting the
  // trend short.
  if (listed != nullptr) {
    const std::vector<long>& numbers = listed->NumbersOf(trendName);
    lookup.isListed = std::binary_search(numbers.begin(), numbers.end(), static_cast<long>(number));
  }
  NotifyFileExistsHook(path, lookup.isListed || listed == nullptr);
  return lookup;
}

// What the open of a data file without following a link found: `opened` is
// its descriptor or minus the system's error number.
Opened DataFileReader::State::After(const std::string& path, const Lookup& lookup, long opened) const {
  Opened result;
  const char* name = lookup.name;
  if (opened == -ELOOP) {
    // A link: followed only when that cannot carry another owner's bytes
    // into the master.
    struct stat link {
    }, target{};
    if (fstatat(folder->fd(), name, &link, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISLNK(link.st_mode))
      ThrowFileError(ELOOP, path);
    if (fstatat(folder->fd(), name, &target, 0) != 0 || !S_ISREG(target.st_mode)) return result;
    if (!followLinks && link.st_uid != target.st_uid && link.st_uid != geteuid()) {
      result.outcome = Outcome::LinkRefused;
      return result;
    }
    const int fd = openat(folder->fd(), name, kOpenFlags);
    if (fd < 0) {
      opened = -errno;
    } else {
      OpenFile file(fd);
      struct stat seen {};
      if (fstat(fd, &seen) != 0 || seen.st_ino != target.st_ino || seen.st_dev != target.st_dev) {
        result.outcome = Outcome::LinkRefused;  // changed while it was looked at
        return result;
      }
      result.outcome = Outcome::Read;
      result.file = std::move(file);
      return result;
    }
  }
  if (opened < 0) {
    const int error = static_cast<int>(-opened);
    if ((error == ENOENT || error == ENOTDIR) && !lookup.isListed) return result;
    ThrowFileError(error, path);
  }
  OpenFile file(static_cast<int>(opened));
  struct stat info {};
  if (fstat(file.get(), &info) != 0) ThrowFileError(errno, path);
  // A folder, a pipe or a device is no data file: the run ends there.
  if (!S_ISREG(info.st_mode)) return result;
  result.outcome = Outcome::Read;
  result.file = std::move(file);
  return result;
}

// Finds and opens data file `number`: a regular file, reached without
// following a link the rule does not follow.
Opened DataFileReader::State::Open(const std::string& path, int number) const {
  const Lookup lookup = Before(path, number);
  if (lookup.hidden) return {};
  const int fd = openat(folder->fd(), lookup.name, kOpenFlags | O_NOFOLLOW);
  return After(path, lookup, fd >= 0 ? fd : -errno);
}

// Data file `number`, in turn, for the thread ahead or for the rebuild's own
// batches: from the part in hand, opened now, or from the next part.
bool DataFileReader::State::MakeAhead(Batch& batch, std::size_t number, std::size_t run, Opened& opened) const {
  if (number >= batch.current->end && (batch.Batched() || (batch.next != nullptr && number == batch.next->first)))
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
  if (!batch.Batched()) {
    // No batches here: the first page is asked for while the disk must
    // serve it.
    if (number % kLookEvery == 0) batch.ask = !FirstPageHeld(opened.file.get());
    if (batch.ask) (void)posix_fadvise(opened.file.get(), 0, kHeaderPage, POSIX_FADV_WILLNEED);
  }
  return true;
}

// Makes the opens of the part's first `asked` files that the batch left to
// this thread: one that would wait for the disk (or not from memory on an
// older system), or one the batch could not make. Each file opened is asked
// its kind at once. Many are shared with the helper: looking up a name in
// a large folder and setting up its file is the system's work on the
// processor, and a cold trend has little else.
void DataFileReader::State::OpenWaiting(Batch& batch, Part& part, std::size_t asked) const {
  std::size_t waiting[kBatch];
  std::size_t count = 0;
  for (std::size_t at = 0; at < asked; ++at) {
    const long result = part.opens[at];
    if (result == FileBatch::kNotDone || result == -EAGAIN || result == -EINVAL) waiting[count++] = at;
  }
  const auto open = [&](std::size_t from, std::size_t to) {
    for (std::size_t next = from; next < to; ++next) {
      const std::size_t at = waiting[next];
      const int fd = openat(folder->fd(), part.lookups[at].name, kOpenFlags | O_NOFOLLOW);
      part.opens[at] = fd >= 0 ? fd : -errno;
      struct stat known {};
      if (fd >= 0 && fstat(fd, &known) == 0) part.kinds[at] = known.st_mode;
    }
  };
  if (batch.helper == nullptr || count < kShareFrom) return open(0, count);
  const std::size_t half = count / 2;
  const std::uint64_t shared = batch.helper->Hand([&] { open(half, count); });
  open(0, half);
  batch.helper->WaitFor(shared);
}

// Opens the part's files all at once, then asks each what it is: the first
// that is no data file, or that fails, ends the part. Each is opened once:
// one the batch left to this thread by OpenWaiting, a link by After.
void DataFileReader::State::OpenPart(Batch& batch, Part& part) const {
  const std::size_t count = part.end - part.first;
  part.paths.resize(count);
  part.lookups.resize(count);
  std::size_t asked = 0;
  std::exception_ptr stop;  // why the files were not all asked for
  for (; asked < count; ++asked) {
    part.paths[asked] = batch.paths.For(static_cast<int>(part.first + asked));
    try {
      part.lookups[asked] = Before(part.paths[asked], static_cast<int>(part.first + asked));
    } catch (...) {
      stop = std::current_exception();
      break;
    }
    if (part.lookups[asked].hidden) break;
    // The name within the path copied into the part, which stays.
    part.lookups[asked].name = part.paths[asked].c_str() + nameOffset;
    part.kinds[asked] = 0;
    batch.calls->AddOpen(folder->fd(), part.lookups[asked].name, kOpenFlags | O_NOFOLLOW, part.opens[asked]);
  }
  batch.calls->Submit(true);
  batch.calls->Finish({part.opens, asked});
  OpenWaiting(batch, part, asked);
  // What each open found, in number order, up to the first that ends the
  // run of data files.
  for (std::size_t at = 0; at < asked && !part.ended; ++at) {
    Opened& opened = part.made.emplace_back();
    std::exception_ptr& failure = part.failures.emplace_back();
    const long result = part.opens[at];
    if (result >= 0) {
      opened.file = OpenFile(static_cast<int>(result));
      opened.outcome = Outcome::Read;
      continue;
    }
    try {
      // A link, or a file that is not there or cannot be opened.
      opened = After(part.paths[at], part.lookups[at], result);
    } catch (...) {
      failure = std::current_exception();
    }
    if (failure || opened.outcome != Outcome::Read) {
      part.ended = true;
      for (std::size_t later = at + 1; later < asked; ++later)
        if (part.opens[later] >= 0) close(static_cast<int>(part.opens[later]));
    }
  }
  if (!part.ended && asked < count) {
    // A hidden name, or one that cannot be a file's: the run ends there.
    part.made.emplace_back();
    part.failures.push_back(stop);
    part.ended = true;
  }
  // What kind of file each one the batch opened is, asked one by one: the
  // system would hand a batch of such asks to worker threads, which costs
  // more than the asks.
  for (std::size_t at = 0; at < part.made.size(); ++at) {
    Opened& opened = part.made[at];
    if (opened.outcome != Outcome::Read || part.opens[at] < 0) continue;
    struct stat known {};
    known.st_mode = part.kinds[at];
    if (known.st_mode == 0 && fstat(opened.file.get(), &known) != 0) {
      try {
        ThrowFileError(errno, part.paths[at]);
      } catch (...) {
        part.failures[at] = std::current_exception();
      }
    }
    if (part.failures[at] || !S_ISREG(known.st_mode)) {
      // A folder, a pipe or a device is no data file: the run ends there.
      opened = Opened();
      part.made.resize(at + 1);
      part.failures.resize(at + 1);
      part.ended = true;
      break;
    }
  }
}

// Opens the part's files, and where the system permits, starts reading all
// their headers at once.
void DataFileReader::State::StartPart(Batch& batch, Part& part, std::size_t first, std::size_t end,
                                      std::size_t run) const {
  part.first = first;
  part.end = end;
  part.made.clear();
  part.failures.clear();
  part.ended = false;
  part.reading = false;
  OpenPart(batch, part);
  // Without batches (they failed meanwhile) the rebuild reads the files.
  if (!batch.Batched()) return;
  for (std::size_t at = 0; at < part.made.size(); ++at) {
    Opened& opened = part.made[at];
    if (opened.file.get() >= 0)
      batch.calls->AddReadThenClose(opened.file.get(), opened.bytes, part.reads[at], part.closes[at]);
    else
      part.reads[at] = part.closes[at] = FileBatch::kNotDone;
  }
  part.reading = true;
  // The last part of a run is waited for at once: one system call for both.
  batch.calls->Submit(part.ended || end >= run);
}

// Waits for the part's headers.
void DataFileReader::State::FinishPart(Batch& batch, Part& part) const {
  if (!part.reading) return;
  SettleReads(*batch.calls, part);
  for (std::size_t at = 0; at < part.made.size(); ++at) {
    Opened& opened = part.made[at];
    const long result = part.reads[at];
    if (result == FileBatch::kNotDone) continue;  // the rebuild reads it itself
    opened.file = OpenFile();                     // closed, unless the batch did
    if (result < 0) {
      try {
        ThrowFileError(static_cast<int>(-result), part.paths[at]);
      } catch (...) {
        part.failures[at] = std::current_exception();
      }
      continue;
    }
    opened.headerRead = true;
    opened.count = static_cast<std::size_t>(result);
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
  if (!current.ended && current.end < run && batch.Batched()) {
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
  // Where the system gives batches, this thread reads the files in parts:
  // a thread ahead would only add its hand-overs.
  if (run >= 2 && FileBatch::OfThisThread().Available()) {
    state_->batch = std::make_unique<Batch>(trend, &FileBatch::OfThisThread());
    // A trend of several parts shares its opens that wait for the disk.
    if (run > kBatch && readAhead) state_->batch->helper = std::make_unique<HelperThread>();
    return;
  }
  if (run < kReadAheadFrom || !readAhead) return;
  state_->ahead.emplace(
      run, kLead,
      [state = state_.get(), batch = std::make_shared<Batch>(trend, nullptr), run](
          std::size_t number, std::size_t, Opened& opened) { return state->MakeAhead(*batch, number, run, opened); });
}

DataFileReader::~DataFileReader() = default;

DataFileReader::Outcome DataFileReader::Read(const std::string& path, int number, DataFileHeader& header) {
  Opened opened;
  if (state_->ahead && static_cast<std::size_t>(number) < state_->ahead->count())
    opened = state_->ahead->Take(static_cast<std::size_t>(number));
  else if (state_->batch && static_cast<std::size_t>(number) < state_->run)
    state_->MakeAhead(*state_->batch, static_cast<std::size_t>(number), state_->run, opened);
  else if (state_->listed != nullptr && static_cast<std::size_t>(number) == state_->run)
    return Outcome::Missing;  // the listing has no such data file: the run ends
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
