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

MainLayout ArrangeControls(double W, double H, const LayoutFixed& fixed, const SnapFunction& snapFunction) {
  const auto set = [&](double value) { return snapFunction ? snapFunction(value) : value; };
  MainLayout l;
  l.trendLocationWidth = set(Nearest(W - kInset));
  const double b = Nearest(l.trendLocationWidth - kInset);
  l.pathWidth = set((b - kGap) / 2);
  l.fileWidth = set(l.pathWidth);
  const double c = Nearest(H - kInset);
  l.trendLocationHeight = set(c - fixed.trendLocationTop - fixed.buttonsHeight);
  const double d = Nearest(l.trendLocationHeight - kInset);
  l.pathHeight = set((d - kInset) - fixed.multiSelectHeight);
  l.fileHeight = set(l.pathHeight);
  l.fileLeft = set(l.pathWidth + fixed.pathLeft + kGap);
  l.buttonsTop = set(l.trendLocationHeight + fixed.trendLocationTop + kGap);
  l.buttonsLeft = set(W - kGap - fixed.buttonsWidth);
  l.driveWidth = set(l.pathWidth);
  l.folderWidth = set(l.pathWidth);
  l.folderHeight = set(l.pathHeight - fixed.driveListHeight - kDriveGap);
  l.multiSelectWidth = set(l.trendLocationWidth - kInset);
  l.multiSelectTop = set(l.pathHeight + fixed.pathTop + kGap);
  l.multiSelectLeft = set(l.trendLocationWidth / 2 - l.multiSelectWidth / 2);
  return l;
}

}  // namespace qmr
