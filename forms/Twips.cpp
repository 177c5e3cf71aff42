#include "forms/Twips.h"

#include <cmath>

namespace qmr {

int TwipsToPixels(double twips, double dotsPerInch) {
  return static_cast<int>(std::lround(twips * dotsPerInch / kTwipsPerInch));
}

double PixelsToTwips(int pixels, double dotsPerInch) { return pixels * kTwipsPerInch / dotsPerInch; }

double SnapToPixels(double twips, double dotsPerInch) {
  return PixelsToTwips(TwipsToPixels(twips, dotsPerInch), dotsPerInch);
}

}  // namespace qmr
