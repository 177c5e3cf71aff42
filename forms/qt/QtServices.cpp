#include "forms/qt/QtServices.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QScreen>
#include <QWidget>

#include "forms/qt/frmHelp.h"
#include "forms/qt/frmStatus.h"

namespace qmr {

namespace {

void ShowBox(const QString& text, const QString& caption, MessageIcon icon) {
  QMessageBox::Icon boxIcon = QMessageBox::NoIcon;
  if (icon == MessageIcon::Warning) boxIcon = QMessageBox::Warning;
  if (icon == MessageIcon::Error) boxIcon = QMessageBox::Critical;
  QMessageBox box(boxIcon, caption, text, QMessageBox::Ok);
  box.exec();
}

// Texts in the file system's byte encoding: names and paths are part of them.
QString FromFileBytes(const std::string& text) {
  return QFile::decodeName(QByteArray(text.data(), static_cast<qsizetype>(text.size())));
}

void CentreOver(QWidget* window, const QWidget* owner) {
  QRect area;
  if (owner && owner->isVisible()) {
    area = owner->frameGeometry();
  } else if (const QScreen* screen = window->screen()) {
    area = screen->availableGeometry();
  }
  if (area.isValid()) window->move(area.center() - window->rect().center());
}

}  // namespace

QtServices::QtServices() : ProgramWindows([] { QCoreApplication::exit(0); }), message_(ShowBox) {}

QtServices::~QtServices() {
  delete status_.data();
  delete help_.data();
}

void QtServices::ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  message_(FromFileBytes(text), QString::fromStdString(caption), icon);
}

void QtServices::ShowStatus() {
  if (!status_) {
    status_ = new frmStatus;
    CentreOver(status_, mainWindow_);
  }
  status_->show();
  status_->raise();
}

void QtServices::SetStatusTrendName(const std::string& name) {
  if (!status_) status_ = new frmStatus;  // written before shown: keep it for the next show
  status_->setTrendName(FromFileBytes(name));
}

void QtServices::HideStatus() {
  if (status_) status_->hide();
}

frmStatus* QtServices::StatusWindow() const { return status_; }

frmHelp* QtServices::HelpWindow() const { return help_; }

void QtServices::ShowHelp() {
  if (!help_) {
    help_ = new frmHelp;
    CentreOver(help_, nullptr);
  }
  help_->show();
  help_->raise();
  help_->activateWindow();
}

QList<QWidget*> QtServices::OpenWindows() {
  QList<QWidget*> windows;
  // Popups of combo boxes and the like are windows too, but belong to their owner.
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (!widget->parentWidget()) windows << widget;
  }
  return windows;
}

void QtServices::UnloadEveryWindow() {
  // Hidden now, destroyed once control is back in the event loop.
  for (QWidget* window : OpenWindows()) {
    window->hide();
    window->deleteLater();
  }
}

}  // namespace qmr
