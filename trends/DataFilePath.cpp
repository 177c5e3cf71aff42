#include "trends/DataFilePath.h"

#include <charconv>

namespace qmr {

DataFilePath::DataFilePath(const TrendPath& trend) : path_(trend.Base()) {
  path_.push_back('.');
  prefixLength_ = path_.size();
  path_.reserve(prefixLength_ + 8);
}

const std::string& DataFilePath::For(int number) {
  char digits[16];
  const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  path_.resize(prefixLength_);
  for (auto width = end - digits; width < 3; ++width) path_.push_back('0');
  path_.append(digits, end);
  return path_;
}

}  // namespace qmr
