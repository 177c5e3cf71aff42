// Reading the headers of one trend's numbered data files from their folder.
// On POSIX systems the folder is held open and each file opened relative to
// it without following a link, so that no name resolves elsewhere while the
// trend is read. A data file that is a symbolic link is followed only when
// no byte could reach a master that the folder's owner could not read: the
// link and its target have the same owner, or the link is this user's own
// (the rule of the kernel's protected_symlinks), unless links are always
// followed.
//
// Each data file is opened once. Where the system permits (io_uring on
// Linux), the files of a listed trend are taken in parts of many files: a
// part's files are opened with one system call, each is asked its kind, and
// their headers are read and the files closed with one more, the next part
// opened while the last one's headers are read. The opens that must wait
// for the disk are made one by one instead, shared with a helper thread in
// a large trend. On a cold disk the headers are fetched together instead
// of one after the other, and on a warm one the calls cost less than a
// system call each. Elsewhere, with read-ahead, a thread of its own opens a
// large trend's files a little ahead of the reads and asks the system for
// their first pages when they are not in memory. The rebuild takes the
// files in number order either way.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "definitions/DataFile.h"
#include "trends/TrendPath.h"

namespace qmr {

class TrendFolder;

class DataFileReader {
 public:
  // Trends of fewer data files gain nothing worth a thread.
  static constexpr std::size_t kReadAheadFrom = 64;
  // How many files the thread opens ahead of the reads at most.
  static constexpr std::size_t kLead = 512;

  // For `trend`; `listed` is its folder's listing when the caller made one
  // (the folder opened must then be the one listed, a file listed that
  // vanishes is an error, and the run of data files ends where the
  // listing's does: the first number it has no data file of is not looked
  // for again). With `readAhead`, a listing and kReadAheadFrom or
  // more files numbered from .000 without a gap, they are read ahead where
  // the system gives no batches; where it does, a trend of more than one
  // part shares its opens that wait for the disk with a helper thread.
  // Without it the reader starts no thread.
  DataFileReader(const TrendPath& trend, const TrendFolder* listed, bool followLinks, bool readAhead);
  ~DataFileReader();
  DataFileReader(const DataFileReader&) = delete;
  DataFileReader& operator=(const DataFileReader&) = delete;

  enum class Outcome {
    Read,         // `header` holds what the file's first bytes say
    Missing,      // no ordinary file of that name: the run of data files ends
    LinkRefused,  // a link the rule above does not follow: the run ends
  };
  // Data file `number`, at `path`: asked for as 0, 1, 2, ... and not after
  // an outcome other than Read. Throws qmr::Error naming the path when the
  // file is there but cannot be read.
  Outcome Read(const std::string& path, int number, DataFileHeader& header);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace qmr
