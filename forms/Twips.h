// Window geometry is kept in twips (1/1440 inch); the toolkit places widgets
// in pixels. These convert at a screen's logical resolution (dots per inch);
// at 96 dpi 15 twips make one pixel.
#pragma once

namespace qmr {

inline constexpr double kTwipsPerInch = 1440.0;

// A box in twips: left and top in its parent's client area.
struct TwipsRect {
  int left, top, width, height;
};

// A box in whole pixels, as the toolkits place widgets.
struct PixelRect {
  int left = 0, top = 0, width = 0, height = 0;
  bool operator==(const PixelRect&) const = default;
};

// A screen's logical resolution, across and down, in dots per inch.
struct Resolution {
  double x = 96, y = 96;
};

// The pixel nearest to `twips` (halves away from zero).
int TwipsToPixels(double twips, double dotsPerInch);

// The twips of a whole number of pixels (exact, may be fractional at odd dpi).
double PixelsToTwips(int pixels, double dotsPerInch);

// `twips` as a toolkit keeping whole pixels stores and reports it back.
double SnapToPixels(double twips, double dotsPerInch);

// `box` in pixels at `dpi`: each of its four values rounded on its own.
PixelRect PixelsOf(const TwipsRect& box, Resolution dpi);

}  // namespace qmr
