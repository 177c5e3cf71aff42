#include "tests/support/InsertionSort.h"

namespace qmr::testsupport {

namespace {

// Character code by character code; the shorter text first on a common start.
int OrdinalByCharacter(const std::string& a, const std::string& b) {
  for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const auto ca = static_cast<unsigned char>(a[i]);
    const auto cb = static_cast<unsigned char>(b[i]);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

std::vector<std::size_t> InsertionSortOrder(const std::vector<std::string>& keys, std::int32_t order) {
  std::vector<std::size_t> placed;
  placed.reserve(keys.size());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    std::size_t j = placed.size();
    while (j > 0) {
      const int r = OrdinalByCharacter(keys[i], keys[placed[j - 1]]);
      if (r == order || r == 0) break;
      --j;
    }
    placed.insert(placed.begin() + static_cast<std::ptrdiff_t>(j), i);
  }
  return placed;
}

}  // namespace qmr::testsupport
