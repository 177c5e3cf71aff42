#include "forms/FormFont.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include "forms/FormTexts.h"
#include "forms/Layout.h"
#include "forms/Twips.h"

namespace qmr {

namespace {

// Faces with the narrow metrics the boxes were drawn for, best first.
const QStringList kFaces{"Liberation Sans", "Arial", "Helvetica", "Nimbus Sans", "DejaVu Sans"};

struct FixedText {
  QString text;
  int widthTwips;
  int heightTwips;
  int alignment;
};

std::vector<FixedText> FixedTexts() {
  const int left = Qt::AlignLeft | Qt::AlignTop;
  // The multi-select hint is narrowest at the smallest window the layout allows.
  const int hintWidth = static_cast<int>(kMinimumWindowSize) - 960;
  return {
      {QString::fromStdString(VersionLine(kHelpComments)), kVersionBox.width, kVersionBox.height, left},
      {kHelpText1, kHelpLabel1Box.width, kHelpLabel1Box.height, left},
      {kHelpText2, kHelpLabel2Box.width, kHelpLabel2Box.height, left},
      {kHelpText3, kHelpLabel3Box.width, kHelpLabel3Box.height, left},
      {kHelpText4, kHelpLabel4Box.width, kHelpLabel4Box.height, left},
      {kMultiSelectText, hintWidth, kMultiSelectBox.height, Qt::AlignHCenter | Qt::AlignTop},
      {kStatusText, kStatusLabel1Box.width, kStatusLabel1Box.height, left},
  };
}

bool AllFit(const QFont& font, double dpi) {
  for (const FixedText& fixed : FixedTexts()) {
    const QRect box(0, 0, TwipsToPixels(fixed.widthTwips, dpi), TwipsToPixels(fixed.heightTwips, dpi));
    if (!TextFits(font, box, fixed.alignment, fixed.text)) return false;
  }
  return true;
}

QFont Choose() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen ? screen->logicalDotsPerInch() : 96.0;
  QFont font;
  font.setFamilies(kFaces);
  font.setStyleHint(QFont::SansSerif);
  for (double points = 8.0; points >= 6.0; points -= 0.5) {
    font.setPointSizeF(points);
    if (AllFit(font, dpi)) return font;
  }
  return font;  // the smallest tried: shows the most
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
