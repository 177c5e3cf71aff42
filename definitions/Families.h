// The four version families of the trend files. The version word of a data
// file chooses one; each family has its own data header, its own master
// entry and its own kind of order key. Everything that depends on the family
// is written once over these traits and reaches the family of a version
// through VisitFamily, the one place where a family is chosen.
#pragma once

#include <cstddef>
#include <cstdint>

#include "definitions/Definitions.h"

namespace qmr {

enum class Family { None, V1to3, V4, V5, V6 };

// How a family's order_key is read: a 32-bit integer, or a 64-bit integer
// counting ten-thousandths (a currency value).
enum class KeyKind { Int32, Currency };

template <Family F>
struct FamilyTraits;

template <>
struct FamilyTraits<Family::V1to3> {
  static constexpr Family kFamily = Family::V1to3;
  static constexpr const char* kName = "1-3";
  static constexpr KeyKind kKey = KeyKind::Int32;
  using DataHeader = DataHeaderV1to3;
  using MasterEntry = MasterEntryV1to3;
};

template <>
struct FamilyTraits<Family::V4> {
  static constexpr Family kFamily = Family::V4;
  static constexpr const char* kName = "4";
  static constexpr KeyKind kKey = KeyKind::Currency;
  using DataHeader = DataHeaderV4;
  using MasterEntry = MasterEntryV4;
};

template <>
struct FamilyTraits<Family::V5> {
  static constexpr Family kFamily = Family::V5;
  static constexpr const char* kName = "5";
  static constexpr KeyKind kKey = KeyKind::Int32;
  using DataHeader = DataHeaderV5;
  using MasterEntry = MasterEntryV5;
};

template <>
struct FamilyTraits<Family::V6> {
  static constexpr Family kFamily = Family::V6;
  static constexpr const char* kName = "6";
  static constexpr KeyKind kKey = KeyKind::Currency;
  using DataHeader = DataHeaderV6;
  using MasterEntry = MasterEntryV6;
};

// What VisitFamily passes for Family::None: a version that is no trend.
struct NoFamily {
  static constexpr Family kFamily = Family::None;
  static constexpr const char* kName = "none";
};

template <typename Traits>
inline constexpr bool kIsFamily = Traits::kFamily != Family::None;

// The family a version word chooses; Family::None for every other value.
Family FamilyOf(std::int16_t version) noexcept;

// Calls `visit` with the traits of `family` (FamilyTraits<F>{}, or NoFamily{}
// for Family::None) and returns what it returns; every call must return the
// same type.
template <typename Visitor>
decltype(auto) VisitFamily(Family family, Visitor&& visit) {
  switch (family) {
    case Family::V1to3: return visit(FamilyTraits<Family::V1to3>{});
    case Family::V4: return visit(FamilyTraits<Family::V4>{});
    case Family::V5: return visit(FamilyTraits<Family::V5>{});
    case Family::V6: return visit(FamilyTraits<Family::V6>{});
    case Family::None: break;
  }
  return visit(NoFamily{});
}

// Calls `visit` once with the traits of each family, in family order.
template <typename Visitor>
void ForEachFamily(Visitor&& visit) {
  visit(FamilyTraits<Family::V1to3>{});
  visit(FamilyTraits<Family::V4>{});
  visit(FamilyTraits<Family::V5>{});
  visit(FamilyTraits<Family::V6>{});
}

// Size of the data header, or of the master entry, of a family (0 for None).
std::size_t DataHeaderSize(Family family) noexcept;
std::size_t MasterEntrySize(Family family) noexcept;
// Short name of a family for people: "1-3", "4", "5", "6" ("none").
const char* FamilyName(Family family) noexcept;

}  // namespace qmr
