#include "forms/qt/frmQMRRebuilder.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>

#include "forms/FormTexts.h"
#include "forms/qt/ApplicationIcon.h"
#include "forms/qt/FormFont.h"
#include "forms/qt/PathLists.h"
#include "forms/qt/QtServices.h"
#include "forms/qt/TwipsGeometry.h"

namespace qmr {

frmQMRRebuilder::frmQMRRebuilder(QtServices& services, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint),
      services_(services) {
  setObjectName("frmQMRRebuilder");
  setWindowTitle(kApplicationTitle);
  setWindowIcon(ApplicationIcon());
  setFont(FormFont());
  services_.SetMainWindow(this);

  // Made in focus order: drive list, folder list, file list, OK, Close, Help.
  for (const MainControlRow& row : MainControls()) {
    QWidget* made = Make(row, row.frame ? Widget(*row.frame) : this);
    made->setObjectName(row.name);
    SetTwipsGeometry(*made, row.box);
    controls_[static_cast<std::size_t>(row.control)] = made;
  }
  auto* ok = static_cast<QPushButton*>(Widget(MainControl::cmdOK));
  auto* close = static_cast<QPushButton*>(Widget(MainControl::cmdClose));
  auto* help = static_cast<QPushButton*>(Widget(MainControl::cmdHelp));
  ok->setDefault(true);  // Enter presses OK
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

QWidget* frmQMRRebuilder::Make(const MainControlRow& row, QWidget* frame) {
  switch (row.control) {
    case MainControl::fraTrendLocation: return new QGroupBox(row.caption, frame);
    case MainControl::drvConvert: return drives_ = new DriveList(frame);
    case MainControl::dirConvert: return folders_ = new FolderList(frame);
    case MainControl::filConvert: return files_ = new FileList(frame);
    case MainControl::lblMultiSelect: {
      auto* label = new QLabel(row.caption, frame);
      label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
      label->setWordWrap(true);
      return label;
    }
    case MainControl::cmdOK:
    case MainControl::cmdClose:
    case MainControl::cmdHelp: return new QPushButton(row.caption, frame);
    default: return new QWidget(frame);  // a plain container
  }
}

bool frmQMRRebuilder::CanArrange() { return !isMinimized() && Widget(MainControl::cmdHelp); }
Resolution frmQMRRebuilder::ScreenResolution() { return {double(logicalDpiX()), double(logicalDpiY())}; }

void frmQMRRebuilder::RaiseToMinimum(const OuterSize& minimum) {
  const QRect outer = frameGeometry();
  resize(minimum.width.value_or(outer.width()) - (outer.width() - width()),
         minimum.height.value_or(outer.height()) - (outer.height() - height()));
}

PixelRect frmQMRRebuilder::ControlBox(MainControl control) {
  const QRect box = Widget(control)->geometry();
  return {box.x(), box.y(), box.width(), box.height()};
}

void frmQMRRebuilder::Place(const std::vector<Placement>& placements) {
  for (const auto& [control, box] : placements) Widget(control)->setGeometry(box.left, box.top, box.width, box.height);
}

}  // namespace qmr
