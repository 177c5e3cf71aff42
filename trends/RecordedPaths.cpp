#include "trends/RecordedPaths.h"

#include <vector>

#include "tools/Errors.h"

namespace qmr {

namespace {

// The widest file_path of any entry, and the shortest data file name.
constexpr std::size_t kWidestPath = 272;
constexpr std::size_t kShortestName = 5;  // "T.000"

#ifndef _WIN32
// The code points of `text`, or nothing when it is not UTF-8.
bool DecodeUtf8(const std::string& text, std::vector<unsigned long>& points) {
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80           ? 1
                               : (lead >> 5) == 0x6  ? 2
                               : (lead >> 4) == 0xE  ? 3
                               : (lead >> 3) == 0x1E ? 4
                                                     : 0;
    if (length == 0 || i + length > text.size()) return false;
    unsigned long point = length == 1 ? lead : lead & (0x7FU >> length);
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      point = (point << 6) | (next & 0x3F);
    }
    // Overlong forms name nothing.
    static constexpr unsigned long kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < kLeast[length]) return false;
    points.push_back(point);
    i += length;
  }
  return true;
}
#endif

}  // namespace

std::string WithoutDevicePrefix(const std::string& path) {
  if (!HasDevicePrefix(path)) return path;
  const std::string rest = path.substr(4);
  const bool unc = rest.size() >= 4 && (rest[0] == 'U' || rest[0] == 'u') && (rest[1] == 'N' || rest[1] == 'n') &&
                   (rest[2] == 'C' || rest[2] == 'c') && rest[3] == '\\';
  return unc ? "\\\\" + rest.substr(4) : rest;
}

std::string SingleByteText(const std::string& text) {
#ifdef _WIN32
  return text;
#else
  std::vector<unsigned long> points;
  if (!DecodeUtf8(text, points)) return text;
  std::string bytes;
  for (const unsigned long point : points) {
    if (point > 0xFF) throw Error(ErrorCode::BadFileName, ErrorFact::NotOneByteText, {.path = text, .count = point});
    bytes.push_back(static_cast<char>(point));
  }
  return bytes;
#endif
}

RecordedPaths::RecordedPaths(const std::string& folder) : folder_(WithoutDevicePrefix(SingleByteText(folder))) {
  for (char& c : folder_)
    if (c == '/') c = '\\';
  // A root keeps its separator ("D:\"); any other folder gets one between it and the name.
  if (!folder_.empty() && folder_.back() != '\\') folder_ += '\\';
  if (folder_.size() + kShortestName > kWidestPath)
    throw Error(ErrorCode::BadFileName, ErrorFact::RecordedFolderTooLong,
                {.path = folder, .count = folder.size(), .limit = kWidestPath - kShortestName - 1});
  if (folder_.find('\0') != std::string::npos)
    throw Error(ErrorCode::BadFileName, ErrorFact::NulInRecordedFolder, {.path = folder});
}

std::string RecordedPaths::PathOf(const std::string& fileName) const { return folder_ + SingleByteText(fileName); }

}  // namespace qmr
