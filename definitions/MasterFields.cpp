#include "definitions/MasterFields.h"

#include <type_traits>

#include "tools/Sort.h"

namespace qmr {

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

#define QMR_FIELD(Record, field)                                      \
  FieldInfo {                                                         \
#field, offsetof(Record, field), sizeof(Record::field),           \
        KindOf < std::remove_cv_t < decltype(Record::field)>> ::value \
  }

// The run of fields that follows trend_name in every family.
#define QMR_TAIL(Record)                                                                                   \
  QMR_FIELD(Record, header_long_3), QMR_FIELD(Record, header_int_2), QMR_FIELD(Record, header_int_3),      \
      QMR_FIELD(Record, header_int_4), QMR_FIELD(Record, header_long_4), QMR_FIELD(Record, header_text_4), \
      QMR_FIELD(Record, header_long_5), QMR_FIELD(Record, order_key), QMR_FIELD(Record, trailer_bytes),    \
      QMR_FIELD(Record, tail_text)

#define QMR_DATA_START(Record)                                                                    \
  QMR_FIELD(Record, header_text), QMR_FIELD(Record, header_bytes), QMR_FIELD(Record, maker_text), \
      QMR_FIELD(Record, header_int_1), QMR_FIELD(Record, version)

#define QMR_ENTRY_START(Record)                                                                 \
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

// The fields of each family's records, keyed by the record type.
template <typename Record>
struct FieldsOf;

template <>
struct FieldsOf<DataHeaderV1to3> {
  static constexpr FieldInfo kList[] = {QMR_DATA_START(DataHeaderV1to3), QMR_FIELD(DataHeaderV1to3, header_long_1),
                                        QMR_FIELD(DataHeaderV1to3, trend_name), QMR_TAIL(DataHeaderV1to3)};
};
template <>
struct FieldsOf<DataHeaderV4> {
  static constexpr FieldInfo kList[] = {QMR_DATA_START(DataHeaderV4),           QMR_FIELD(DataHeaderV4, header_text_2),
                                        QMR_FIELD(DataHeaderV4, header_long_2), QMR_FIELD(DataHeaderV4, header_text_3),
                                        QMR_FIELD(DataHeaderV4, trend_name),    QMR_TAIL(DataHeaderV4)};
};
template <>
struct FieldsOf<DataHeaderV5> {
  static constexpr FieldInfo kList[] = {QMR_DATA_START(DataHeaderV5), QMR_FIELD(DataHeaderV5, header_long_1),
                                        QMR_FIELD(DataHeaderV5, trend_name), QMR_TAIL(DataHeaderV5)};
};
template <>
struct FieldsOf<DataHeaderV6> {
  static constexpr FieldInfo kList[] = {QMR_DATA_START(DataHeaderV6),           QMR_FIELD(DataHeaderV6, header_long_1),
                                        QMR_FIELD(DataHeaderV6, header_long_2), QMR_FIELD(DataHeaderV6, header_text_3),
                                        QMR_FIELD(DataHeaderV6, trend_name),    QMR_TAIL(DataHeaderV6)};
};

template <>
struct FieldsOf<MasterEntryV1to3> {
  static constexpr FieldInfo kList[] = {QMR_ENTRY_START(MasterEntryV1to3), QMR_FIELD(MasterEntryV1to3, header_long_1),
                                        QMR_FIELD(MasterEntryV1to3, trend_name), QMR_TAIL(MasterEntryV1to3)};
};
template <>
struct FieldsOf<MasterEntryV4> {
  static constexpr FieldInfo kList[] = {
      QMR_ENTRY_START(MasterEntryV4),          QMR_FIELD(MasterEntryV4, header_text_2),
      QMR_FIELD(MasterEntryV4, header_long_2), QMR_FIELD(MasterEntryV4, header_text_3),
      QMR_FIELD(MasterEntryV4, trend_name),    QMR_TAIL(MasterEntryV4)};
};
template <>
struct FieldsOf<MasterEntryV5> {
  static constexpr FieldInfo kList[] = {QMR_ENTRY_START(MasterEntryV5), QMR_FIELD(MasterEntryV5, header_long_1),
                                        QMR_FIELD(MasterEntryV5, trend_name), QMR_TAIL(MasterEntryV5)};
};
template <>
struct FieldsOf<MasterEntryV6> {
  static constexpr FieldInfo kList[] = {
      QMR_ENTRY_START(MasterEntryV6),          QMR_FIELD(MasterEntryV6, header_long_1),
      QMR_FIELD(MasterEntryV6, header_long_2), QMR_FIELD(MasterEntryV6, header_text_3),
      QMR_FIELD(MasterEntryV6, trend_name),    QMR_TAIL(MasterEntryV6)};
};

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
template <typename Record>
constexpr bool kCovered = CoversWithoutGaps(FieldsOf<Record>::kList, sizeof(Record));

static_assert(CoversWithoutGaps(kMasterHeader, sizeof(MasterHeader)));
static_assert(kCovered<DataHeaderV1to3> && kCovered<DataHeaderV4> && kCovered<DataHeaderV5> && kCovered<DataHeaderV6>);
static_assert(kCovered<MasterEntryV1to3> && kCovered<MasterEntryV4> && kCovered<MasterEntryV5> &&
              kCovered<MasterEntryV6>);

#undef QMR_ENTRY_START
#undef QMR_DATA_START
#undef QMR_TAIL
#undef QMR_FIELD

}  // namespace

std::span<const FieldInfo> MasterHeaderFields() noexcept { return kMasterHeader; }

std::span<const FieldInfo> MasterEntryFields(Family family) noexcept {
  return VisitFamily(family, [](auto traits) -> std::span<const FieldInfo> {
    if constexpr (kIsFamily<decltype(traits)>)
      return FieldsOf<typename decltype(traits)::MasterEntry>::kList;
    else
      return {};
  });
}

std::span<const FieldInfo> DataHeaderFields(Family family) noexcept {
  return VisitFamily(family, [](auto traits) -> std::span<const FieldInfo> {
    if constexpr (kIsFamily<decltype(traits)>)
      return FieldsOf<typename decltype(traits)::DataHeader>::kList;
    else
      return {};
  });
}

const FieldInfo* FieldAt(std::span<const FieldInfo> fields, std::size_t offset) noexcept {
  for (const FieldInfo& field : fields) {
    if (offset >= field.offset && offset < field.offset + field.width) return &field;
  }
  return nullptr;
}

std::string OrderKeyText(Family family, std::int64_t key) {
  const bool currency = VisitFamily(family, [](auto traits) {
    if constexpr (kIsFamily<decltype(traits)>)
      return decltype(traits)::kKey == KeyKind::Currency;
    else
      return false;
  });
  return currency ? CurrencyText(key) : std::to_string(key);
}

}  // namespace qmr
