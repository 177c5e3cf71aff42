// The text banner that opens every master file, composed and read back in
// one place: "QUORAX", CR LF, "VERSION n", CR LF, "TREND MASTER", CR LF, the
// trend name, CR LF, the date and time of writing, LF, CR LF, character 26,
// then NUL bytes up to 128 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmr {

// "ddd mmm dd Hh:Nn:Ss yyyy" with fixed three-letter English names, for
// example "Tue Mar 06 09:05:03 2007", so that a master does not depend on the
// user's language settings.
std::string FormatBannerTime(const std::tm& time);

// The banner text of a master (without its NUL padding); the name is cut at
// its first NUL.
std::string ComposeBanner(std::int16_t version, const std::string& trendName, const std::tm& time);

// The local date and time the banner shows. Tests replace the source to fix
// the clock; an empty function restores the system clock. Returns the
// previous source.
using LocalTimeSource = std::function<std::tm()>;
LocalTimeSource SetLocalTimeSource(LocalTimeSource source);
std::tm CurrentLocalTime();

struct ByteRange {
  std::size_t offset = 0;
  std::size_t length = 0;
};

// Where the date and time of writing stand in the banner that opens `master`,
// located from the banner's structure; counting back from the end of the text
// keeps a name that itself holds line breaks from misplacing it. nullopt when
// the bytes do not have that structure.
std::optional<ByteRange> BannerDateRange(std::span<const unsigned char> master);

// The banner's text (up to its first NUL) split into lines at LF, a CR before
// the LF going with the line break.
std::vector<std::string_view> BannerLines(std::string_view banner);

}  // namespace qmr
