#include "cli/ProgressLine.h"

#include <cstdio>

#include "cli/TrendOutput.h"

namespace qmr::cli {

namespace {

using Clock = std::chrono::steady_clock;

// Quiet runs draw nothing; a line appears only once a run lasts this long.
constexpr auto kFirstDraw = std::chrono::seconds(1);
constexpr auto kRedraw = std::chrono::milliseconds(200);

}  // namespace

ProgressLine::ProgressLine(std::ostream& err, bool shown) : err_(err), shown_(shown) {}

void ProgressLine::TrendStarted(const std::string& trend) {
  if (!shown_) return;
  const std::lock_guard<std::mutex> lock(mutex_);
  current_ = trend;
}

void ProgressLine::Walking(const std::string& folder) {
  ++folders_;
  TrendStarted(folder);
}

void ProgressLine::Tick() {
  if (!shown_) return;
  const Clock::time_point now = Clock::now();
  if (now - start_ < kFirstDraw || now - lastDrawn_ < kRedraw) return;
  lastDrawn_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const std::size_t total = total_.load();
  char rate[32];
  std::snprintf(rate, sizeof rate, "%.0f", seconds > 0 ? static_cast<double>(files_.load()) / seconds : 0.0);
  const std::size_t done = done_.load();
  std::string line = "qmr: " + std::to_string(done) + (total != 0 ? " of " + std::to_string(total) : "") +
                     ((total != 0 ? total : done) == 1 ? " trend, " : " trends, ") + rate + " data files/s";
  // While the walk goes on, how far it got: a long walk may find nothing.
  if (total == 0 && folders_ > 0) line += ", " + std::to_string(folders_) + (folders_ == 1 ? " folder" : " folders");
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!current_.empty()) line += ", " + Shown(current_);
  }
  // A line wider than the terminal would scroll instead of being redrawn.
  if (line.size() > 79) line = line.substr(0, 76) + "...";
  const std::size_t length = line.size();
  if (line.size() < drawnLength_) line.append(drawnLength_ - line.size(), ' ');
  err_ << '\r' << line << std::flush;
  drawnLength_ = length;
}

void ProgressLine::Clear() {
  if (!shown_ || drawnLength_ == 0) return;
  err_ << '\r' << std::string(drawnLength_, ' ') << '\r' << std::flush;
  drawnLength_ = 0;
}

}  // namespace qmr::cli
