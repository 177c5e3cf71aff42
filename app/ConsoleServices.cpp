#include "app/ConsoleServices.h"

namespace qmr::cli {

void ConsoleServices::ShowMessage(const std::string& text, const std::string& /*caption*/,
                                  MessageIcon icon) {
  // The caption is always the program's title: the "qmr:" prefix stands for it.
  err_ << "qmr: ";
  if (!subject_.empty()) err_ << subject_ << ": ";
  if (icon == MessageIcon::Error) err_ << "error: ";
  if (icon == MessageIcon::Warning) err_ << "warning: ";
  err_ << text << '\n';
  err_.flush();
  subject_.clear();
}

}  // namespace qmr::cli
