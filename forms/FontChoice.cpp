#include "forms/FontChoice.h"

#include "forms/FormTexts.h"
#include "forms/Layout.h"

namespace qmr {

std::vector<FixedText> FixedTexts() {
  // The multi-select hint is narrowest at the smallest window the layout allows.
  const int hintWidth = static_cast<int>(kMinimumWindowSize) - 960;
  return {
      {VersionLine(kHelpComments), kVersionBox.width, kVersionBox.height, false},
      {kHelpText1, kHelpLabel1Box.width, kHelpLabel1Box.height, false},
      {kHelpText2, kHelpLabel2Box.width, kHelpLabel2Box.height, false},
      {kHelpText3, kHelpLabel3Box.width, kHelpLabel3Box.height, false},
      {kHelpText4, kHelpLabel4Box.width, kHelpLabel4Box.height, false},
      {kMultiSelectText, hintWidth, kMultiSelectBox.height, true},
      {kStatusText, kStatusLabel1Box.width, kStatusLabel1Box.height, false},
  };
}

std::vector<double> FontSizesToTry() {
  std::vector<double> sizes;
  for (double points = 8.0; points >= 6.0; points -= 0.5) sizes.push_back(points);
  return sizes;
}

double ChooseFontSize(const std::function<bool(double points)>& allFit) {
  const std::vector<double> sizes = FontSizesToTry();
  for (double points : sizes) {
    if (allFit(points)) return points;
  }
  return sizes.back();
}

}  // namespace qmr
