#include "trends/TrendFolder.h"

#include <algorithm>
#include <charconv>
#include <memory>
#include <optional>
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

// Takes a folder's entries as they are listed, then sorts and indexes them.
class TrendFolder::Indexing {
 public:
  void Take(const FolderEntry& entry);
  std::shared_ptr<const Lists> Index() &&;

 private:
  Lists lists_;
  std::string trendName_;
  std::vector<long>* lastNumbers_ = nullptr;  // those of trendName_, the name seen last
  std::vector<std::string> masters_;          // names of the NAME.qmr files
};

TrendFolder::TrendFolder(const std::string& folder) : folder_(folder) {
#ifdef _WIN32
  Indexing indexing;
  device_ = ListFolder(folder, [&](const FolderEntry& entry) { indexing.Take(entry); });
  lists_ = std::move(indexing).Index();
#else
  List(FolderHandle(folder));
#endif
}

#ifndef _WIN32
TrendFolder::TrendFolder(std::shared_ptr<const FolderHandle> folder) : folder_(folder->path()) {
  List(*folder);
  open_ = std::move(folder);
}

TrendFolder::TrendFolder(const std::string& name, const FolderHandle& folder) : folder_(name) { List(folder); }

void TrendFolder::List(const FolderHandle& folder) {
  identity_ = folder.identity();
  device_ = identity_.device;
  owner_ = folder.owner();
  Indexing indexing;
  ListFolder(folder, [&](const FolderEntry& entry) { indexing.Take(entry); });
  lists_ = std::move(indexing).Index();
}

TrendFolder TrendFolder::HeldOpen(std::shared_ptr<const FolderHandle> folder) const {
  folder->ExpectIdentity(identity_);
  TrendFolder held(*this);
  held.open_ = std::move(folder);
  return held;
}
#endif

void TrendFolder::Indexing::Take(const FolderEntry& entry) {
  if (!entry.noAnsiForm.empty()) {
    const bool isFolder = entry.kind == FolderEntry::Kind::Folder;
    if (isFolder || (entry.kind == FolderEntry::Kind::OrdinaryFile && entry.name.ends_with(".000")))
      lists_.unnamables.push_back({entry.name, entry.noAnsiForm, isFolder});
    return;
  }
  if (entry.kind == FolderEntry::Kind::Folder) {
    lists_.subfolders.push_back(entry.name);
    return;
  }
  if (entry.kind != FolderEntry::Kind::OrdinaryFile) return;
  if (const std::optional<TemporaryName> name = ParseTemporaryName(entry.name)) {
    lists_.temporaries.push_back({entry.name, *name});
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
    lastNumbers_ = &lists_.numbers[trendName_];
  }
  lastNumbers_->push_back(number);
  if (number == 0 && dot > 0) lists_.firstFiles.push_back(entry.name);
}

std::shared_ptr<const TrendFolder::Lists> TrendFolder::Indexing::Index() && {
  for (auto& [name, numbers] : lists_.numbers) {
    std::sort(numbers.begin(), numbers.end());
    if (!name.empty() && numbers.front() != 0) lists_.withoutFirstFile.push_back(name);
  }
  for (const std::string& name : masters_)
    if (lists_.numbers.find(name) == lists_.numbers.end()) lists_.withoutFirstFile.push_back(name);
  std::sort(lists_.withoutFirstFile.begin(), lists_.withoutFirstFile.end());
  std::sort(lists_.firstFiles.begin(), lists_.firstFiles.end());
  std::sort(lists_.subfolders.begin(), lists_.subfolders.end());
  std::sort(lists_.unnamables.begin(), lists_.unnamables.end(),
            [](const Unnamable& a, const Unnamable& b) { return a.shown < b.shown; });
  std::sort(lists_.temporaries.begin(), lists_.temporaries.end(),
            [](const Temporary& a, const Temporary& b) { return a.fileName < b.fileName; });
  return std::make_shared<const Lists>(std::move(lists_));
}

const std::vector<long>& TrendFolder::NumbersOf(const std::string& trendName) const {
  static const std::vector<long> kNone;
  const auto found = lists_->numbers.find(trendName);
  return found == lists_->numbers.end() ? kNone : found->second;
}

std::size_t TrendFolder::RunFromZero(const std::string& trendName) const {
  const std::vector<long>& numbers = NumbersOf(trendName);
  std::size_t count = 0;
  while (count < numbers.size() && numbers[count] == static_cast<long>(count)) ++count;
  return count;
}

}  // namespace qmr
