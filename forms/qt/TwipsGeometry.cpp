#include "forms/qt/TwipsGeometry.h"

#include <QWidget>

#include "forms/Twips.h"

namespace qmr {

int TwipsToPixelsX(const QWidget& widget, double twips) { return TwipsToPixels(twips, widget.logicalDpiX()); }
int TwipsToPixelsY(const QWidget& widget, double twips) { return TwipsToPixels(twips, widget.logicalDpiY()); }
double WidthTwips(const QWidget& widget, int pixels) { return PixelsToTwips(pixels, widget.logicalDpiX()); }
double HeightTwips(const QWidget& widget, int pixels) { return PixelsToTwips(pixels, widget.logicalDpiY()); }

QRect TwipsToPixelRect(const QWidget& widget, const TwipsRect& box) {
  const PixelRect r = PixelsOf(box, {double(widget.logicalDpiX()), double(widget.logicalDpiY())});
  return QRect(r.left, r.top, r.width, r.height);
}

void SetTwipsGeometry(QWidget& widget, const TwipsRect& box) { widget.setGeometry(TwipsToPixelRect(widget, box)); }

}  // namespace qmr
