// QMRRebuilder: the windowed program. It reads no settings or environment of
// its own and no command line beyond --version and --help; the main window
// is all there is.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ProgramVersion.h"
#include "forms/qt/ApplicationIcon.h"
#include "forms/qt/QtServices.h"
#include "forms/qt/frmQMRRebuilder.h"
#include "tools/FileTools.h"

namespace {

#if defined(__linux__)
// True when an environment variable is set to something.
bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}
#endif

// --version and --help answer without a window, so that they work where no
// display is; any other argument is left to Qt, which ignores what it does
// not know. Returns -1 when the window is to open.
int AnswerWithoutWindow(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("%s version %s\n", qmr::kApplicationTitle, qmr::kVersionText);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf(
          "Usage: QMRRebuilder\n\n"
          "Opens the window that rebuilds the master files (NAME.qmr) of trends from\n"
          "their numbered data files: pick the first data files (NAME.000) and\n"
          "rebuild. The program reads no other argument.\n\n"
          "  --help     print this text\n"
          "  --version  print the program's version\n\n"
          "For the command line (rebuild, check, scan, show): qmr --help.\n");
      return 0;
    }
  }
#if defined(__linux__)
  // Qt would abort with advice to reinstall; say what is missing instead.
  if (!IsSet("DISPLAY") && !IsSet("WAYLAND_DISPLAY") && !IsSet("QT_QPA_PLATFORM")) {
    std::fprintf(stderr,
                 "QMRRebuilder: no display found: neither DISPLAY nor WAYLAND_DISPLAY is set.\n"
                 "Start it from a desktop session, or set DISPLAY (for example DISPLAY=:0) to a running X\n"
                 "server; to rebuild from a terminal, use the command line tool: qmr --help.\n");
    return 1;
  }
#endif
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int answered = AnswerWithoutWindow(argc, argv); answered >= 0) return answered;
  qmr::AllowManyOpenFiles();
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
