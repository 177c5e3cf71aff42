// Reading the headers of one trend's numbered data files from their folder.
// On POSIX systems the folder is held open and each file opened relative to
// it without following a link, so that no name resolves elsewhere while the
// trend is read. A data file that is a symbolic link is followed only when
// no byte could reach a master that the folder's owner could not read: the
// link and its target have the same owner, or the link is this user's own
// (the rule of the kernel's protected_symlinks), unless links are always
// followed. Windows reads by path, as it always has.
#pragma once

#include <memory>
#include <string>

#include "definitions/DataFile.h"

namespace qmr {

class TrendFolder;

class DataFileReader {
 public:
  // For the trend whose first data file is `firstFilePath`; `listed` is its
  // folder's listing when the caller made one (the folder opened must then
  // be the one listed, and a file listed that vanishes is an error).
  DataFileReader(const std::string& firstFilePath, const TrendFolder* listed, bool followLinks);
  ~DataFileReader();
  DataFileReader(const DataFileReader&) = delete;
  DataFileReader& operator=(const DataFileReader&) = delete;

  enum class Outcome {
    Read,         // `header` holds what the file's first bytes say
    Missing,      // no ordinary file of that name: the run of data files ends
    LinkRefused,  // a link the rule above does not follow: the run ends
  };
  // Data file `number`, at `path`. Throws qmr::Error naming the path when
  // the file is there but cannot be read.
  Outcome Read(const std::string& path, int number, DataFileHeader& header);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace qmr
