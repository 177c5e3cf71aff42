#include "app/MasterCheck.h"

#include <algorithm>
#include <string_view>

#include "app/MasterFields.h"
#include "definitions/Definitions.h"
#include "tools/FileTools.h"

namespace qmr::cli {

namespace {

constexpr std::string_view kBannerHead = "QUORAX\r\nVERSION ";
constexpr std::string_view kBannerAfterVersion = "\r\nTREND MASTER\r\n";
constexpr std::string_view kNameLineEnd = "\r\n";
constexpr std::string_view kBannerTail = "\n\r\n\x1a";
constexpr std::size_t kDateWidth = 24;

}  // namespace

std::optional<ByteRange> BannerDateRange(std::span<const unsigned char> master) {
  if (master.size() < kBannerWidth) return std::nullopt;
  const std::string_view whole(reinterpret_cast<const char*>(master.data()), kBannerWidth);
  // The banner text ends at the first NUL: neither the name (cut at its NUL)
  // nor the date can hold one.
  const std::string_view banner = whole.substr(0, std::min(whole.find('\0'), whole.size()));

  if (!banner.starts_with(kBannerHead)) return std::nullopt;
  std::size_t pos = kBannerHead.size();
  if (pos < banner.size() && banner[pos] == '-') ++pos;
  const std::size_t digits = pos;
  while (pos < banner.size() && banner[pos] >= '0' && banner[pos] <= '9') ++pos;
  if (pos == digits) return std::nullopt;
  if (banner.substr(pos, kBannerAfterVersion.size()) != kBannerAfterVersion) return std::nullopt;
  const std::size_t nameStart = pos + kBannerAfterVersion.size();

  const std::size_t fixedEnd = kNameLineEnd.size() + kDateWidth + kBannerTail.size();
  if (banner.size() < nameStart + fixedEnd || !banner.ends_with(kBannerTail)) return std::nullopt;
  const std::size_t dateOffset = banner.size() - kBannerTail.size() - kDateWidth;
  if (banner.substr(dateOffset - kNameLineEnd.size(), kNameLineEnd.size()) != kNameLineEnd) {
    return std::nullopt;
  }
  return ByteRange{dateOffset, kDateWidth};
}

std::string DescribeMasterOffset(std::span<const unsigned char> master, std::size_t offset) {
  const std::string where = " (byte " + std::to_string(offset) + ")";
  if (offset < sizeof(MasterHeader)) {
    const FieldInfo* field = FieldAt(MasterHeaderFields(), offset);
    return std::string("field ") + (field ? field->name : "?") + where;
  }
  const auto version = master.size() >= sizeof(MasterHeader)
                           ? static_cast<std::int16_t>(ReadInteger(master.data() + offsetof(MasterHeader, version), 2))
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

CheckResult CheckTrendMaster(const std::string& firstFilePath, Services& services,
                             const RebuildOptions& options) {
  const TrendMaster composed = ComposeTrendMaster(firstFilePath, services, options);
  CheckResult result;
  if (!FileExists(composed.masterPath)) {
    result.status = CheckStatus::Missing;
  } else {
    result = CompareMasters(composed.bytes, ReadFileBytes(composed.masterPath));
  }
  result.masterPath = composed.masterPath;
  return result;
}

}  // namespace qmr::cli
