// The reference the key order is held against: a plain straight insertion
// sort over the key texts, slow and obviously right.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qmr::testsupport {

// Where each key ends when the keys are sorted by straight insertion: each
// key in turn walks back over the placed ones until it meets an equal key or
// one whose character-by-character comparison with it gives `order` (-1:
// descending, 1: ascending). Position p holds the index of the key that ends
// there.
std::vector<std::size_t> InsertionSortOrder(const std::vector<std::string>& keys, std::int32_t order);

}  // namespace qmr::testsupport
