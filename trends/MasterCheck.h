// Comparing an existing master file with the one a rebuild would write,
// field by field, without writing anything.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "definitions/Families.h"
#include "definitions/MasterFields.h"
#include "tools/FolderHandle.h"
#include "trends/TrendFolder.h"

namespace qmr {

// The largest master there can be: the header and 32768 entries of the
// largest layout. Anything longer is no master.
inline constexpr std::size_t kLargestMaster = 176 + 32768 * 448;

// One field whose bytes differ, as found: a front end words the values by
// the field's kind (and an order key by the family's key text).
struct FieldDifference {
  std::optional<std::size_t> entry;  // empty for the header
  const FieldInfo* field = nullptr;
  std::size_t offset = 0;  // of the field in the file
  std::vector<unsigned char> expected;
  std::vector<unsigned char> actual;
  Family family = Family::None;  // of the entries, for the order key's text
};

struct MasterComparison {
  // The fields that differ, in file order, at most the limit asked for.
  std::vector<FieldDifference> differences;
  // Fields that differ beyond those listed.
  std::size_t moreDifferences = 0;
  bool lengthsDiffer = false;

  bool Same() const { return differences.empty() && moreDifferences == 0 && !lengthsDiffer; }
};

// Compares `actual` with `expected` field by field (the layout is that of
// `expected`, whose version chooses the entries' family), except the date
// and time in `expected`'s banner, which are skipped in both. Lists at most
// `limit` differences, each with both values; a difference in length is one
// more, with the two lengths.
MasterComparison CompareMasters(std::span<const unsigned char> expected, std::span<const unsigned char> actual,
                                std::size_t limit);

// The master file at `path` against `expected`, from one open and one pass
// over at most kLargestMaster + 1 of its bytes: as CompareMasters finds it,
// with the number of bytes read. A master that matches is compared as it is
// read, without holding it; from its first difference on, the file is kept
// for the fields that differ. Throws qmr::Error when it cannot be read.
struct MasterFileComparison {
  MasterComparison comparison;
  std::size_t length = 0;  // kLargestMaster + 1 for a file longer than any master
};
// `listed` (may be null) is the master's folder as listed: the master must
// be in that folder, read relative to it when the listing keeps it open.
MasterFileComparison CompareMasterFile(const std::string& path, std::span<const unsigned char> expected,
                                       std::size_t limit, const TrendFolder* listed = nullptr);

// The master at `path` is to be compared on this thread once its trend is
// composed: where its folder is held open it is opened now, and the system
// fetches it while the data files are read (a cold master no longer waits
// for the disk after them). CompareMasterFile then reads that open file.
void OpenMasterForComparing(const std::string& path, const TrendFolder* listed);

}  // namespace qmr
