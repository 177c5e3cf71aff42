#include "cli/NearMiss.h"

#include <algorithm>

namespace qmr::cli {

std::size_t EditDistance(const std::string& a, const std::string& b) {
  // Three rows of the table suffice: a swap looks two rows back.
  std::vector<std::size_t> twoBack(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) previous[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t substitution = a[i - 1] == b[j - 1] ? 0 : 1;
      current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + substitution});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        current[j] = std::min(current[j], twoBack[j - 2] + 1);
    }
    std::swap(twoBack, previous);
    std::swap(previous, current);
  }
  return previous[b.size()];
}

std::optional<std::string> NearMiss(const std::string& typed, const std::vector<std::string>& known) {
  const std::size_t limit = std::min<std::size_t>(2, (typed.size() - std::min<std::size_t>(typed.size(), 1)) / 2);
  std::optional<std::string> best;
  std::size_t bestDistance = limit + 1;
  for (const std::string& word : known) {
    const std::size_t distance = EditDistance(typed, word);
    if (distance < bestDistance) {
      best = word;
      bestDistance = distance;
    }
  }
  return best;
}

}  // namespace qmr::cli
