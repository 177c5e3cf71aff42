// Placing widgets by twips at their screen's logical resolution.
#pragma once

#include <QRect>

#include "forms/FormTexts.h"

class QWidget;

namespace qmr {

QRect TwipsToPixelRect(const QWidget& widget, const TwipsRect& box);
void SetTwipsGeometry(QWidget& widget, const TwipsRect& box);
// The twips of a horizontal or vertical pixel length of `widget`'s screen.
double WidthTwips(const QWidget& widget, int pixels);
double HeightTwips(const QWidget& widget, int pixels);
int TwipsToPixelsX(const QWidget& widget, double twips);
int TwipsToPixelsY(const QWidget& widget, double twips);

}  // namespace qmr
