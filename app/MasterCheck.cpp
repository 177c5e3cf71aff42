#include "app/MasterCheck.h"

#include <algorithm>

#include "app/MasterFields.h"
#include "definitions/Definitions.h"
#include "definitions/Families.h"
#include "tools/FileReading.h"
#include "tools/FileTools.h"

namespace qmr::cli {

std::string DescribeMasterOffset(std::span<const unsigned char> master, std::size_t offset) {
  const std::string where = " (byte " + std::to_string(offset) + ")";
  if (offset < sizeof(MasterHeader)) {
    const FieldInfo* field = FieldAt(MasterHeaderFields(), offset);
    return std::string("field ") + (field ? field->name : "?") + where;
  }
  const auto version = master.size() >= sizeof(MasterHeader)
                           ? static_cast<std::int16_t>(ReadLittleEndian(master.data() + offsetof(MasterHeader, version), 2))
                           : std::int16_t{0};
  const Family family = FamilyOf(version);
  const std::size_t entrySize = MasterEntrySize(family);
  if (entrySize == 0) return "after the header, which has no entries" + where;
  const std::size_t index = (offset - sizeof(MasterHeader)) / entrySize;
  const std::size_t within = (offset - sizeof(MasterHeader)) % entrySize;
  const FieldInfo* field = FieldAt(MasterEntryFields(family), within);
  return "entry " + std::to_string(index) + " field " + (field ? field->name : "?") + where;
}

CheckResult CompareMasters(std::span<const unsigned char> expected, std::span<const unsigned char> actual) {
  CheckResult result;
  const std::optional<ByteRange> date = BannerDateRange(expected);
  const auto ignored = [&](std::size_t i) {
    return date && i >= date->offset && i < date->offset + date->length;
  };
  const std::size_t common = std::min(expected.size(), actual.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (expected[i] != actual[i] && !ignored(i)) {
      result.status = CheckStatus::Differs;
      result.difference = DescribeMasterOffset(expected, i);
      return result;
    }
  }
  if (expected.size() != actual.size()) {
    result.status = CheckStatus::Differs;
    result.difference = "length " + std::to_string(actual.size()) + " bytes, expected " +
                        std::to_string(expected.size());
  }
  return result;
}

CheckResult CheckTrendMaster(const std::string& firstFilePath, RebuildEvents& events) {
  const TrendMaster composed = ComposeTrendMaster(firstFilePath, events);
  CheckResult result;
  if (!FileExists(composed.masterPath)) {
    result.status = CheckStatus::Missing;
  } else {
    result = CompareMasters(composed.bytes, ReadWholeFile(composed.masterPath));
  }
  result.masterPath = composed.masterPath;
  return result;
}

}  // namespace qmr::cli
