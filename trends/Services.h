// What the rebuild engine needs from the window system. The windows implement
// it with Qt, the command line tool with the console, tests with a recording
// fake; the engine knows nothing else of them.
#pragma once

#include <string>

namespace qmr {

inline constexpr const char* kApplicationTitle = "QMR Rebuilder";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 1;
inline constexpr int kVersionRevision = 0;

// "1.01.000": major, minor in at least two digits, revision in at least three.
std::string VersionNumberText();
// "QMR Rebuilder version 1.01.000 " followed by `comments`.
std::string VersionLine(const std::string& comments);

enum class MessageIcon { None, Warning, Error };

class Services {
 public:
  virtual ~Services() = default;

  // A modal message with a single OK button; returns once it is dismissed.
  virtual void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
  // Delivers the events already waiting, once, and returns at once.
  virtual void PumpEvents() = 0;
  // The status window: shown (created on first use) without modality,
  // its trend-name line set, hidden (kept with its texts).
  virtual void ShowStatus() = 0;
  virtual void SetStatusTrendName(const std::string& name) = 0;
  virtual void HideStatus() = 0;
};

}  // namespace qmr
