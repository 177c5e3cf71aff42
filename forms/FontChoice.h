// Which texts decide the windows' font size and how the size is chosen,
// whatever the toolkit measures the texts with: the fixed texts of the three
// windows must each show whole in their boxes, and the font takes the
// largest size from 8 points down to 6 at which all of them do.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace qmr {

// A fixed text and the box (in twips) it must show whole in, broken into
// lines at blanks as a label breaks it.
struct FixedText {
  std::string text;
  int widthTwips;
  int heightTwips;
  bool centred;  // centred in its box, else left-aligned, both from the top
};

// The help window's version line and notes, the main window's hint (at its
// narrowest, in the smallest window the layout allows) and the status
// window's fixed line.
std::vector<FixedText> FixedTexts();

// The sizes tried, largest first: 8, 7.5, ..., 6 points.
std::vector<double> FontSizesToTry();

// The first size of FontSizesToTry at which `allFit` holds; the smallest
// when none does (it shows the most).
double ChooseFontSize(const std::function<bool(double points)>& allFit);

}  // namespace qmr
