// The rebuild engine's events for the command line tool: a data file that is
// no trend data file becomes one line on the error stream naming the file.
// Everything else the tool prints itself, from what the engine returns.
#pragma once

#include <ostream>
#include <string>

#include "trends/RebuildEvents.h"

namespace qmr::cli {

class ConsoleEvents : public RebuildEvents {
 public:
  explicit ConsoleEvents(std::ostream& err) : err_(err) {}

  void DataFileUnrecognised(const std::string& path, const UnrecognisedReason& reason) override;

 private:
  std::ostream& err_;
};

}  // namespace qmr::cli
