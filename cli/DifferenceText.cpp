#include "cli/DifferenceText.h"

#include <span>
#include <string>
#include <string_view>

#include "cli/MasterShow.h"
#include "definitions/Definitions.h"

namespace qmr::cli {

namespace {

std::string FieldValue(const FieldInfo& field, std::span<const unsigned char> bytes, Family family) {
  switch (field.kind) {
    case FieldKind::Text: return EscapeText({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    case FieldKind::Bytes: return HexBytes(bytes);
    case FieldKind::Integer: {
      const std::int64_t value = ReadLittleEndian(bytes.data(), bytes.size());
      std::string text = std::to_string(value);
      if (std::string_view(field.name) == "order_key") text += " (text \"" + OrderKeyText(family, value) + "\")";
      return text;
    }
  }
  return {};
}

}  // namespace

Difference DescribeDifference(const FieldDifference& difference) {
  const FieldInfo& field = *difference.field;
  std::string where = difference.entry ? "entry " + std::to_string(*difference.entry) + " " : std::string();
  where += "field ";
  where += field.name;
  return {where, difference.offset, FieldValue(field, difference.expected, difference.family),
          FieldValue(field, difference.actual, difference.family)};
}

}  // namespace qmr::cli
