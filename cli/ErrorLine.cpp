#include "cli/ErrorLine.h"

#include "texts/ErrorWords.h"
#include "tools/Errors.h"

namespace qmr::cli {

std::string ErrorLine(const Error& error) {
  return ErrorWords(error) + " (error " + std::to_string(error.number()) + ")";
}

}  // namespace qmr::cli
