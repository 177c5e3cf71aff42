// The one font of every window. The boxes of the fixed texts were drawn for
// a small sans-serif dialog font; the font is chosen so that each fixed text
// shows whole in its box with the fonts this machine has.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

namespace qmr {

// The largest size (8 points down to 6) of a narrow sans-serif face at which
// every fixed text fits its box at the screen's logical resolution; chosen
// once and then kept.
QFont FormFont();

// True when `text`, broken at blanks, fits inside `box` in `font`.
bool TextFits(const QFont& font, const QRect& box, int alignment, const QString& text);

}  // namespace qmr
