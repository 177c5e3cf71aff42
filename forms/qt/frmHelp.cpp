#include "forms/qt/frmHelp.h"

#include <QLabel>
#include <QPushButton>

#include "forms/FormTexts.h"
#include "forms/HelpControls.h"
#include "forms/qt/ApplicationIcon.h"
#include "forms/qt/FormFont.h"
#include "forms/qt/TwipsGeometry.h"

namespace qmr {

namespace {

QLabel* AddLabel(QWidget* window, const char* name, const QString& text, const TwipsRect& box) {
  auto* label = new QLabel(text, window);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setWordWrap(true);
  SetTwipsGeometry(*label, box);
  return label;
}

}  // namespace

frmHelp::frmHelp(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("frmHelp");
  setAttribute(Qt::WA_DeleteOnClose);  // closing discards it; the next Help creates it afresh
  setWindowTitle(kHelpCaption);
  setWindowIcon(ApplicationIcon());
  setFont(FormFont());
  setFixedSize(TwipsToPixelsX(*this, kHelpClientWidth), TwipsToPixelsY(*this, kHelpClientHeight));

  // Made in tab order; only the button takes the focus.
  for (const HelpControlRow& row : HelpControls()) {
    if (!row.button) {
      AddLabel(this, row.name, QString::fromStdString(row.text), row.box);
      continue;
    }
    auto* close = new QPushButton(QString::fromStdString(row.text), this);
    close->setObjectName(row.name);
    close->setAutoDefault(false);
    SetTwipsGeometry(*close, row.box);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    setFocusProxy(close);
    close->setFocus();
  }
}

}  // namespace qmr
