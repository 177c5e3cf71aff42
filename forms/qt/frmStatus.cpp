#include "forms/qt/frmStatus.h"

#include <QCloseEvent>
#include <QLabel>

#include "forms/FormTexts.h"
#include "forms/qt/FormFont.h"
#include "forms/qt/TwipsGeometry.h"

namespace qmr {

frmStatus::frmStatus(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("frmStatus");
  setWindowTitle(kStatusCaption);
  setFont(FormFont());
  setFixedSize(TwipsToPixelsX(*this, kStatusClientWidth), TwipsToPixelsY(*this, kStatusClientHeight));

  auto* label1 = new QLabel(kStatusText, this);
  label1->setObjectName("Label1");
  label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label1->setWordWrap(true);
  SetTwipsGeometry(*label1, kStatusLabel1Box);

  fileName_ = new QLabel(this);
  fileName_->setObjectName("lblFileName");
  fileName_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  fileName_->setWordWrap(true);
  SetTwipsGeometry(*fileName_, kFileNameBox);
}

void frmStatus::setTrendName(const QString& name) { fileName_->setText(name); }

QString frmStatus::trendName() const { return fileName_->text(); }

void frmStatus::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
}

}  // namespace qmr
