#include "trends/Rebuild.h"

#include <charconv>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <variant>

#include "definitions/DataFile.h"
#include "definitions/Definitions.h"
#include "tools/Errors.h"
#include "tools/FileTools.h"
#include "tools/Sort.h"
#include "trends/Builders.h"
#include "trends/MasterFile.h"

namespace qmr {
namespace {

// What one family collects while the data files are read: the header of its
// last complete file (which names the trend) and one entry slot per file
// number, slots of files of other families or of unrecognised files left all
// bytes 0.
template <typename Header, typename Entry>
struct FamilyRecords {
  Header header{};
  std::vector<Entry> entries;

  // Extends the list to cover `slot`, new slots all bytes 0.
  Entry& Cover(std::size_t slot) {
    if (entries.size() <= slot) entries.resize(slot + 1);
    return entries[slot];
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

template <typename Record>
void Append(std::vector<unsigned char>& bytes, const Record& record) {
  static_assert(std::is_trivially_copyable_v<Record> && alignof(Record) == 1);
  const auto* first = reinterpret_cast<const unsigned char*>(&record);
  bytes.insert(bytes.end(), first, first + sizeof(Record));
}

// Steps 4 to 7 for the family that the last file's version chose: the key
// table, its sort, and the entries written in the sorted order.
template <typename Header, typename Entry>
std::size_t AppendSortedEntries(const FamilyRecords<Header, Entry>& family, std::vector<unsigned char>& bytes) {
  const auto& entries = family.entries;
  if (entries.empty()) return 0;
  KeyTable table(0, static_cast<int>(entries.size()) - 1, 1, 2);
  for (std::size_t slot = 0; slot < entries.size(); ++slot) {
    const int row = static_cast<int>(slot);
    const auto key = entries[slot].order_key.get();
    if constexpr (sizeof(key) == 8)
      table.at(row, 1) = Cell::Money(key);  // a currency value counting ten-thousandths
    else
      table.at(row, 1) = Cell::Int32(key);
    table.at(row, 2) = Cell::Int16(static_cast<std::int16_t>(slot));
  }
  const std::int32_t descending = -1;
  SortKeyTable(table, descending);

  for (int row = table.rowLower(); row <= table.rowUpper(); ++row) {
    // The sort leaves most companions as text; read them back as numbers.
    const std::int32_t slot = table.at(row, 2).ToInt32();
    if (slot < 0 || static_cast<std::size_t>(slot) >= entries.size()) throw Error(ErrorCode::SubscriptOutOfRange);
    Append(bytes, entries[static_cast<std::size_t>(slot)]);
  }
  return entries.size();
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
        BuildEntryV6(*h, family6.Cover(slot), *path);
      } else if (const auto* h4 = std::get_if<DataHeaderV4>(&read.header)) {
        family4.header = *h4;
        BuildEntryV4(*h4, family4.Cover(slot), *path);
      } else if (const auto* h13 = std::get_if<DataHeaderV1to3>(&read.header)) {
        family1to3.header = *h13;
        BuildEntryV1to3(*h13, family1to3.Cover(slot), *path);
      } else if (const auto* h5 = std::get_if<DataHeaderV5>(&read.header)) {
        family5.header = *h5;
        BuildEntryV5(*h5, family5.Cover(slot), *path);
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
  // The last file's family has one slot per file found: the buffer is sized once.
  master.bytes.reserve(sizeof(MasterHeader) +
                       static_cast<std::size_t>(fileCount) * MasterEntrySize(FamilyOf(lastVersion)));
  Append(master.bytes, header);
  switch (FamilyOf(lastVersion)) {
    case Family::V1to3: master.entryCount = AppendSortedEntries(family1to3, master.bytes); break;
    case Family::V4: master.entryCount = AppendSortedEntries(family4, master.bytes); break;
    case Family::V5: master.entryCount = AppendSortedEntries(family5, master.bytes); break;
    case Family::V6: master.entryCount = AppendSortedEntries(family6, master.bytes); break;
    case Family::None: break;
  }
  return master;
}

TrendMaster RebuildTrend(const std::string& firstFilePath, Services& services, const RebuildOptions& options) {
  TrendMaster master = ComposeTrendMaster(firstFilePath, services, options);
  WriteMasterFile(master.masterPath, master.bytes);
  return master;
}

}  // namespace qmr
