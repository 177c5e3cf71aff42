// The services the rebuild engine needs, for a console program: messages go
// to the error stream as one line each, there are no events to deliver and
// no status window (the tool prints one line per trend instead).
#pragma once

#include <ostream>
#include <string>

#include "trends/Services.h"

namespace qmr::cli {

class ConsoleServices : public Services {
 public:
  explicit ConsoleServices(std::ostream& err) : err_(err) {}

  // The next message is about this file: its line starts with the path, so
  // that a message which does not name its file still says which one it is.
  void SetNextMessageSubject(const std::string& path) { subject_ = path; }

  void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;
  void PumpEvents() override {}
  void ShowStatus() override {}
  void SetStatusTrendName(const std::string&) override {}
  void HideStatus() override {}

 private:
  std::ostream& err_;
  std::string subject_;
};

}  // namespace qmr::cli
