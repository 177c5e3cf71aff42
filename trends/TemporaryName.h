// The names of a master replacement's temporary files, on their own so that
// both the writer that makes them and the folder listing that finds them
// again can read them without depending on each other.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmr {

inline constexpr std::string_view kTemporaryPrefix = "~qmr-";
inline constexpr std::string_view kTemporarySuffix = ".tmp";

// The name of a replacement's temporary file: "~qmr-PID-N-NAME.tmp" beside
// NAME.qmr, or "~qmr-PID-N.tmp" when the long form would not fit in a file
// name. `trendName` is empty for the short form.
struct TemporaryName {
  unsigned long processId = 0;
  std::string trendName;
};
std::optional<TemporaryName> ParseTemporaryName(const std::string& fileName);

}  // namespace qmr
