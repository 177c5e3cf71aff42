// The paths of a trend's numbered data files, on their own so that the
// rebuild and the thread that reads its files ahead can share them without
// depending on each other.
#pragma once

#include <cstddef>
#include <string>

#include "trends/TrendPath.h"

namespace qmr {

// The path of data file `number` of a trend, as TrendPath::DataFile names
// it, reusing one string so that reading thousands of files does not
// allocate a path for each.
class DataFilePath {
 public:
  explicit DataFilePath(const TrendPath& trend);
  // Valid until the next call.
  const std::string& For(int number);

 private:
  std::string path_;
  std::size_t prefixLength_ = 0;
};

}  // namespace qmr
