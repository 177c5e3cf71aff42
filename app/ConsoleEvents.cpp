#include "app/ConsoleEvents.h"

namespace qmr::cli {

void ConsoleEvents::DataFileUnrecognised(const std::string& path, const UnrecognisedReason& /*reason*/) {
  err_ << "qmr: " << path << ": error: This is not a valid trend file. It may be a log file or an unsupported format.\n";
  err_.flush();
}

}  // namespace qmr::cli
