#include "trends/Services.h"

#include <cstdio>

namespace qmr {

std::string VersionNumberText() {
  char text[48];
  std::snprintf(text, sizeof(text), "%d.%02d.%03d", kVersionMajor, kVersionMinor, kVersionRevision);
  return text;
}

std::string VersionLine(const std::string& comments) {
  return std::string(kApplicationTitle) + " version " + VersionNumberText() + " " + comments;
}

}  // namespace qmr
