#include "trends/Rebuild.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "definitions/DataFile.h"
#include "definitions/Definitions.h"
#include "definitions/Families.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "tools/Sort.h"
#include "trends/Builders.h"
#include "trends/DataFileReader.h"
#include "trends/MasterFile.h"
#include "trends/OldMaster.h"
#include "trends/RecordedPaths.h"
#include "trends/TrendFolder.h"

#ifndef _WIN32
#include <sys/mman.h>
#endif

namespace qmr {
namespace {

// The file number is 16 bits wide, as the master's file count: the file
// numbered 32767 is still read, the step beyond it overflows.
constexpr int kLastFileNumber = std::numeric_limits<std::int16_t>::max();
constexpr std::size_t kMostSlots = kLastFileNumber + 1;
// Room a trend's slots start with.
constexpr std::size_t kFewSlots = 64;

// Asks the system to back a large buffer with large pages where it can, so
// that the 15 MB of a long trend's slots are set up in a few page faults
// instead of thousands (a fault costs as much as reading a data file).
void AdviseLargePages(void* start, std::size_t size) {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
  const auto from = (reinterpret_cast<std::uintptr_t>(start) + kLargePage - 1) & ~(kLargePage - 1);
  const auto to = (reinterpret_cast<std::uintptr_t>(start) + size) & ~(kLargePage - 1);
  if (to > from) (void)madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#else
  (void)start;
  (void)size;
#endif
}

// The entry slots of one family, kept where the master will hold them:
// behind room for the MasterHeader, so that the family that decides hands its
// buffer over as the master and its sorted order is made by moving entries
// within it. For a trend of 32767 files that spares two more buffers of
// 15 MB, and fresh memory costs more than the reading of the files around it.
// Slot k belongs to data file k; a slot whose file was of another family, or
// not recognised, stays all bytes 0.
template <typename Entry>
class MasterSlots {
  static_assert(std::is_trivially_copyable_v<Entry> && alignof(Entry) == 1);

 public:
  std::size_t Count() const { return bytes_.empty() ? 0 : (bytes_.size() - sizeof(MasterHeader)) / sizeof(Entry); }
  std::size_t Built() const { return built_; }

  // Extends the slots to cover `slot`, new slots all bytes 0. A short trend
  // takes room for a few slots; past them, room for the most slots a trend
  // can have is taken at once, so that a long list is never copied as it
  // grows. Room that no slot uses is never touched.
  void Cover(std::size_t slot) {
    const std::size_t end = sizeof(MasterHeader) + (slot + 1) * sizeof(Entry);
    if (bytes_.capacity() < end) {
      const bool many = slot >= kFewSlots;
      bytes_.reserve(sizeof(MasterHeader) + (many ? kMostSlots : kFewSlots) * sizeof(Entry));
      if (many) AdviseLargePages(bytes_.data(), bytes_.capacity());
    }
    if (bytes_.size() < end) bytes_.resize(end);
  }

  // Builds the entry of `slot` with `fill`, which fills an all-zero entry.
  template <typename Fill>
  void Build(std::size_t slot, Fill fill) {
    Cover(slot);
    Entry entry{};
    fill(entry);
    std::memcpy(At(slot), &entry, sizeof entry);
    ++built_;
  }

  auto KeyAt(std::size_t slot) const {
    decltype(Entry::order_key) key;
    std::memcpy(&key, At(slot) + offsetof(Entry, order_key), sizeof key);
    return key.get();
  }

  // Puts the entry of slot order[p] at position p, for every p, in place:
  // one cycle of the permutation at a time, with one entry set aside.
  void Arrange(const std::vector<std::size_t>& order) {
    std::vector<bool> placed(order.size(), false);
    Entry aside;
    for (std::size_t start = 0; start < order.size(); ++start) {
      if (placed[start]) continue;
      std::memcpy(&aside, At(start), sizeof aside);
      std::size_t to = start;
      for (std::size_t from = order[to]; from != start; from = order[to]) {
        std::memcpy(At(to), At(from), sizeof aside);
        placed[to] = true;
        to = from;
      }
      std::memcpy(At(to), &aside, sizeof aside);
      placed[to] = true;
    }
  }

  // The master's bytes: room for its header, then the slots.
  std::vector<unsigned char> TakeBytes() && { return std::move(bytes_); }

 private:
  unsigned char* At(std::size_t slot) { return bytes_.data() + sizeof(MasterHeader) + slot * sizeof(Entry); }
  const unsigned char* At(std::size_t slot) const {
    return bytes_.data() + sizeof(MasterHeader) + slot * sizeof(Entry);
  }

  std::vector<unsigned char> bytes_;
  std::size_t built_ = 0;
};

// What one family collects while the data files are read: the header of its
// last complete file, which names the trend, and its slots.
template <typename Traits>
struct FamilyList {
  using Family = Traits;
  typename Traits::DataHeader header{};
  MasterSlots<typename Traits::MasterEntry> slots;
};

using FamilyLists = std::tuple<FamilyList<FamilyTraits<Family::V1to3>>, FamilyList<FamilyTraits<Family::V4>>,
                               FamilyList<FamilyTraits<Family::V5>>, FamilyList<FamilyTraits<Family::V6>>>;

// Puts data file `slot` into its family's list. A known version in a file
// too short for its header still claims its slot (left all bytes 0), so a
// trend whose last file was cut short keeps one entry per file found.
void TakeDataFile(FamilyLists& lists, std::size_t slot, const DataFileHeader& read, const std::string& path) {
  VisitFamily(read.family, [&](auto traits) {
    using Traits = decltype(traits);
    if constexpr (kIsFamily<Traits>) {
      auto& list = std::get<FamilyList<Traits>>(lists);
      if (!read.complete) return list.slots.Cover(slot);
      list.header = std::get<typename Traits::DataHeader>(read.header);
      list.slots.Build(slot, [&](auto& entry) { BuildEntry(list.header, entry, path); });
    }
  });
}

// The order the slots take in the master: the key column sort's, by the
// text of their keys, descending, equal keys in slot order. An all-zero slot
// has the key 0. Only the order is needed, so the texts go to the sort
// without a table of cells around them: for a trend of 32767 files that
// table would cost more than all the rest of the rebuild's own work.
template <typename Traits, typename Slots>
std::vector<std::size_t> SortedSlotOrder(const Slots& slots) {
  std::vector<std::string> keys(slots.Count());
  for (std::size_t slot = 0; slot < keys.size(); ++slot) {
    if constexpr (Traits::kKey == KeyKind::Currency)
      keys[slot] = CurrencyText(slots.KeyAt(slot));
    else
      keys[slot] = std::to_string(slots.KeyAt(slot));
  }
  return KeyOrder(keys, -1);
}

// The data files of `trend` that `folder` holds above number `missing`, in
// number order.
std::vector<std::string> DataFilesAbove(const TrendFolder& folder, const TrendPath& trend, int missing) {
  std::vector<std::string> paths;
  DataFilePath path(trend);
  for (const long number : folder.NumbersOf(trend.Name()))
    if (number > missing && number <= std::numeric_limits<int>::max())
      paths.push_back(path.For(static_cast<int>(number)));
  return paths;
}

// For each family (by its number), the first data file that would leave
// that family's master an all-zero slot, or -1.
using FirstWithoutEntry = std::array<int, static_cast<std::size_t>(Family::V6) + 1>;

// Data file `number` gives an entry to its own family when it is complete,
// to no other.
void NoteFamiliesWithoutEntry(FirstWithoutEntry& firstWithout, const DataFileHeader& read, int number) {
  for (std::size_t family = 0; family < firstWithout.size(); ++family) {
    const bool gave = read.complete && static_cast<std::size_t>(read.family) == family;
    if (!gave && firstWithout[family] < 0) firstWithout[family] = number;
  }
}

}  // namespace

TrendMaster ComposeTrendMaster(const TrendPath& trend, RebuildEvents& events, const RebuildOptions& options) {
  // Read every numbered data file from .000 up to the first missing number,
  // one file open at a time, into the slots of its family.
  FamilyLists lists;
  FirstWithoutEntry firstWithout;
  firstWithout.fill(-1);
  std::int16_t lastVersion = 0;  // a file too short for its version word counts as 0
  bool lastComplete = false;
  DataFilePath paths(trend);
  // Paths reached through "\\?\" are recorded as the runtime opens them.
  const bool prefixed = HasDevicePrefix(trend.Base());
  DataFileReader reader(trend, options.folder, options.followLinks, options.readAhead);
  int number = 0;
  DataFileHeader read;
  for (const std::string* path = &paths.For(number);; path = &paths.For(++number)) {
    const DataFileReader::Outcome outcome = reader.Read(*path, number, read);
    if (outcome == DataFileReader::Outcome::LinkRefused) events.DataFileLinkNotFollowed(*path);
    if (outcome != DataFileReader::Outcome::Read) break;
    events.DataFileRead(*path, read);
    lastVersion = read.version;
    lastComplete = read.complete;
    NoteFamiliesWithoutEntry(firstWithout, read, number);
    if (options.recordedPath)
      TakeDataFile(lists, static_cast<std::size_t>(number), read, options.recordedPath(FileNameOf(*path)));
    else if (prefixed)
      TakeDataFile(lists, static_cast<std::size_t>(number), read, WithoutDevicePrefix(*path));
    else
      TakeDataFile(lists, static_cast<std::size_t>(number), read, *path);
    if (!read.recognised()) events.DataFileUnrecognised(*path, read.reason());
    if (number == kLastFileNumber)
      throw Error(ErrorCode::Overflow, ErrorFact::TooManyDataFiles, {.path = *path, .limit = kLastFileNumber});
  }

  // The runtime passes over hidden and system files as over missing ones;
  // the user is told, since the trend then seems shorter than it is.
  if (HiddenFileExists(paths.For(number))) events.DataFileHidden(paths.For(number));

  if (options.folder != nullptr) {
    const std::vector<std::string> beyond = DataFilesAbove(*options.folder, trend, number);
    if (!beyond.empty()) events.DataFilesBeyondGap(paths.For(number), beyond);
  }

  TrendMaster master;
  master.masterPath = trend.Master();
  master.version = lastVersion;
  master.fileCount = static_cast<std::int16_t>(number);
  master.firstFileWithoutEntry = number > 0 ? 0 : -1;
  master.lastFileWithoutEntry = number > 0 && !lastComplete;

  // The family of the last file found decides the trend's name and which
  // entries the master holds, in the order of their keys. A last file that
  // is no trend data file leaves the master its header alone.
  std::string trendName;
  VisitFamily(FamilyOf(lastVersion), [&](auto traits) {
    using Traits = decltype(traits);
    if constexpr (kIsFamily<Traits>) {
      auto& list = std::get<FamilyList<Traits>>(lists);
      trendName = list.header.trend_name.whole();
      list.slots.Arrange(SortedSlotOrder<Traits>(list.slots));
      master.entryCount = list.slots.Count();
      master.placeholderCount = master.entryCount - list.slots.Built();
      master.firstFileWithoutEntry = firstWithout[static_cast<std::size_t>(Traits::kFamily)];
      master.bytes = std::move(list.slots).TakeBytes();
    }
  });

  // The header, naming the trend, ahead of the entries.
  MasterHeader header{};
  BuildMasterHeader(header, lastVersion, trendName, master.fileCount);
  if (master.bytes.empty()) master.bytes.resize(sizeof(MasterHeader));
  std::memcpy(master.bytes.data(), &header, sizeof header);
  master.byteCount = master.bytes.size();
  return master;
}

TrendMaster ComposeTrendMaster(const std::string& firstFilePath, RebuildEvents& events, const RebuildOptions& options) {
  return ComposeTrendMaster(TrendPath::OfFile(firstFilePath), events, options);
}

namespace {

// RefusalOf, which leaves in `old` what it read of the old master.
std::optional<Refusal> RefusalReading(const TrendPath& trend, const TrendMaster& master, const RebuildOptions& options,
                                      std::optional<OldMasterEntries>& old) {
  if (options.refuseWithoutDataFiles && master.fileCount == 0)
    return Refusal{Refusal::Reason::NoDataFile, {}, trend.FirstFile(), master.masterPath, 0, 0};
  if (!options.refuseWorseMaster) return std::nullopt;
  // The old master's header and size tell how many entries it has; its
  // entries are read, in the same open, only when the new one could hold
  // fewer real ones.
  old = ReadOldMaster(
      master.masterPath,
      [&master](std::size_t entries) {
        return entries != 0 && (master.placeholderCount != 0 || master.entryCount < entries);
      },
      options.folder);
  if (!old || !old->real || master.RealEntries() >= *old->real) return std::nullopt;
  const std::size_t oldEntries = *old->real;

  Refusal refusal{Refusal::Reason::WorseMaster, {}, {}, master.masterPath, master.RealEntries(), oldEntries};
  if (master.lastFileWithoutEntry) {
    refusal.blame = Refusal::Blame::LastFileGaveNone;
    refusal.file = trend.DataFile(master.fileCount - 1);
  } else if (master.firstFileWithoutEntry >= 0) {
    refusal.blame = Refusal::Blame::FileGaveNone;
    refusal.file = trend.DataFile(master.firstFileWithoutEntry);
  } else {
    refusal.blame = Refusal::Blame::FileMissing;
    refusal.file = trend.DataFile(master.fileCount);
  }
  return refusal;
}

}  // namespace

std::optional<Refusal> RefusalOf(const TrendPath& trend, const TrendMaster& master, const RebuildOptions& options) {
  std::optional<OldMasterEntries> old;
  return RefusalReading(trend, master, options, old);
}

TrendOutcome ReplaceMaster(const TrendPath& trend, TrendMaster master, RebuildEvents& events,
                           const RebuildOptions& options, MasterWriter& writer) {
  TrendOutcome outcome;
  static_cast<TrendMaster&>(outcome) = std::move(master);
  std::optional<OldMasterEntries> old;
  if ((outcome.refusal = RefusalReading(trend, outcome, options, old))) {
    outcome.kind = TrendOutcome::Kind::Refused;
  } else if (options.dryRun) {
    outcome.kind = TrendOutcome::Kind::WouldRebuild;
  } else {
    writer.Write(trend, outcome.bytes, events, options.folder, old ? &*old : nullptr);
    outcome.kind = TrendOutcome::Kind::Rebuilt;
  }
  return outcome;
}

TrendOutcome RebuildTrend(const TrendPath& trend, RebuildEvents& events, const RebuildOptions& options,
                          MasterWriter& writer) {
  return ReplaceMaster(trend, ComposeTrendMaster(trend, events, options), events, options, writer);
}

TrendOutcome RebuildTrend(const TrendPath& trend, RebuildEvents& events, const RebuildOptions& options) {
  MasterWriter writer;
  return RebuildTrend(trend, events, options, writer);
}

TrendOutcome RebuildTrend(const std::string& firstFilePath, RebuildEvents& events, const RebuildOptions& options) {
  return RebuildTrend(TrendPath::OfFile(firstFilePath), events, options);
}

}  // namespace qmr
