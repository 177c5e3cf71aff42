#include "forms/Layout.h"

#include <cmath>

namespace qmr {

namespace {

inline constexpr double kInset = 480;  // taken from the client area and from the frame
inline constexpr double kGap = 240;    // margins and the gap between the two columns
inline constexpr double kDriveGap = 120;

// The whole number nearest to x, halves to the even neighbour.
double Nearest(double x) { return std::nearbyint(x); }

}  // namespace

MinimumOuterSize CheckMinimumSize(double clientWidth, double clientHeight) {
  MinimumOuterSize result;
  if (clientHeight < kMinimumWindowSize) result.outerHeight = kMinimumWindowSize;
  if (clientWidth < kMinimumWindowSize) result.outerWidth = kMinimumWindowSize;
  return result;
}

MainLayout ArrangeControls(double clientWidth, double clientHeight, const LayoutFixed& fixed,
                           const SnapFunction& snapFunction) {
  // Each value is stored as the toolkit stores it, and later values build on
  // what was stored.
  const auto stored = [&](double value) { return snapFunction ? snapFunction(value) : value; };
  MainLayout layout;
  layout.trendLocationWidth = stored(Nearest(clientWidth - kInset));
  // The two columns share the frame's inner width, with a gap between them.
  const double frameInnerWidth = Nearest(layout.trendLocationWidth - kInset);
  layout.pathWidth = stored((frameInnerWidth - kGap) / 2);
  layout.fileWidth = stored(layout.pathWidth);
  const double usableHeight = Nearest(clientHeight - kInset);
  layout.trendLocationHeight = stored(usableHeight - fixed.trendLocationTop - fixed.buttonsHeight);
  const double frameInnerHeight = Nearest(layout.trendLocationHeight - kInset);
  layout.pathHeight = stored((frameInnerHeight - kInset) - fixed.multiSelectHeight);
  layout.fileHeight = stored(layout.pathHeight);
  layout.fileLeft = stored(layout.pathWidth + fixed.pathLeft + kGap);
  layout.buttonsTop = stored(layout.trendLocationHeight + fixed.trendLocationTop + kGap);
  layout.buttonsLeft = stored(clientWidth - kGap - fixed.buttonsWidth);
  layout.driveWidth = stored(layout.pathWidth);
  layout.folderWidth = stored(layout.pathWidth);
  layout.folderHeight = stored(layout.pathHeight - fixed.driveListHeight - kDriveGap);
  layout.multiSelectWidth = stored(layout.trendLocationWidth - kInset);
  layout.multiSelectTop = stored(layout.pathHeight + fixed.pathTop + kGap);
  // Centred in the frame.
  layout.multiSelectLeft = stored(layout.trendLocationWidth / 2 - layout.multiSelectWidth / 2);
  return layout;
}

}  // namespace qmr
