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

PixelRect PixelsOf(const TwipsRect& box, Resolution dpi) {
  return {TwipsToPixels(box.left, dpi.x), TwipsToPixels(box.top, dpi.y), TwipsToPixels(box.width, dpi.x),
          TwipsToPixels(box.height, dpi.y)};
}

}  // namespace qmr
