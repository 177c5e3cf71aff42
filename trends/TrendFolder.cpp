#include "trends/TrendFolder.h"

#include <algorithm>
#include <charconv>
#include <string_view>

#include "tools/FolderListing.h"

namespace qmr {

namespace {

// The number of a data file name's extension as the runtime writes it: at
// least three digits, no leading zero beyond those three.
bool NumberOf(std::string_view extension, long& number) {
  if (extension.size() < 3 || (extension.size() > 3 && extension[0] == '0')) return false;
  const char* end = extension.data() + extension.size();
  const auto [stop, error] = std::from_chars(extension.data(), end, number);
  return error == std::errc() && stop == end;
}

}  // namespace

TrendFolder::TrendFolder(const std::string& folder) : folder_(folder) {
  std::string trendName;
  std::vector<long>* numbers = nullptr;  // those of trendName, the name seen last
  device_ = ListFolder(folder, [&](const FolderEntry& entry) {
    if (!entry.noAnsiForm.empty()) {
      const bool isFolder = entry.kind == FolderEntry::Kind::Folder;
      if (isFolder || (entry.kind == FolderEntry::Kind::OrdinaryFile && entry.name.ends_with(".000")))
        unnamables_.push_back({entry.name, entry.noAnsiForm, isFolder});
      return;
    }
    if (entry.kind == FolderEntry::Kind::Folder) {
      subfolders_.push_back(entry.name);
      return;
    }
    if (entry.kind != FolderEntry::Kind::OrdinaryFile) return;
    if (const std::optional<TemporaryName> name = ParseTemporaryName(entry.name)) {
      temporaries_.push_back({entry.name, *name});
      return;
    }
    const std::size_t dot = entry.name.rfind('.');
    long number = 0;
    if (dot == std::string::npos || !NumberOf(std::string_view(entry.name).substr(dot + 1), number)) return;
    // The files of one trend mostly come one after the other.
    if (numbers == nullptr || std::string_view(entry.name).substr(0, dot) != trendName) {
      trendName.assign(entry.name, 0, dot);
      numbers = &numbers_[trendName];
    }
    numbers->push_back(number);
    if (number == 0 && dot > 0) firstFiles_.push_back(entry.name);
  });
  for (auto& [name, numbers] : numbers_) std::sort(numbers.begin(), numbers.end());
  std::sort(firstFiles_.begin(), firstFiles_.end());
  std::sort(subfolders_.begin(), subfolders_.end());
  std::sort(unnamables_.begin(), unnamables_.end(),
            [](const Unnamable& a, const Unnamable& b) { return a.shown < b.shown; });
  std::sort(temporaries_.begin(), temporaries_.end(),
            [](const Temporary& a, const Temporary& b) { return a.fileName < b.fileName; });
}

const std::vector<long>& TrendFolder::NumbersOf(const std::string& trendName) const {
  static const std::vector<long> kNone;
  const auto found = numbers_.find(trendName);
  return found == numbers_.end() ? kNone : found->second;
}

}  // namespace qmr
