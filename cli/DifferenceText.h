// A master field that differs from what a rebuild would write, in the words
// the command line prints it with: where it is and both values, readable.
#pragma once

#include "cli/TrendReport.h"
#include "trends/MasterCheck.h"

namespace qmr::cli {

// "entry 3 field order_key" (or "field file_count" in the header), with the
// values by the field's kind: text escaped, carried bytes in hex, integers
// in decimal (an order key with the text the rebuild sorts it by).
Difference DescribeDifference(const FieldDifference& difference);

}  // namespace qmr::cli
