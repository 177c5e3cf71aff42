#include "trends/Banner.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "definitions/Definitions.h"
#include "tools/Errors.h"

namespace qmr {

namespace {

constexpr std::string_view kHead = "QUORAX\r\nVERSION ";
constexpr std::string_view kAfterVersion = "\r\nTREND MASTER\r\n";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kTail = "\n\r\n\x1a";
constexpr std::size_t kDateWidth = 24;

LocalTimeSource& TimeSource() {
  static LocalTimeSource source;
  return source;
}

std::tm SystemLocalTime() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  const bool ok = localtime_s(&local, &now) == 0;
#else
  const bool ok = localtime_r(&now, &local) != nullptr;
#endif
  if (!ok) throw Error(ErrorCode::InvalidArgument, ErrorFact::NoLocalTime);
  return local;
}

// The text up to the first NUL: neither the name (cut at its NUL) nor the
// date can hold one.
std::string_view TextOf(std::string_view banner) {
  return banner.substr(0, std::min(banner.find('\0'), banner.size()));
}

}  // namespace

std::string FormatBannerTime(const std::tm& time) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (time.tm_wday < 0 || time.tm_wday > 6 || time.tm_mon < 0 || time.tm_mon > 11)
    throw Error(ErrorCode::InvalidArgument, ErrorFact::NoValidDate);
  char text[96];
  std::snprintf(text, sizeof(text), "%s %s %02d %02d:%02d:%02d %04d", kDays[time.tm_wday], kMonths[time.tm_mon],
                time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec, time.tm_year + 1900);
  return text;
}

std::string ComposeBanner(std::int16_t version, const std::string& trendName, const std::tm& time) {
  std::string banner;
  banner.reserve(kBannerWidth);
  banner += kHead;
  banner += std::to_string(version);
  banner += kAfterVersion;
  banner += trendName.substr(0, trendName.find('\0'));
  banner += kLineEnd;
  banner += FormatBannerTime(time);
  banner += kTail;
  return banner;
}

LocalTimeSource SetLocalTimeSource(LocalTimeSource source) { return std::exchange(TimeSource(), std::move(source)); }

std::tm CurrentLocalTime() {
  const LocalTimeSource& source = TimeSource();
  return source ? source() : SystemLocalTime();
}

std::optional<ByteRange> BannerDateRange(std::span<const unsigned char> master) {
  if (master.size() < kBannerWidth) return std::nullopt;
  const std::string_view banner = TextOf({reinterpret_cast<const char*>(master.data()), kBannerWidth});

  if (!banner.starts_with(kHead)) return std::nullopt;
  std::size_t pos = kHead.size();
  if (pos < banner.size() && banner[pos] == '-') ++pos;
  const std::size_t digits = pos;
  while (pos < banner.size() && banner[pos] >= '0' && banner[pos] <= '9') ++pos;
  if (pos == digits) return std::nullopt;
  if (banner.substr(pos, kAfterVersion.size()) != kAfterVersion) return std::nullopt;
  const std::size_t nameStart = pos + kAfterVersion.size();

  const std::size_t fixedEnd = kLineEnd.size() + kDateWidth + kTail.size();
  if (banner.size() < nameStart + fixedEnd || !banner.ends_with(kTail)) return std::nullopt;
  const std::size_t dateOffset = banner.size() - kTail.size() - kDateWidth;
  if (banner.substr(dateOffset - kLineEnd.size(), kLineEnd.size()) != kLineEnd) return std::nullopt;
  return ByteRange{dateOffset, kDateWidth};
}

std::vector<std::string_view> BannerLines(std::string_view banner) {
  std::string_view text = TextOf(banner);
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    if (lf != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
    lines.push_back(line);
    if (lf == std::string_view::npos) break;
    text.remove_prefix(lf + 1);
  }
  return lines;
}

}  // namespace qmr
