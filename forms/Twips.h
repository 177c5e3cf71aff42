// Window geometry is kept in twips (1/1440 inch); the toolkit places widgets
// in pixels. These convert at a screen's logical resolution (dots per inch);
// at 96 dpi 15 twips make one pixel.
#pragma once

namespace qmr {

inline constexpr double kTwipsPerInch = 1440.0;

// The pixel nearest to `twips` (halves away from zero).
int TwipsToPixels(double twips, double dotsPerInch);

// The twips of a whole number of pixels (exact, may be fractional at odd dpi).
double PixelsToTwips(int pixels, double dotsPerInch);

// `twips` as a toolkit keeping whole pixels stores and reports it back.
double SnapToPixels(double twips, double dotsPerInch);

}  // namespace qmr
