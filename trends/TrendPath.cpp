#include "trends/TrendPath.h"

#include <charconv>
#include <utility>

#include "tools/FileTools.h"

namespace qmr {

namespace {

std::size_t NameStart(const std::string& path) {
  const std::size_t cut = path.find_last_of(kFolderSeparators);
  return cut == std::string::npos ? 0 : cut + 1;
}

}  // namespace

TrendPath TrendPath::OfFile(const std::string& path) {
  std::string base = StripExtension(path);
  const std::size_t nameAt = NameStart(base);
  return TrendPath(std::move(base), nameAt);
}

TrendPath TrendPath::Selected(const std::string& folder, const std::string& fileName) {
  std::string base = folder;
  base += kPathSeparator;
  base += StripExtension(fileName);
  const std::size_t nameAt = folder.size() + 1;
  return TrendPath(std::move(base), nameAt);
}

std::string TrendPath::Folder() const { return nameAt_ == 0 ? std::string() : FolderPart(Beside("")); }

std::string TrendPath::FolderToOpen() const {
  std::string folder = Folder();
  return folder.empty() ? "." : folder;
}

std::string TrendPath::DataFile(int number) const {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  std::string path = base_;
  path += '.';
  for (auto width = end - digits; width < 3; ++width) path += '0';
  path.append(digits, end);
  return path;
}

}  // namespace qmr
