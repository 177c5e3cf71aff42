#include "trends/MasterCheck.h"

#include <algorithm>

#include "definitions/Definitions.h"
#include "definitions/Families.h"
#include "definitions/MasterFields.h"
#include "tools/FileReading.h"
#include "trends/Banner.h"

namespace qmr {

namespace {

// Compares one record's fields; `start` is the record's offset in the file.
void CompareRecord(std::span<const FieldInfo> fields, std::optional<std::size_t> entry, std::size_t start,
                   std::span<const unsigned char> expected, std::span<const unsigned char> actual,
                   const std::optional<ByteRange>& ignored, Family family, std::size_t limit,
                   MasterComparison& result) {
  for (const FieldInfo& field : fields) {
    const std::size_t from = start + field.offset;
    bool differs = false;
    for (std::size_t i = from; i < from + field.width; ++i) {
      const bool skipped = ignored && i >= ignored->offset && i < ignored->offset + ignored->length;
      if (!skipped && expected[i] != actual[i]) differs = true;
    }
    if (!differs) continue;
    if (result.differences.size() >= limit) {
      ++result.moreDifferences;
      continue;
    }
    const auto bytes = [&](std::span<const unsigned char> file) {
      const auto part = file.subspan(from, field.width);
      return std::vector<unsigned char>(part.begin(), part.end());
    };
    result.differences.push_back({entry, &field, from, bytes(expected), bytes(actual), family});
  }
}

}  // namespace

MasterComparison CompareMasters(std::span<const unsigned char> expected, std::span<const unsigned char> actual,
                                std::size_t limit) {
  MasterComparison result;
  const std::optional<ByteRange> date = BannerDateRange(expected);
  const std::size_t header = sizeof(MasterHeader);
  const std::size_t common = std::min(expected.size(), actual.size());
  if (common >= header) {
    const auto version =
        static_cast<std::int16_t>(ReadLittleEndian(expected.data() + offsetof(MasterHeader, version), 2));
    const Family family = FamilyOf(version);
    CompareRecord(MasterHeaderFields(), std::nullopt, 0, expected, actual, date, family, limit, result);
    const std::size_t entrySize = MasterEntrySize(family);
    for (std::size_t at = header; entrySize != 0 && at + entrySize <= common; at += entrySize) {
      CompareRecord(MasterEntryFields(family), (at - header) / entrySize, at, expected, actual, date, family, limit,
                    result);
    }
  } else if (!std::equal(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(common), actual.begin())) {
    // Not even a whole header to lay fields over.
    result.lengthsDiffer = true;
  }
  result.lengthsDiffer = result.lengthsDiffer || expected.size() != actual.size();
  return result;
}

MasterFileComparison CompareMasterFile(const std::string& path, std::span<const unsigned char> expected,
                                       std::size_t limit, const TrendFolder* listed) {
  const std::optional<ByteRange> date = BannerDateRange(expected);
  // The file's own header, whose date the comparison skips but a
  // difference in the banner shows.
  unsigned char header[sizeof(MasterHeader)];
  std::size_t at = 0;  // bytes read
  std::vector<unsigned char> actual;
  bool differs = false;
  const auto matches = [&](std::span<const unsigned char> chunk) {
    if (at + chunk.size() > expected.size()) return false;  // longer
    const auto wanted = expected.subspan(at, chunk.size());
    // The chunk in runs that end where the date begins or ends; the date's
    // run is skipped, the others compared whole.
    for (std::size_t i = 0; i < chunk.size();) {
      const std::size_t offset = at + i;
      const bool inDate = date && offset >= date->offset && offset < date->offset + date->length;
      std::size_t next = chunk.size();
      if (date && offset < date->offset) next = std::min(next, date->offset - at);
      if (inDate) next = std::min(next, date->offset + date->length - at);
      if (!inDate &&
          !std::equal(chunk.begin() + static_cast<std::ptrdiff_t>(i), chunk.begin() + static_cast<std::ptrdiff_t>(next),
                      wanted.begin() + static_cast<std::ptrdiff_t>(i)))
        return false;
      i = next;
    }
    return true;
  };
  // What was read so far is what was expected, but for the date.
  const auto keepReadSoFar = [&] {
    actual.reserve(std::max(expected.size(), at) + 1);
    actual.assign(expected.begin(), expected.begin() + static_cast<std::ptrdiff_t>(at));
    std::copy(header, header + std::min(at, sizeof header), actual.begin());
  };
  const auto take = [&](std::span<const unsigned char> chunk) {
    if (at < sizeof header) {
      const std::size_t take = std::min(chunk.size(), sizeof header - at);
      std::copy(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(take), header + at);
    }
    if (!differs && !matches(chunk)) {
      differs = true;
      keepReadSoFar();
    }
    if (differs) actual.insert(actual.end(), chunk.begin(), chunk.end());
    at += chunk.size();
    return true;
  };
#ifndef _WIN32
  if (listed != nullptr && listed->Open() != nullptr)
    ReadMasterInChunks(path, kLargestMaster + 1, take, *listed->Open());
  else
#endif
    ReadMasterInChunks(path, kLargestMaster + 1, take, listed != nullptr ? listed->identity() : FolderIdentity{});
  // Shorter, and the same as far as it goes.
  if (!differs && at != expected.size()) {
    differs = true;
    keepReadSoFar();
  }
  MasterFileComparison result;
  result.length = at;
  if (differs) result.comparison = CompareMasters(expected, actual, limit);
  return result;
}

void OpenMasterForComparing(const std::string& path, const TrendFolder* listed) {
#ifndef _WIN32
  if (listed != nullptr && listed->Open() != nullptr) OpenMasterAhead(path, *listed->Open(), kLargestMaster + 1);
#else
  (void)path;
  (void)listed;
#endif
}

}  // namespace qmr
