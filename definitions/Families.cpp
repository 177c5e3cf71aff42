#include "definitions/Families.h"

namespace qmr {

Family FamilyOf(std::int16_t version) noexcept {
  if (version >= 1 && version <= 3) return Family::V1to3;
  if (version == 4) return Family::V4;
  if (version == 5) return Family::V5;
  if (version == 6) return Family::V6;
  return Family::None;
}

std::size_t DataHeaderSize(Family family) noexcept {
  return VisitFamily(family, [](auto traits) -> std::size_t {
    if constexpr (kIsFamily<decltype(traits)>)
      return sizeof(typename decltype(traits)::DataHeader);
    else
      return 0;
  });
}

std::size_t MasterEntrySize(Family family) noexcept {
  return VisitFamily(family, [](auto traits) -> std::size_t {
    if constexpr (kIsFamily<decltype(traits)>)
      return sizeof(typename decltype(traits)::MasterEntry);
    else
      return 0;
  });
}

const char* FamilyName(Family family) noexcept {
  return VisitFamily(family, [](auto traits) { return decltype(traits)::kName; });
}

}  // namespace qmr
