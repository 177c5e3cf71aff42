#include "forms/qt/frmQMRRebuilder.h"

#include <QCloseEvent>
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

namespace qmr {

namespace {

QPushButton* AddButton(QWidget* parent, const char* name, const QString& text, const TwipsRect& box) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(name);
  SetTwipsGeometry(*button, box);
  return button;
}

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

  main_ = std::make_unique<MainWindow>(*this, services_);
  connect(drives_, &DriveList::driveChosen, this,
          [this](int index) { main_->DriveChosen(static_cast<std::size_t>(index)); });
  connect(folders_, &FolderList::folderOpened, this,
          [this](int line) { main_->FolderOpened(static_cast<std::size_t>(line)); });
  connect(ok, &QPushButton::clicked, this, [this] { main_->OK(); });
  connect(close, &QPushButton::clicked, this, [this] { main_->Close(); });
  connect(help, &QPushButton::clicked, this, [this] { main_->Help(); });
  // F5 reads the folder and file lists again.
  connect(new QShortcut(QKeySequence(Qt::Key_F5), this), &QShortcut::activated, this, [this] { main_->ReadAgain(); });

  resize(TwipsToPixelsX(*this, kMainClientWidth), TwipsToPixelsY(*this, kMainClientHeight));
  if (const QScreen* screen = this->screen()) move(screen->availableGeometry().center() - rect().center());
  drives_->setFocus();
}

void frmQMRRebuilder::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (main_) main_->Arrange();
}

void frmQMRRebuilder::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && main_) main_->Arrange();  // restored: lay out again
}

void frmQMRRebuilder::closeEvent(QCloseEvent* event) {
  event->accept();
  main_->Close();
}

std::vector<std::string> frmQMRRebuilder::MachineDrives() { return qtfolders::MachineDrives(); }
OpenableFolder frmQMRRebuilder::WorkingFolder() { return qtfolders::WorkingFolder(); }
std::string frmQMRRebuilder::DriveOf(const std::string& folder) { return qtfolders::DriveOf(folder); }
bool frmQMRRebuilder::SameDrive(const std::string& a, const std::string& b) { return qtfolders::SameDrive(a, b); }
OpenableFolder frmQMRRebuilder::Openable(const std::string& path) { return qtfolders::Openable(path); }
std::vector<ListedEntry> frmQMRRebuilder::ListFolder(const std::string& folder) {
  return qtfolders::ListFolder(folder);
}

void frmQMRRebuilder::ShowDrives(const std::vector<std::string>& drives, std::size_t current) {
  drives_->show(drives, current);
}
void frmQMRRebuilder::ShowFolders(const std::vector<FolderLine>& lines, std::size_t current) {
  folders_->show(lines, current);
}
void frmQMRRebuilder::ShowFiles(const std::vector<std::string>& names) { files_->show(names); }
std::vector<std::size_t> frmQMRRebuilder::SelectedFiles() { return SelectedRows(*files_); }

bool frmQMRRebuilder::CanArrange() { return !isMinimized() && buttons_; }
double frmQMRRebuilder::ClientWidth() { return WidthTwips(*this, width()); }
double frmQMRRebuilder::ClientHeight() { return HeightTwips(*this, height()); }

void frmQMRRebuilder::RaiseToMinimum(const MinimumOuterSize& minimum) {
  const QRect outer = frameGeometry();
  const int outerWidth = minimum.outerWidth ? TwipsToPixelsX(*this, *minimum.outerWidth) : outer.width();
  const int outerHeight = minimum.outerHeight ? TwipsToPixelsY(*this, *minimum.outerHeight) : outer.height();
  resize(outerWidth - (outer.width() - width()), outerHeight - (outer.height() - height()));
}

LayoutFixed frmQMRRebuilder::FixedBoxes() {
  LayoutFixed fixed;
  fixed.trendLocationTop = HeightTwips(*this, trendLocation_->y());
  fixed.pathLeft = WidthTwips(*this, path_->x());
  fixed.pathTop = HeightTwips(*this, path_->y());
  fixed.buttonsWidth = WidthTwips(*this, buttons_->width());
  fixed.buttonsHeight = HeightTwips(*this, buttons_->height());
  fixed.multiSelectHeight = HeightTwips(*this, multiSelect_->height());
  fixed.driveListHeight = HeightTwips(*this, drives_->height());
  return fixed;
}

double frmQMRRebuilder::Snap(double twips) { return SnapToPixels(twips, logicalDpiX()); }

void frmQMRRebuilder::Place(const MainLayout& layout) {
  const auto x = [this](double twips) { return TwipsToPixelsX(*this, twips); };
  const auto y = [this](double twips) { return TwipsToPixelsY(*this, twips); };
  trendLocation_->resize(x(layout.trendLocationWidth), y(layout.trendLocationHeight));
  path_->resize(x(layout.pathWidth), y(layout.pathHeight));
  files_->setGeometry(x(layout.fileLeft), files_->y(), x(layout.fileWidth), y(layout.fileHeight));
  buttons_->move(x(layout.buttonsLeft), y(layout.buttonsTop));
  // The drive list and the folder list fill the path frame.
  drives_->resize(x(layout.pathWidth), drives_->height());
  folders_->resize(x(layout.pathWidth), y(layout.folderHeight));
  multiSelect_->setGeometry(x(layout.multiSelectLeft), y(layout.multiSelectTop), x(layout.multiSelectWidth),
                            multiSelect_->height());
}

}  // namespace qmr
