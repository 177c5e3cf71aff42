#include "texts/ErrorWords.h"

#include <system_error>

#include "tools/Errors.h"

namespace qmr {

std::string ErrorWords(const Error& error) {
  const std::string head = std::string(DefaultDescription(error.code())) + ": ";
  switch (error.fact()) {
    case ErrorFact::None: break;
    case ErrorFact::ReadOnlyMaster: return head + "'" + error.path() + "' is read-only; make it writable to replace it";
    case ErrorFact::MasterNotWritable: return head + "'" + error.path() + "' may not be written by this user";
    case ErrorFact::NoFileInFolder:
      // The master itself was never reached: the folder is what to look at.
      return head + "cannot create a file in folder '" + error.path() + "' to replace '" + error.fileName() + "' (" +
             std::generic_category().message(error.systemError()) + ")";
  }
  return error.description();
}

}  // namespace qmr
