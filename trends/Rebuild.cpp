#include "trends/Rebuild.h"

#include <charconv>
#include <cstddef>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "definitions/DataFile.h"
#include "definitions/Definitions.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "tools/Sort.h"
#include "trends/Builders.h"
#include "trends/MasterFile.h"

namespace qmr {
namespace {

// File numbers run from 0 to 32767: the last one is read before the step
// beyond it overflows.
constexpr std::size_t kMostSlots = 32768;
// Room a trend's list starts with.
constexpr std::size_t kFewSlots = 64;

// What one family collects while the data files are read: the header of its
// last complete file (which names the trend) and one entry slot per file
// number, slots of files of other families or of unrecognised files left all
// bytes 0.
//
// The slots are kept where the master will hold them, behind room for the
// MasterHeader, so that the family that decides hands its buffer over as the
// master: for a trend of 32767 files that spares a second buffer of 15 MB,
// and fresh memory costs more than the reading of the files around it.
template <typename Header, typename Entry>
struct FamilyRecords {
  static_assert(std::is_trivially_copyable_v<Entry> && alignof(Entry) == 1);

  Header header{};
  std::vector<unsigned char> bytes;  // MasterHeader room, then the slots

  std::size_t Slots() const { return bytes.empty() ? 0 : (bytes.size() - sizeof(MasterHeader)) / sizeof(Entry); }
  unsigned char* At(std::size_t slot) { return bytes.data() + sizeof(MasterHeader) + slot * sizeof(Entry); }

  // Extends the list to cover `slot`, new slots all bytes 0. A short trend
  // takes room for a few slots; past them, room for the most slots a trend
  // can have is taken at once, so that a long list is never copied as it
  // grows. Room that no slot uses is never touched.
  void Cover(std::size_t slot) {
    const std::size_t end = sizeof(MasterHeader) + (slot + 1) * sizeof(Entry);
    if (bytes.capacity() < end)
      bytes.reserve(sizeof(MasterHeader) + (slot < kFewSlots ? kFewSlots : kMostSlots) * sizeof(Entry));
    if (bytes.size() < end) bytes.resize(end);
  }

  // Builds the entry of `slot` with `build` (which fills an all-zero entry).
  template <typename Build>
  void BuildSlot(std::size_t slot, Build build) {
    Cover(slot);
    Entry entry{};
    build(entry);
    std::memcpy(At(slot), &entry, sizeof entry);
  }

  auto KeyAt(std::size_t slot) {
    decltype(Entry::order_key) key;
    std::memcpy(&key, At(slot) + offsetof(Entry, order_key), sizeof key);
    return key.get();
  }
};

// The path of data file `number`: the trend's base path, ".", and the number
// in at least three digits. Reuses one string so that reading thousands of
// files does not allocate a path for each.
class DataFilePath {
 public:
  explicit DataFilePath(const std::string& firstFilePath) : path_(StripExtension(firstFilePath)) {
    path_.push_back('.');
    prefixLength_ = path_.size();
    path_.reserve(prefixLength_ + 8);
  }

  const std::string& For(int number) {
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    path_.resize(prefixLength_);
    for (auto width = end - digits; width < 3; ++width) path_.push_back('0');
    path_.append(digits, end);
    return path_;
  }

 private:
  std::string path_;
  std::size_t prefixLength_ = 0;
};

// Steps 4 and 7 for the family that the last file's version chose: the key
// table, its sort, and the entries put in the sorted order, in place.
template <typename Header, typename Entry>
std::size_t SortEntries(FamilyRecords<Header, Entry>& family) {
  const std::size_t slots = family.Slots();
  if (slots == 0) return 0;
  KeyTable table(0, static_cast<int>(slots) - 1, 1, 2);
  for (std::size_t slot = 0; slot < slots; ++slot) {
    const int row = static_cast<int>(slot);
    const auto key = family.KeyAt(slot);
    if constexpr (sizeof(key) == 8)
      table.at(row, 1) = Cell::Money(key);  // a currency value counting ten-thousandths
    else
      table.at(row, 1) = Cell::Int32(key);
    table.at(row, 2) = Cell::Int16(static_cast<std::int16_t>(slot));
  }
  const std::int32_t descending = -1;
  SortKeyTable(table, descending);

  // order[r]: the slot whose entry goes to position r.
  std::vector<std::size_t> order(slots);
  std::vector<bool> taken(slots, false);
  for (int row = table.rowLower(); row <= table.rowUpper(); ++row) {
    // The sort leaves most companions as text; read them back as numbers.
    const std::int32_t slot = table.at(row, 2).ToInt32();
    if (slot < 0 || static_cast<std::size_t>(slot) >= slots || taken[static_cast<std::size_t>(slot)])
      throw Error(ErrorCode::SubscriptOutOfRange);
    taken[static_cast<std::size_t>(slot)] = true;
    order[static_cast<std::size_t>(row - table.rowLower())] = static_cast<std::size_t>(slot);
  }

  // Move the entries one cycle of the order at a time, one entry set aside.
  std::vector<bool> placed(slots, false);
  Entry aside;
  for (std::size_t start = 0; start < slots; ++start) {
    if (placed[start]) continue;
    std::memcpy(&aside, family.At(start), sizeof aside);
    for (std::size_t to = start;;) {
      const std::size_t from = order[to];
      placed[to] = true;
      if (from == start) {
        std::memcpy(family.At(to), &aside, sizeof aside);
        break;
      }
      std::memcpy(family.At(to), family.At(from), sizeof aside);
      to = from;
    }
  }
  return slots;
}

}  // namespace

TrendMaster ComposeTrendMaster(const std::string& firstFilePath, Services& services, const RebuildOptions& options) {
  FamilyRecords<DataHeaderV1to3, MasterEntryV1to3> family1to3;
  FamilyRecords<DataHeaderV4, MasterEntryV4> family4;
  FamilyRecords<DataHeaderV5, MasterEntryV5> family5;
  FamilyRecords<DataHeaderV6, MasterEntryV6> family6;
  std::int16_t lastVersion = 0;

  // Steps 1 to 3: every numbered data file from .000 up to the first gap.
  // The file number is 16 bits wide, as in the master's file count.
  DataFilePath paths(firstFilePath);
  int number = 0;
  const std::string* path = &paths.For(number);
  while (FileExists(*path)) {
    const DataFileHeader read = ReadDataFileHeader(*path);  // opens and closes the file
    // A file too short to hold bytes 138 and 139 has no version at all.
    lastVersion = read.hasVersion ? read.version : 0;
    const auto slot = static_cast<std::size_t>(number);

    if (read.complete) {
      if (const auto* h = std::get_if<DataHeaderV6>(&read.header)) {
        family6.header = *h;
        family6.BuildSlot(slot, [&](auto& entry) { BuildEntryV6(*h, entry, *path); });
      } else if (const auto* h4 = std::get_if<DataHeaderV4>(&read.header)) {
        family4.header = *h4;
        family4.BuildSlot(slot, [&](auto& entry) { BuildEntryV4(*h4, entry, *path); });
      } else if (const auto* h13 = std::get_if<DataHeaderV1to3>(&read.header)) {
        family1to3.header = *h13;
        family1to3.BuildSlot(slot, [&](auto& entry) { BuildEntryV1to3(*h13, entry, *path); });
      } else if (const auto* h5 = std::get_if<DataHeaderV5>(&read.header)) {
        family5.header = *h5;
        family5.BuildSlot(slot, [&](auto& entry) { BuildEntryV5(*h5, entry, *path); });
      }
    } else {
      // A known version in a file too short for its header still claims its
      // slot (left all bytes 0), so a trend whose last file was cut short
      // keeps one entry per file found.
      switch (read.family) {
        case Family::V1to3: family1to3.Cover(slot); break;
        case Family::V4: family4.Cover(slot); break;
        case Family::V5: family5.Cover(slot); break;
        case Family::V6: family6.Cover(slot); break;
        case Family::None: break;
      }
      if (options.onUnrecognised) options.onUnrecognised(*path);
      services.ShowMessage(kUnrecognisedFileMessage, kApplicationTitle, MessageIcon::Error);
    }

    if (number == std::numeric_limits<std::int16_t>::max())
      throw Error(ErrorCode::Overflow, std::string(DefaultDescription(ErrorCode::Overflow)) +
                                           ": more than 32767 data files after '" + *path + "'");
    path = &paths.For(++number);
  }
  const auto fileCount = static_cast<std::int16_t>(number);

  TrendMaster master;
  master.masterPath = StripExtension(*path) + ".qmr";
  master.version = lastVersion;
  master.fileCount = fileCount;

  // Step 4: the family of the last file decides the name and the entries.
  std::string trendName;
  switch (FamilyOf(lastVersion)) {
    case Family::V1to3: trendName = family1to3.header.trend_name.whole(); break;
    case Family::V4: trendName = family4.header.trend_name.whole(); break;
    case Family::V5: trendName = family5.header.trend_name.whole(); break;
    case Family::V6: trendName = family6.header.trend_name.whole(); break;
    case Family::None: break;
  }

  // Steps 5 to 7, in memory: the header, then the entries in sorted order.
  MasterHeader header{};
  BuildMasterHeader(header, lastVersion, trendName, fileCount);
  switch (FamilyOf(lastVersion)) {
    case Family::V1to3:
      master.entryCount = SortEntries(family1to3);
      master.bytes = std::move(family1to3.bytes);
      break;
    case Family::V4:
      master.entryCount = SortEntries(family4);
      master.bytes = std::move(family4.bytes);
      break;
    case Family::V5:
      master.entryCount = SortEntries(family5);
      master.bytes = std::move(family5.bytes);
      break;
    case Family::V6:
      master.entryCount = SortEntries(family6);
      master.bytes = std::move(family6.bytes);
      break;
    case Family::None: break;
  }
  if (master.bytes.empty()) master.bytes.resize(sizeof(MasterHeader));
  std::memcpy(master.bytes.data(), &header, sizeof header);
  return master;
}

TrendMaster RebuildTrend(const std::string& firstFilePath, Services& services, const RebuildOptions& options) {
  TrendMaster master = ComposeTrendMaster(firstFilePath, services, options);
  WriteMasterFile(master.masterPath, master.bytes);
  return master;
}

}  // namespace qmr
