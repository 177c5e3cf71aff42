#include "trends/Builders.h"

#include "tools/Errors.h"

namespace qmr {

namespace {

constexpr std::string_view kMakerWord = "QUORAX";

// The maker word as every record stores it: the word, then NUL bytes
// (assign fills the rest of the field), without a string per record.
template <std::size_t N>
void SetMaker(Text<N>& field) {
  static_assert(N >= kMakerWord.size());
  field.assign(kMakerWord);
}

}  // namespace

std::string PadWithNul(const std::string& text, std::size_t length) {
  if (text.size() > length)
    throw Error(ErrorCode::InvalidArgument, ErrorFact::TextTooLong, {.count = text.size(), .limit = length});
  // One allocation of the final length: the builders pad a path to 272
  // bytes for every data file of a trend.
  std::string padded(length, '\0');
  padded.replace(0, text.size(), text);
  return padded;
}

std::string CutAtNul(const std::string& text) {
  const std::size_t nul = text.find('\0');
  return nul == std::string::npos ? text : text.substr(0, nul);
}

void BuildMasterHeader(MasterHeader& header, std::int16_t version, const std::string& trendName, std::int16_t count) {
  // Everything that can fail comes first, so a failed build leaves the
  // record as it was.
  const std::string name = CutAtNul(trendName);
  const std::string text = ComposeBanner(version, name, CurrentLocalTime());
  if (text.size() > kBannerWidth) {
    const std::size_t room = kBannerWidth - (text.size() - name.size());
    throw Error(ErrorCode::InvalidArgument, ErrorFact::TrendNameTooLong,
                {.path = name, .count = name.size(), .limit = room});
  }
  const std::string banner = PadWithNul(text, kBannerWidth);

  header.banner.assign(banner);
  SetMaker(header.maker_text);
  header.master_int_1.set(0);
  header.version.set(version);
  header.master_text_1.assign("");
  header.master_long_1.set(0);
  header.file_count.set(count);
  header.file_count_2.set(count);
  header.master_int_2.set(0);
  header.master_int_3.set(0);
  header.master_text_2.assign("");
}

// The builders fill their entry in the order of its table; the path comes
// first because it is the only field that can fail. Every family starts with
// the path, the maker and the version, and ends with the same run of fields
// after trend_name; only the fields between differ.

namespace {

template <typename Data, typename Entry>
void FillLeadingFields(const Data& data, Entry& entry, const std::string& path) {
  constexpr std::size_t kWidth = sizeof(entry.file_path.raw);
  if (path.size() > kWidth)
    throw Error(ErrorCode::InvalidArgument, ErrorFact::PathTooLongForEntry,
                {.path = path, .count = path.size(), .limit = kWidth, .version = data.version.get()});
  // NUL-padded to the field's width, as PadWithNul would make it, without
  // a string of 272 bytes for each of up to 32767 data files.
  entry.file_path.assign(path);
  SetMaker(entry.maker_text);
  entry.header_int_1.set(0);
  entry.version = data.version;
}

template <typename Data, typename Entry>
void CopyTrailingFields(const Data& data, Entry& entry) {
  entry.trend_name = data.trend_name;
  entry.header_long_3 = data.header_long_3;
  entry.header_int_2 = data.header_int_2;
  entry.header_int_3 = data.header_int_3;
  entry.header_int_4 = data.header_int_4;
  entry.header_long_4 = data.header_long_4;
  entry.header_text_4 = data.header_text_4;
  entry.header_long_5 = data.header_long_5;
  entry.order_key = data.order_key;
  entry.trailer_bytes = data.trailer_bytes;
  entry.tail_text.assign("");
}

}  // namespace

void BuildEntryV1to3(const DataHeaderV1to3& data, MasterEntryV1to3& entry, const std::string& path) {
  FillLeadingFields(data, entry, path);
  entry.header_long_1 = data.header_long_1;
  CopyTrailingFields(data, entry);
}

void BuildEntryV4(const DataHeaderV4& data, MasterEntryV4& entry, const std::string& path) {
  FillLeadingFields(data, entry, path);
  entry.header_text_2.assign("");
  entry.header_long_2 = data.header_long_2;
  entry.header_text_3.assign("");
  CopyTrailingFields(data, entry);
}

void BuildEntryV5(const DataHeaderV5& data, MasterEntryV5& entry, const std::string& path) {
  FillLeadingFields(data, entry, path);
  entry.header_long_1 = data.header_long_1;
  CopyTrailingFields(data, entry);
}

void BuildEntryV6(const DataHeaderV6& data, MasterEntryV6& entry, const std::string& path) {
  FillLeadingFields(data, entry, path);
  entry.header_long_1 = data.header_long_1;
  entry.header_long_2 = data.header_long_2;
  entry.header_text_3.assign("");
  CopyTrailingFields(data, entry);
}

}  // namespace qmr
