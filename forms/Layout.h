// The main window's layout rule, over twips and free of any toolkit: the
// trend-location frame and its lists stretch with the client area, the
// button frame keeps to the lower right, and the window keeps a minimum size.
#pragma once

#include <functional>
#include <optional>

namespace qmr {

// The minimum, compared with the client size but applied to the outer size.
inline constexpr double kMinimumWindowSize = 5500;

// Which outer dimensions to set to the minimum for a client area of
// `clientWidth` by `clientHeight`; empty for a dimension that is large enough.
struct MinimumOuterSize {
  std::optional<double> outerWidth;
  std::optional<double> outerHeight;
};
MinimumOuterSize CheckMinimumSize(double clientWidth, double clientHeight);

// The values the rule reads but never sets, at their design values; the
// window fills them from its controls (the drive list's height is the toolkit's).
struct LayoutFixed {
  double trendLocationTop = 120;
  double pathLeft = 240;
  double pathTop = 480;
  double buttonsWidth = 3855;
  double buttonsHeight = 495;
  double multiSelectHeight = 255;
  double driveListHeight = 315;
};

// Everything the rule sets, in twips.
struct MainLayout {
  double trendLocationWidth = 0, trendLocationHeight = 0;
  double pathWidth = 0, pathHeight = 0;
  double fileLeft = 0, fileWidth = 0, fileHeight = 0;
  double buttonsLeft = 0, buttonsTop = 0;
  double driveWidth = 0, folderWidth = 0, folderHeight = 0;
  double multiSelectLeft = 0, multiSelectTop = 0, multiSelectWidth = 0;
};

// How the toolkit stores a value that is set and read back (whole pixels on
// screen); the identity keeps the exact twips, halves included.
using SnapFunction = std::function<double(double)>;

// Arranges the controls for a client area of `clientWidth` by `clientHeight`
// (read after the minimum was applied). Each value is snapped as it is set
// and later steps build on the snapped values, as the window does.
MainLayout ArrangeControls(double clientWidth, double clientHeight, const LayoutFixed& fixed = {},
                           const SnapFunction& snap = {});

}  // namespace qmr
