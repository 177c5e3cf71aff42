// The help window's controls, whatever the toolkit, in tab order: the four
// notes, the version line (composed when asked for) and the Close button,
// each with its name, text and design box. The Win32 window numbers its
// controls' IDs in this order.
#pragma once

#include <string>
#include <vector>

#include "forms/Twips.h"

namespace qmr {

struct HelpControlRow {
  const char* name;
  std::string text;
  TwipsRect box;
  bool button = false;  // else a label, left-aligned, breaking its text at blanks
};

std::vector<HelpControlRow> HelpControls();

}  // namespace qmr
