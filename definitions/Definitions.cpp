#include "definitions/Definitions.h"

namespace qmr {

Family FamilyOf(std::int16_t version) noexcept {
  switch (version) {
    case 1:
    case 2:
    case 3: return Family::V1to3;
    case 4: return Family::V4;
    case 5: return Family::V5;
    case 6: return Family::V6;
    default: return Family::None;
  }
}

std::size_t DataHeaderSize(Family family) noexcept {
  switch (family) {
    case Family::V1to3: return sizeof(DataHeaderV1to3);
    case Family::V4: return sizeof(DataHeaderV4);
    case Family::V5: return sizeof(DataHeaderV5);
    case Family::V6: return sizeof(DataHeaderV6);
    case Family::None: break;
  }
  return 0;
}

std::size_t MasterEntrySize(Family family) noexcept {
  switch (family) {
    case Family::V1to3: return sizeof(MasterEntryV1to3);
    case Family::V4: return sizeof(MasterEntryV4);
    case Family::V5: return sizeof(MasterEntryV5);
    case Family::V6: return sizeof(MasterEntryV6);
    case Family::None: break;
  }
  return 0;
}

}  // namespace qmr
