#include "tools/PathParts.h"

#include <string_view>

namespace qmr {

std::string StripExtension(const std::string& path) {
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos) return path;
#ifdef _WIN32
  const std::size_t separator = path.rfind('\\');
#else
  const std::size_t separator = path.find_last_of("\\/");
#endif
  if (separator != std::string::npos && separator > dot) return path;
  return path.substr(0, dot);
}

std::string FolderPart(const std::string& path) {
#ifdef _WIN32
  const std::size_t cut = path.find_last_of(kFolderSeparators);
  if (cut == std::string::npos) return {};
  // "C:" and "C:\" (and a bare "\") name a drive's folder as they stand.
  if (path[cut] == ':' || cut == 0 || path[cut - 1] == ':') return path.substr(0, cut + 1);
#else
  const std::size_t cut = path.find_last_of(kFolderSeparators);
  if (cut == std::string::npos) return {};
  if (cut == 0) return path.substr(0, 1);  // the root folder itself
#endif
  return path.substr(0, cut);
}

std::string FileNameOf(const std::string& path) {
  const std::size_t cut = path.find_last_of(kFolderSeparators);
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FolderPrefix(const std::string& path) {
  const std::size_t cut = path.find_last_of(kFolderSeparators);
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

bool EndsInSeparator(const std::string& path) {
  return !path.empty() && std::string_view(kFolderSeparators).find(path.back()) != std::string_view::npos &&
         path.back() != ':';
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  std::string joined;
  joined.reserve(folder.size() + 1 + name.size());
  joined += folder;
  if (!EndsInSeparator(folder)) joined += kPathSeparator;
  joined += name;
  return joined;
}

}  // namespace qmr
