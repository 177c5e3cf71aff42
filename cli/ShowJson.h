// `qmr show --json`: a master file or a data file's header as one JSON
// object, each field with its value.
#pragma once

#include <string>

#include "cli/JsonText.h"
#include "cli/MasterShow.h"

namespace qmr::cli {

// The object for `file` (read from `path`): "type" "master" or "data_file",
// the header's fields, a master's entries, and "problems" for whatever does
// not decode whole. `whole` tells whether it decoded whole.
Json DescribeFile(const std::string& path, const ShownFile& file, bool& whole);

}  // namespace qmr::cli
