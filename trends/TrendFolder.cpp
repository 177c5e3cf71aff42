#include "trends/TrendFolder.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

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
#ifdef _WIN32
  device_ = ListFolder(folder, [&](const FolderEntry& entry) { Take(entry); });
#else
  const FolderHandle open(folder);
  identity_ = open.identity();
  device_ = identity_.device;
  owner_ = open.owner();
  ListFolder(open, [&](const FolderEntry& entry) { Take(entry); });
#endif
  Index();
}

#ifndef _WIN32
TrendFolder::TrendFolder(std::shared_ptr<const FolderHandle> folder)
    : folder_(folder->path()),
      open_(std::move(folder)),
      device_(open_->identity().device),
      identity_(open_->identity()),
      owner_(open_->owner()) {
  ListFolder(*open_, [&](const FolderEntry& entry) { Take(entry); });
  Index();
}
#endif

void TrendFolder::Take(const FolderEntry& entry) {
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
  if (dot == std::string::npos) return;
  const std::string_view extension = std::string_view(entry.name).substr(dot + 1);
  if (extension == "qmr") {
    if (dot > 0) masters_.push_back(entry.name.substr(0, dot));
    return;
  }
  long number = 0;
  if (!NumberOf(extension, number)) return;
  // The files of one trend mostly come one after the other.
  if (lastNumbers_ == nullptr || std::string_view(entry.name).substr(0, dot) != trendName_) {
    trendName_.assign(entry.name, 0, dot);
    lastNumbers_ = &numbers_[trendName_];
  }
  lastNumbers_->push_back(number);
  if (number == 0 && dot > 0) firstFiles_.push_back(entry.name);
}

void TrendFolder::Index() {
  for (auto& [name, numbers] : numbers_) {
    std::sort(numbers.begin(), numbers.end());
    if (!name.empty() && numbers.front() != 0) withoutFirstFile_.push_back(name);
  }
  for (const std::string& name : masters_)
    if (NumbersOf(name).empty()) withoutFirstFile_.push_back(name);
  std::sort(withoutFirstFile_.begin(), withoutFirstFile_.end());
  std::sort(firstFiles_.begin(), firstFiles_.end());
  std::sort(subfolders_.begin(), subfolders_.end());
  std::sort(unnamables_.begin(), unnamables_.end(),
            [](const Unnamable& a, const Unnamable& b) { return a.shown < b.shown; });
  std::sort(temporaries_.begin(), temporaries_.end(),
            [](const Temporary& a, const Temporary& b) { return a.fileName < b.fileName; });
  lastNumbers_ = nullptr;
  trendName_.clear();
  masters_.clear();
  masters_.shrink_to_fit();
}

const std::vector<long>& TrendFolder::NumbersOf(const std::string& trendName) const {
  static const std::vector<long> kNone;
  const auto found = numbers_.find(trendName);
  return found == numbers_.end() ? kNone : found->second;
}

std::size_t TrendFolder::RunFromZero(const std::string& trendName) const {
  const std::vector<long>& numbers = NumbersOf(trendName);
  std::size_t count = 0;
  while (count < numbers.size() && numbers[count] == static_cast<long>(count)) ++count;
  return count;
}

}  // namespace qmr
