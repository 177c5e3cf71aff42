#include "forms/qt/FormFont.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include "forms/FontChoice.h"
#include "forms/Twips.h"

namespace qmr {

namespace {

// Faces with the narrow metrics the boxes were drawn for, best first.
const QStringList kFaces{"Liberation Sans", "Arial", "Helvetica", "Nimbus Sans", "DejaVu Sans"};

bool AllFit(const QFont& font, double dpi) {
  for (const FixedText& fixed : FixedTexts()) {
    const QRect box(0, 0, TwipsToPixels(fixed.widthTwips, dpi), TwipsToPixels(fixed.heightTwips, dpi));
    const int alignment = (fixed.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop;
    if (!TextFits(font, box, alignment, QString::fromStdString(fixed.text))) return false;
  }
  return true;
}

QFont Choose() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
  QFont font;
  font.setFamilies(kFaces);
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(ChooseFontSize([&](double points) {
    font.setPointSizeF(points);
    return AllFit(font, dpi);
  }));
  return font;
}

}  // namespace

bool TextFits(const QFont& font, const QRect& box, int alignment, const QString& text) {
  const QRect needed = QFontMetrics(font).boundingRect(box, Qt::TextWordWrap | alignment, text);
  return box.contains(needed);
}

QFont FormFont() {
  static const QFont chosen = Choose();
  return chosen;
}

}  // namespace qmr
