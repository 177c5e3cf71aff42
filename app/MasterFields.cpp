#include "app/MasterFields.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <type_traits>

#include "tools/Errors.h"
#include "tools/Sort.h"

namespace qmr::cli {

namespace {

// The kind of a field follows from its type in Definitions.h.
template <typename T>
struct KindOf;
template <typename T, std::size_t N>
struct KindOf<LittleEndian<T, N>> {
  static constexpr FieldKind value = FieldKind::Integer;
};
template <std::size_t N>
struct KindOf<Text<N>> {
  static constexpr FieldKind value = FieldKind::Text;
};
template <std::size_t N>
struct KindOf<Bytes<N>> {
  static constexpr FieldKind value = FieldKind::Bytes;
};

#define QMR_FIELD(Record, field)                                                            \
  FieldInfo {                                                                               \
    #field, offsetof(Record, field), sizeof(Record::field),                                 \
        KindOf<std::remove_cv_t<decltype(Record::field)>>::value                             \
  }

// The run of fields that follows trend_name in every family.
#define QMR_TAIL(Record)                                                                     \
  QMR_FIELD(Record, header_long_3), QMR_FIELD(Record, header_int_2),                          \
      QMR_FIELD(Record, header_int_3), QMR_FIELD(Record, header_int_4),                       \
      QMR_FIELD(Record, header_long_4), QMR_FIELD(Record, header_text_4),                     \
      QMR_FIELD(Record, header_long_5), QMR_FIELD(Record, order_key),                         \
      QMR_FIELD(Record, trailer_bytes), QMR_FIELD(Record, tail_text)

#define QMR_DATA_START(Record)                                                               \
  QMR_FIELD(Record, header_text), QMR_FIELD(Record, header_bytes), QMR_FIELD(Record, maker_text), \
      QMR_FIELD(Record, header_int_1), QMR_FIELD(Record, version)

#define QMR_ENTRY_START(Record)                                                              \
  QMR_FIELD(Record, file_path), QMR_FIELD(Record, maker_text), QMR_FIELD(Record, header_int_1), \
      QMR_FIELD(Record, version)

constexpr FieldInfo kMasterHeader[] = {
    QMR_FIELD(MasterHeader, banner),        QMR_FIELD(MasterHeader, maker_text),
    QMR_FIELD(MasterHeader, master_int_1),  QMR_FIELD(MasterHeader, version),
    QMR_FIELD(MasterHeader, master_text_1), QMR_FIELD(MasterHeader, master_long_1),
    QMR_FIELD(MasterHeader, file_count),    QMR_FIELD(MasterHeader, file_count_2),
    QMR_FIELD(MasterHeader, master_int_2),  QMR_FIELD(MasterHeader, master_int_3),
    QMR_FIELD(MasterHeader, master_text_2),
};

constexpr FieldInfo kDataV1to3[] = {
    QMR_DATA_START(DataHeaderV1to3), QMR_FIELD(DataHeaderV1to3, header_long_1),
    QMR_FIELD(DataHeaderV1to3, trend_name), QMR_TAIL(DataHeaderV1to3)};
constexpr FieldInfo kDataV4[] = {
    QMR_DATA_START(DataHeaderV4),          QMR_FIELD(DataHeaderV4, header_text_2),
    QMR_FIELD(DataHeaderV4, header_long_2), QMR_FIELD(DataHeaderV4, header_text_3),
    QMR_FIELD(DataHeaderV4, trend_name),    QMR_TAIL(DataHeaderV4)};
constexpr FieldInfo kDataV5[] = {
    QMR_DATA_START(DataHeaderV5), QMR_FIELD(DataHeaderV5, header_long_1),
    QMR_FIELD(DataHeaderV5, trend_name), QMR_TAIL(DataHeaderV5)};
constexpr FieldInfo kDataV6[] = {
    QMR_DATA_START(DataHeaderV6),          QMR_FIELD(DataHeaderV6, header_long_1),
    QMR_FIELD(DataHeaderV6, header_long_2), QMR_FIELD(DataHeaderV6, header_text_3),
    QMR_FIELD(DataHeaderV6, trend_name),    QMR_TAIL(DataHeaderV6)};

constexpr FieldInfo kEntryV1to3[] = {
    QMR_ENTRY_START(MasterEntryV1to3), QMR_FIELD(MasterEntryV1to3, header_long_1),
    QMR_FIELD(MasterEntryV1to3, trend_name), QMR_TAIL(MasterEntryV1to3)};
constexpr FieldInfo kEntryV4[] = {
    QMR_ENTRY_START(MasterEntryV4),          QMR_FIELD(MasterEntryV4, header_text_2),
    QMR_FIELD(MasterEntryV4, header_long_2), QMR_FIELD(MasterEntryV4, header_text_3),
    QMR_FIELD(MasterEntryV4, trend_name),    QMR_TAIL(MasterEntryV4)};
constexpr FieldInfo kEntryV5[] = {
    QMR_ENTRY_START(MasterEntryV5), QMR_FIELD(MasterEntryV5, header_long_1),
    QMR_FIELD(MasterEntryV5, trend_name), QMR_TAIL(MasterEntryV5)};
constexpr FieldInfo kEntryV6[] = {
    QMR_ENTRY_START(MasterEntryV6),          QMR_FIELD(MasterEntryV6, header_long_1),
    QMR_FIELD(MasterEntryV6, header_long_2), QMR_FIELD(MasterEntryV6, header_text_3),
    QMR_FIELD(MasterEntryV6, trend_name),    QMR_TAIL(MasterEntryV6)};

// Every table must name each byte of its record exactly once, in order.
template <std::size_t N>
constexpr bool CoversWithoutGaps(const FieldInfo (&fields)[N], std::size_t recordSize) {
  std::size_t next = 0;
  for (const FieldInfo& field : fields) {
    if (field.offset != next) return false;
    next += field.width;
  }
  return next == recordSize;
}
static_assert(CoversWithoutGaps(kMasterHeader, sizeof(MasterHeader)));
static_assert(CoversWithoutGaps(kDataV1to3, sizeof(DataHeaderV1to3)));
static_assert(CoversWithoutGaps(kDataV4, sizeof(DataHeaderV4)));
static_assert(CoversWithoutGaps(kDataV5, sizeof(DataHeaderV5)));
static_assert(CoversWithoutGaps(kDataV6, sizeof(DataHeaderV6)));
static_assert(CoversWithoutGaps(kEntryV1to3, sizeof(MasterEntryV1to3)));
static_assert(CoversWithoutGaps(kEntryV4, sizeof(MasterEntryV4)));
static_assert(CoversWithoutGaps(kEntryV5, sizeof(MasterEntryV5)));
static_assert(CoversWithoutGaps(kEntryV6, sizeof(MasterEntryV6)));

#undef QMR_ENTRY_START
#undef QMR_DATA_START
#undef QMR_TAIL
#undef QMR_FIELD

}  // namespace

std::span<const FieldInfo> MasterHeaderFields() noexcept { return kMasterHeader; }

std::span<const FieldInfo> MasterEntryFields(Family family) noexcept {
  switch (family) {
    case Family::V1to3: return kEntryV1to3;
    case Family::V4: return kEntryV4;
    case Family::V5: return kEntryV5;
    case Family::V6: return kEntryV6;
    case Family::None: break;
  }
  return {};
}

std::span<const FieldInfo> DataHeaderFields(Family family) noexcept {
  switch (family) {
    case Family::V1to3: return kDataV1to3;
    case Family::V4: return kDataV4;
    case Family::V5: return kDataV5;
    case Family::V6: return kDataV6;
    case Family::None: break;
  }
  return {};
}

const FieldInfo* FieldAt(std::span<const FieldInfo> fields, std::size_t offset) noexcept {
  for (const FieldInfo& field : fields) {
    if (offset >= field.offset && offset < field.offset + field.width) return &field;
  }
  return nullptr;
}

std::int64_t ReadInteger(const unsigned char* bytes, std::size_t width) noexcept {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < width; ++i) value |= static_cast<std::uint64_t>(bytes[i]) << (8 * i);
  if (width < 8 && (value >> (8 * width - 1)) & 1U) value |= ~std::uint64_t{0} << (8 * width);
  return static_cast<std::int64_t>(value);
}

std::string OrderKeyText(Family family, std::int64_t key) {
  if (family == Family::V4 || family == Family::V6) return CurrencyText(key);
  return std::to_string(key);
}

std::vector<unsigned char> ReadFileBytes(const std::string& path, std::size_t limit) {
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) ThrowFileError(errno != 0 ? errno : ENOENT, path);
  std::vector<unsigned char> bytes;
  unsigned char chunk[65536];
  while (bytes.size() < limit) {
    const std::size_t want = std::min(sizeof chunk, limit - bytes.size());
    const std::size_t got = std::fread(chunk, 1, want, file.get());
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < want) {
      if (std::ferror(file.get())) ThrowFileError(errno != 0 ? errno : EIO, path);
      break;
    }
  }
  return bytes;
}

const char* FamilyName(Family family) noexcept {
  switch (family) {
    case Family::V1to3: return "1-3";
    case Family::V4: return "4";
    case Family::V5: return "5";
    case Family::V6: return "6";
    case Family::None: break;
  }
  return "none";
}

}  // namespace qmr::cli
