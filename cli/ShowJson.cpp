#include "cli/ShowJson.h"

#include <algorithm>
#include <string_view>

#include "definitions/DataFile.h"
#include "definitions/Definitions.h"
#include "definitions/Families.h"
#include "definitions/MasterFields.h"
#include "trends/Banner.h"

namespace qmr::cli {

namespace {

Json Fields(std::span<const FieldInfo> fields, std::span<const unsigned char> record, Family family) {
  Json object;
  for (const FieldInfo& field : fields) {
    const auto bytes = record.subspan(field.offset, field.width);
    switch (field.kind) {
      case FieldKind::Text: PutText(object, field.name, std::string(bytes.begin(), bytes.end())); break;
      case FieldKind::Bytes: object[field.name] = HexBytes(bytes); break;
      case FieldKind::Integer: {
        const std::int64_t value = ReadLittleEndian(bytes.data(), bytes.size());
        object[field.name] = value;
        if (std::string_view(field.name) == "order_key") object["order_key_text"] = OrderKeyText(family, value);
        break;
      }
    }
  }
  return object;
}

Json DescribeMaster(std::span<const unsigned char> bytes, Json& problems) {
  Json master;
  constexpr std::size_t kHeader = sizeof(MasterHeader);
  if (bytes.size() < kHeader) {
    problems.push_back("too short for a master file: " + std::to_string(bytes.size()) + " bytes, its header needs " +
                       std::to_string(kHeader));
    return master;
  }
  const auto header = bytes.first(kHeader);
  const auto version = static_cast<std::int16_t>(ReadLittleEndian(header.data() + offsetof(MasterHeader, version), 2));
  const auto count = ReadLittleEndian(header.data() + offsetof(MasterHeader, file_count), 2);
  const Family family = FamilyOf(version);
  master["header"] = Fields(MasterHeaderFields(), header, family);
  Json lines = Json::array();
  const std::string_view banner(reinterpret_cast<const char*>(header.data()), kBannerWidth);
  for (const std::string_view line : BannerLines(banner)) {
    Json item;
    PutText(item, "line", std::string(line));
    lines.push_back(std::move(item));
  }
  master["banner_lines"] = std::move(lines);
  master["family"] = FamilyName(family);

  const auto rest = bytes.subspan(kHeader);
  const std::size_t entrySize = MasterEntrySize(family);
  Json entries = Json::array();
  if (entrySize == 0) {
    if (!rest.empty())
      problems.push_back("unknown version " + std::to_string(version) + ": " + std::to_string(rest.size()) +
                         " bytes after the header cannot be decoded");
  } else {
    for (std::size_t i = 0; i + 1 <= rest.size() / entrySize; ++i) {
      const auto entry = rest.subspan(i * entrySize, entrySize);
      Json item;
      item["index"] = i;
      item["offset"] = kHeader + i * entrySize;
      item["empty"] = std::all_of(entry.begin(), entry.end(), [](unsigned char b) { return b == 0; });
      if (!item["empty"].get<bool>()) item["fields"] = Fields(MasterEntryFields(family), entry, family);
      entries.push_back(std::move(item));
    }
    if (rest.size() % entrySize != 0)
      problems.push_back(std::to_string(rest.size() % entrySize) +
                         " bytes after the last entry do not make a whole entry");
    if (static_cast<std::int64_t>(rest.size() / entrySize) != count)
      problems.push_back("file_count is " + std::to_string(count) + " but the file holds " +
                         std::to_string(rest.size() / entrySize) + " entries");
  }
  master["entries"] = std::move(entries);
  return master;
}

Json DescribeData(std::span<const unsigned char> bytes, Json& problems) {
  Json data;
  const DataFileHeader decoded = DecodeDataFileHeader(bytes);
  if (!decoded.recognised()) {
    problems.push_back(NotATrendDataFile(decoded.reason()));
    return data;
  }
  data["family"] = FamilyName(decoded.family);
  data["header"] =
      Fields(DataHeaderFields(decoded.family), bytes.first(DataHeaderSize(decoded.family)), decoded.family);
  return data;
}

}  // namespace

Json DescribeFile(const std::string& path, const ShownFile& file, bool& whole) {
  Json problems = Json::array();
  Json described = file.master ? DescribeMaster(file.bytes, problems) : DescribeData(file.bytes, problems);
  Json object;
  object["type"] = file.master ? "master" : "data_file";
  PutText(object, "file", path);
  object["bytes_read"] = file.bytes.size();
  for (auto& [key, value] : described.items()) object[key] = std::move(value);
  whole = problems.empty();
  object["problems"] = std::move(problems);
  return object;
}

}  // namespace qmr::cli
