#include "forms/qt/frmQMRRebuilder.h"

#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include "forms/FormTexts.h"
#include "forms/Layout.h"
#include "forms/Twips.h"
#include "forms/qt/ApplicationIcon.h"
#include "forms/qt/FormFont.h"
#include "forms/qt/PathLists.h"
#include "forms/qt/QtServices.h"
#include "forms/qt/TwipsGeometry.h"
#include "tools/Errors.h"

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

frmQMRRebuilder::frmQMRRebuilder(QtServices& services, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint),
      services_(services) {
  setObjectName("frmQMRRebuilder");
  setWindowTitle(kApplicationTitle);
  setWindowIcon(ApplicationIcon());
  setFont(FormFont());
  services_.SetMainWindow(this);

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

  connect(drives_, &DriveList::driveChanged, this, &frmQMRRebuilder::onDriveChanged);
  connect(folders_, &FolderList::pathChanged, this, &frmQMRRebuilder::onFolderChanged);
  connect(ok, &QPushButton::clicked, this, &frmQMRRebuilder::onOK);
  connect(close, &QPushButton::clicked, this, [this] { services_.ExitProgram(); });
  connect(help, &QPushButton::clicked, this, [this] { services_.ShowHelp(); });
  // F5 reads the folder and file lists again.
  connect(new QShortcut(QKeySequence(Qt::Key_F5), this), &QShortcut::activated, this, [this] {
    try {
      folders_->setPath(folders_->path());
    } catch (const Error&) {
      // The folder went away: the lists stay as they were.
    }
  });

  files_->setFolder(folders_->path());
  resize(TwipsToPixelsX(*this, kMainClientWidth), TwipsToPixelsY(*this, kMainClientHeight));
  if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  drives_->setFocus();
}

void frmQMRRebuilder::load() {
  try {
    drives_->setDrive("c:");
  } catch (...) {
  }
  try {
    folders_->setPath("c:\\quorax\\data");
  } catch (...) {
  }
}

void frmQMRRebuilder::onDriveChanged() {
  try {
    folders_->setPath(drives_->drive());
  } catch (const Error& error) {
    // The drive list keeps the new drive; the folder and file lists stay where they were.
    services_.ShowMessage(DriveErrorText(error.number(), error.description()), MessageIcon::Warning);
  }
}

void frmQMRRebuilder::onFolderChanged() { files_->setFolder(folders_->path()); }

void frmQMRRebuilder::onOK() {
  if (batch_.Busy()) return;  // the running batch goes on alone
  const QStringList selected = GetSelectedItems(*files_);
  // The core opens files by byte names; a name without an exact byte form
  // (outside the ANSI code page on Windows) would name another file or none.
  if (!selected.isEmpty()) {
    const QStringList texts = QStringList(selected) << folders_->path();
    for (const QString& text : texts) {
      if (QFile::decodeName(QFile::encodeName(text)) != text) {
        services_.ShowMessage(BadNameText(text.toStdString()), MessageIcon::Error);
        return;
      }
    }
  }
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(selected.size()));
  for (const QString& name : selected) names.push_back(ToCoreText(name));
  batch_.Run(ToCoreText(folders_->path()), names, services_);
}

void frmQMRRebuilder::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  arrange();
}

void frmQMRRebuilder::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) arrange();  // restored: lay out again
}

void frmQMRRebuilder::closeEvent(QCloseEvent* event) {
  event->accept();
  services_.ExitProgram();
}

void frmQMRRebuilder::arrange() {
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
  const MainLayout layout = ArrangeControls(WidthTwips(*this, width()), HeightTwips(*this, height()), fixed,
                                            [dpi](double twips) { return SnapToPixels(twips, dpi); });

  const auto x = [this](double twips) { return TwipsToPixelsX(*this, twips); };
  const auto y = [this](double twips) { return TwipsToPixelsY(*this, twips); };
  trendLocation_->resize(x(layout.trendLocationWidth), y(layout.trendLocationHeight));
  path_->resize(x(layout.pathWidth), y(layout.pathHeight));
  files_->setGeometry(x(layout.fileLeft), files_->y(), x(layout.fileWidth), y(layout.fileHeight));
  buttons_->move(x(layout.buttonsLeft), y(layout.buttonsTop));
  SizePathLists(layout.pathWidth, layout.folderHeight);
  multiSelect_->setGeometry(x(layout.multiSelectLeft), y(layout.multiSelectTop), x(layout.multiSelectWidth),
                            multiSelect_->height());
}

void frmQMRRebuilder::SizePathLists(double pathWidth, double folderHeight) {
  drives_->resize(TwipsToPixelsX(*this, pathWidth), drives_->height());
  folders_->resize(TwipsToPixelsX(*this, pathWidth), TwipsToPixelsY(*this, folderHeight));
}

}  // namespace qmr
