// QMRRebuilder: the windowed program. It reads no command line, settings or
// environment of its own; the main window is all there is.
#include <QApplication>

#include "ProgramVersion.h"
#include "forms/qt/ApplicationIcon.h"
#include "forms/qt/QtServices.h"
#include "forms/qt/frmQMRRebuilder.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(qmr::kApplicationTitle);
  QApplication::setApplicationVersion(qmr::kVersionText);
  // Every window and message box carries the application icon.
  QApplication::setWindowIcon(qmr::ApplicationIcon());
  // The desktop entry the package installs, for desktops that match windows
  // to their menu entry by it.
  QGuiApplication::setDesktopFileName("qmr-rebuilder");

  qmr::QtServices services;
  auto* main = new qmr::frmQMRRebuilder(services);
  main->load();
  main->show();
  const int result = QApplication::exec();
  // Close ends the event loop with every window hidden and marked for
  // unloading; destroy them before the application object goes.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  qDeleteAll(qmr::QtServices::OpenWindows());
  return result;
}
