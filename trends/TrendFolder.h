// What a folder holds for the trends in it, read once and indexed, so that
// asking about each of its trends costs no more than a look-up: the numbered
// data files of every trend name, the first data files (NAME.000), the
// subfolders, and the temporary files that master replacements left. Copies
// share what was listed: a copy per trend costs no listing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "tools/FolderHandle.h"
#include "tools/FolderListing.h"
#include "trends/TemporaryName.h"

namespace qmr {

class TrendFolder {
 public:
  // Lists `folder`. Throws qmr::Error naming the folder when it cannot be read.
  explicit TrendFolder(const std::string& folder);
#ifndef _WIN32
  // Lists a folder already open (the walk opens each below its parent) and
  // keeps it open for the reads of its trends, which then open no folder of
  // their own.
  explicit TrendFolder(std::shared_ptr<const FolderHandle> folder);
  // Lists `folder`, already open, as `name`, without keeping it open: the
  // listing outlives the trend that opened it.
  TrendFolder(const std::string& name, const FolderHandle& folder);
  // The folder kept open, or nullptr.
  const FolderHandle* Open() const noexcept { return open_.get(); }
  // This listing, with `folder` kept open instead: the same folder opened
  // again for one trend, whose reads and write then all go through it.
  // Refuses (error 75) a folder that is not the one listed.
  TrendFolder HeldOpen(std::shared_ptr<const FolderHandle> folder) const;
#endif

  const std::string& folder() const noexcept { return folder_; }
  std::uint64_t device() const noexcept { return device_; }
  // The folder listed, and its owner: whoever may write its trends (not
  // known on Windows).
  FolderIdentity identity() const noexcept { return identity_; }
  unsigned owner() const noexcept { return owner_; }

  // The numbers of the ordinary files named `trendName` "." and a number
  // as the runtime writes them (at least three digits), in number order.
  const std::vector<long>& NumbersOf(const std::string& trendName) const;
  // How many of them run from .000 without a gap: the files a rebuild reads.
  std::size_t RunFromZero(const std::string& trendName) const;
  // The names of the ordinary files ending in ".000", in byte order.
  const std::vector<std::string>& FirstFiles() const noexcept { return lists_->firstFiles; }
  // The names of trends whose first data file NAME.000 is missing while a
  // later data file or NAME.qmr is there, in byte order.
  const std::vector<std::string>& WithoutFirstFile() const noexcept { return lists_->withoutFirstFile; }
  // The real folders in it (not links to folders), in byte order.
  const std::vector<std::string>& Subfolders() const noexcept { return lists_->subfolders; }

  struct Temporary {
    std::string fileName;
    TemporaryName name;
  };
  // Windows: the first data files (NAME.000) and subfolders whose names have
  // no exact form in the ANSI code page, by the name shown ("?" for each
  // such character) and that character ("U+0141"), in byte order. They are
  // in no other list: a look-alike of another trend's name is never taken
  // for it.
  struct Unnamable {
    std::string shown;
    std::string character;
    bool folder = false;
  };
  const std::vector<Unnamable>& Unnamables() const noexcept { return lists_->unnamables; }

  // Temporary files of master replacements, in byte order of their names.
  const std::vector<Temporary>& Temporaries() const noexcept { return lists_->temporaries; }

 private:
  // What the listing found, indexed.
  struct Lists {
    std::vector<std::string> withoutFirstFile;
    std::unordered_map<std::string, std::vector<long>> numbers;
    std::vector<std::string> firstFiles;
    std::vector<std::string> subfolders;
    std::vector<Temporary> temporaries;
    std::vector<Unnamable> unnamables;
  };
  class Indexing;

#ifndef _WIN32
  void List(const FolderHandle& folder);
#endif

  std::string folder_;
#ifndef _WIN32
  std::shared_ptr<const FolderHandle> open_;
#endif
  std::uint64_t device_ = 0;
  FolderIdentity identity_;
  unsigned owner_ = 0;
  std::shared_ptr<const Lists> lists_;
};

}  // namespace qmr
