#include "trends/TemporaryName.h"

#include <charconv>
#include <system_error>

namespace qmr {

std::optional<TemporaryName> ParseTemporaryName(const std::string& fileName) {
  std::string_view rest = fileName;
  if (!rest.starts_with(kTemporaryPrefix) || !rest.ends_with(kTemporarySuffix)) return std::nullopt;
  rest.remove_prefix(kTemporaryPrefix.size());
  rest.remove_suffix(kTemporarySuffix.size());
  TemporaryName parsed;
  const auto process = std::from_chars(rest.data(), rest.data() + rest.size(), parsed.processId);
  if (process.ec != std::errc() || process.ptr == rest.data() || process.ptr == rest.data() + rest.size() ||
      *process.ptr != '-')
    return std::nullopt;
  rest.remove_prefix(static_cast<std::size_t>(process.ptr - rest.data()) + 1);
  unsigned long counter = 0;
  const auto count = std::from_chars(rest.data(), rest.data() + rest.size(), counter);
  if (count.ec != std::errc() || count.ptr == rest.data()) return std::nullopt;
  rest.remove_prefix(static_cast<std::size_t>(count.ptr - rest.data()));
  if (!rest.empty()) {
    if (rest.front() != '-' || rest.size() == 1) return std::nullopt;
    parsed.trendName = std::string(rest.substr(1));
  }
  return parsed;
}

}  // namespace qmr
