#include "forms/qt/frmStatus.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>

#include "forms/FormTexts.h"
#include "forms/qt/ApplicationIcon.h"
#include "forms/qt/FormFont.h"
#include "forms/qt/TwipsGeometry.h"

namespace qmr {

frmStatus::frmStatus(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName("frmStatus");
  setWindowTitle(kStatusCaption);
  setWindowIcon(ApplicationIcon());
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

void frmStatus::setTrendName(const QString& name) {
  // The label would break a long name at its blanks and show the top of the
  // second line under the first: it is given the first line alone.
  const QFontMetrics metrics(fileName_->font());
  const std::string line = FirstLine(name.toStdString(), fileName_->width(), [&metrics](std::string_view text) {
    return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
  });
  fileName_->setText(QString::fromStdString(line));
}

QString frmStatus::trendName() const { return fileName_->text(); }

void frmStatus::closeEvent(QCloseEvent* event) {
  event->ignore();
  hide();
}

}  // namespace qmr
