#include "forms/qt/frmHelp.h"

#include <QLabel>
#include <QPushButton>

#include "forms/FormTexts.h"
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

  // Created in tab order; only the button takes the focus.
  AddLabel(this, "Label1", kHelpText1, kHelpLabel1Box);
  auto* close = new QPushButton("Close", this);
  close->setObjectName("cmdClose");
  close->setAutoDefault(false);
  SetTwipsGeometry(*close, kHelpCloseBox);
  connect(close, &QPushButton::clicked, this, &QWidget::close);
  AddLabel(this, "lblVersion", QString::fromStdString(VersionLine(kHelpComments)), kVersionBox);
  AddLabel(this, "Label2", kHelpText2, kHelpLabel2Box);
  AddLabel(this, "Label3", kHelpText3, kHelpLabel3Box);
  AddLabel(this, "Label4", kHelpText4, kHelpLabel4Box);
  setFocusProxy(close);
  close->setFocus();
}

}  // namespace qmr
