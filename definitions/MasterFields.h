// The named fields of every record the tool decodes, as (name, offset,
// width, kind) rows taken from the record layouts themselves. `qmr show`
// prints records through these tables and `qmr check` names the field of a
// difference through them, so both always agree with definitions/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "definitions/Definitions.h"
#include "definitions/Families.h"

namespace qmr {

enum class FieldKind {
  Text,     // fixed text field, NUL padded
  Bytes,    // carried, never interpreted
  Integer,  // signed little-endian integer of the field's width
};

struct FieldInfo {
  const char* name;
  std::size_t offset;
  std::size_t width;
  FieldKind kind;
};

// The fields of a record, in offset order, covering it without gaps.
std::span<const FieldInfo> MasterHeaderFields() noexcept;
// Empty for Family::None.
std::span<const FieldInfo> MasterEntryFields(Family family) noexcept;
std::span<const FieldInfo> DataHeaderFields(Family family) noexcept;

// The field that holds the byte at `offset` of a record, or nullptr when the
// offset is past the record.
const FieldInfo* FieldAt(std::span<const FieldInfo> fields, std::size_t offset) noexcept;

// The text form the rebuild sorts an order_key by: a currency value
// (ten-thousandths) in families 4 and 6, the plain decimal integer otherwise.
std::string OrderKeyText(Family family, std::int64_t key);

}  // namespace qmr
