#include "forms/frmQMRRebuilder.h"

#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include "forms/FormFont.h"
#include "forms/FormTexts.h"
#include "forms/Layout.h"
#include "forms/PathLists.h"
#include "forms/QtServices.h"
#include "forms/Twips.h"
#include "forms/TwipsGeometry.h"
#include "trends/Batch.h"

namespace qmr {

namespace {

QPushButton* AddButton(QWidget* parent, const char* name, const QString& text, const TwipsRect& box) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  SetTwipsGeometry(*button, box);
  return button;
}

std::string ToCoreText(const QString& text) { return QFile::encodeName(text).toStdString(); }

}  // namespace

QString DriveErrorText(const Error& error) {
  return QStringLiteral("Error %1 %2").arg(error.number()).arg(QString::fromStdString(error.description()));
}

frmQMRRebuilder::frmQMRRebuilder(QtServices& services, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint),
      services_(services),
      batch_(RebuildTrends) {
  setObjectName("frmQMRRebuilder");
  setWindowTitle(kApplicationTitle);
  setFont(FormFont());
  services_.setMainWindow(this);

  // Created in focus order: drive list, folder list, file list, OK, Close, Help.
  trendLocation_ = new QGroupBox(kTrendLocationCaption, this);
  trendLocation_->setObjectName("fraTrendLocation");
  SetTwipsGeometry(*trendLocation_, kTrendLocationBox);

  path_ = new QWidget(trendLocation_);
  path_->setObjectName("fraPath");
  SetTwipsGeometry(*path_, kPathBox);

  drives_ = new DriveList(path_);
  drives_->setObjectName("drvConvert");
  SetTwipsGeometry(*drives_, kDriveBox);

  folders_ = new FolderList(path_);
  folders_->setObjectName("dirConvert");
  SetTwipsGeometry(*folders_, kFolderBox);

  files_ = new FileList(trendLocation_);
  files_->setObjectName("filConvert");
  files_->setPattern("*.000");
  SetTwipsGeometry(*files_, kFileBox);

  multiSelect_ = new QLabel(kMultiSelectText, trendLocation_);
  multiSelect_->setObjectName("lblMultiSelect");
  multiSelect_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  multiSelect_->setWordWrap(true);
  SetTwipsGeometry(*multiSelect_, kMultiSelectBox);

  buttons_ = new QWidget(this);
  buttons_->setObjectName("fraButtons");
  SetTwipsGeometry(*buttons_, kButtonsBox);
  auto* ok = AddButton(buttons_, "cmdOK", "OK", kOKBox);
  ok->setDefault(true);  // Enter presses OK
  auto* close = AddButton(buttons_, "cmdClose", "Close", kCloseBox);
  auto* help = AddButton(buttons_, "cmdHelp", "Help", kHelpBox);
  setTabOrder(drives_, folders_);
  setTabOrder(folders_, files_);
  setTabOrder(files_, ok);
  setTabOrder(ok, close);
  setTabOrder(close, help);

  connect(drives_, &DriveList::driveChanged, this, &frmQMRRebuilder::OnDriveChanged);
  connect(folders_, &FolderList::pathChanged, this, &frmQMRRebuilder::OnFolderChanged);
  connect(ok, &QPushButton::clicked, this, &frmQMRRebuilder::OnOK);
  connect(close, &QPushButton::clicked, this, [this] { services_.ExitProgram(); });
  connect(help, &QPushButton::clicked, this, [this] { services_.ShowHelp(); });

  files_->setFolder(folders_->path());
  resize(TwipsToPixelsX(*this, kMainClientWidth), TwipsToPixelsY(*this, kMainClientHeight));
  if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  drives_->setFocus();
}

void frmQMRRebuilder::Load() {
  try {
    drives_->setDrive("c:");
  } catch (...) {
  }
  try {
    folders_->setPath("c:\\quorax\\data");
  } catch (...) {
  }
}

void frmQMRRebuilder::OnDriveChanged() {
  try {
    folders_->setPath(drives_->drive());
  } catch (const Error& error) {
    // The drive list keeps the new drive; the folder and file lists stay where they were.
    services_.Message(DriveErrorText(error), kApplicationTitle, MessageIcon::Warning);
  }
}

void frmQMRRebuilder::OnFolderChanged() { files_->setFolder(folders_->path()); }

void frmQMRRebuilder::OnOK() {
  // OK again while a batch pauses between trends: the running batch goes on alone.
  if (busy_) return;
  const QStringList selected = GetSelectedItems(*files_);
  if (selected.isEmpty()) {
    services_.Message(kEmptySelectionMessage, kApplicationTitle, MessageIcon::None);
    return;
  }
  // The core opens files by byte names; a name without an exact byte form
  // (outside the ANSI code page on Windows) would name another file or none.
  QStringList texts = selected;
  texts.prepend(folders_->path());
  for (const QString& text : texts) {
    if (QFile::decodeName(QFile::encodeName(text)) != text) {
      const Error error(ErrorCode::BadFileName);
      services_.Message(QStringLiteral("Error %1 %2: %3").arg(error.number()).arg(error.what(), text), kApplicationTitle,
                        MessageIcon::Error);
      return;
    }
  }
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(selected.size()));
  for (const QString& name : selected) names.push_back(ToCoreText(name));
  const std::string folder = ToCoreText(folders_->path());

  busy_ = true;
  try {
    batch_(folder, names, services_);
  } catch (const ProgramEnding&) {
    // Close during the batch: the windows are gone, nothing more to say.
  } catch (const BatchFailure& failure) {
    services_.HideStatus();
    services_.Message(QStringLiteral("The rebuild stopped at trend %1.\n\nError %2 %3")
                          .arg(QFile::decodeName(failure.trendName().c_str()))
                          .arg(failure.number())
                          .arg(QString::fromStdString(failure.description())),
                      kApplicationTitle, MessageIcon::Error);
  } catch (const std::exception& failure) {
    services_.HideStatus();
    services_.Message(QStringLiteral("The rebuild stopped.\n\n%1").arg(QString::fromLocal8Bit(failure.what())),
                      kApplicationTitle, MessageIcon::Error);
  }
  busy_ = false;
}

void frmQMRRebuilder::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  Arrange();
}

void frmQMRRebuilder::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) Arrange();  // restored: lay out again
}

void frmQMRRebuilder::closeEvent(QCloseEvent* event) {
  event->accept();
  services_.ExitProgram();
}

void frmQMRRebuilder::Arrange() {
  if (isMinimized() || !buttons_) return;  // minimised, or still being built
  const MinimumOuterSize minimum = CheckMinimumSize(WidthTwips(*this, width()), HeightTwips(*this, height()));
  if (minimum.outerWidth || minimum.outerHeight) {
    // The minimum holds for the outer size, title bar and borders included.
    const QRect outer = frameGeometry();
    const int outerWidth = minimum.outerWidth ? TwipsToPixelsX(*this, *minimum.outerWidth) : outer.width();
    const int outerHeight = minimum.outerHeight ? TwipsToPixelsY(*this, *minimum.outerHeight) : outer.height();
    resize(outerWidth - (outer.width() - width()), outerHeight - (outer.height() - height()));
  }

  LayoutFixed fixed;
  fixed.trendLocationTop = HeightTwips(*this, trendLocation_->y());
  fixed.pathLeft = WidthTwips(*this, path_->x());
  fixed.pathTop = HeightTwips(*this, path_->y());
  fixed.buttonsWidth = WidthTwips(*this, buttons_->width());
  fixed.buttonsHeight = HeightTwips(*this, buttons_->height());
  fixed.multiSelectHeight = HeightTwips(*this, multiSelect_->height());
  fixed.driveListHeight = HeightTwips(*this, drives_->height());
  const double dpi = logicalDpiX();
  const MainLayout l = ArrangeControls(WidthTwips(*this, width()), HeightTwips(*this, height()), fixed,
                                       [dpi](double twips) { return SnapToPixels(twips, dpi); });

  const auto x = [this](double twips) { return TwipsToPixelsX(*this, twips); };
  const auto y = [this](double twips) { return TwipsToPixelsY(*this, twips); };
  trendLocation_->resize(x(l.trendLocationWidth), y(l.trendLocationHeight));
  path_->resize(x(l.pathWidth), y(l.pathHeight));
  files_->setGeometry(x(l.fileLeft), files_->y(), x(l.fileWidth), y(l.fileHeight));
  buttons_->move(x(l.buttonsLeft), y(l.buttonsTop));
  SizePathLists(l.pathWidth, l.folderHeight);
  multiSelect_->setGeometry(x(l.multiSelectLeft), y(l.multiSelectTop), x(l.multiSelectWidth), multiSelect_->height());
}

void frmQMRRebuilder::SizePathLists(double pathWidth, double folderHeight) {
  drives_->resize(TwipsToPixelsX(*this, pathWidth), drives_->height());
  folders_->resize(TwipsToPixelsX(*this, pathWidth), TwipsToPixelsY(*this, folderHeight));
}

}  // namespace qmr
