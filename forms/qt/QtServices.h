// The window services over Qt: message boxes, the event pump, the status and
// help windows (one instance each), the list of open windows and the end of
// the program. Message boxes and the end of the program go through
// replaceable functions so that tests can record them instead of blocking on
// a modal box or leaving the process.
#pragma once

#include <QCoreApplication>
#include <QList>
#include <QPointer>
#include <QString>
#include <functional>

#include "forms/ProgramWindows.h"

class QWidget;

namespace qmr {

class frmHelp;
class frmStatus;

class QtServices : public ProgramWindows {
 public:
  using MessageFunction = std::function<void(const QString& text, const QString& caption, MessageIcon icon)>;

  QtServices();
  ~QtServices() override;
  QtServices(const QtServices&) = delete;
  QtServices& operator=(const QtServices&) = delete;

  void ShowStatus() override;
  void SetStatusTrendName(const std::string& name) override;
  void HideStatus() override;

  // The status window is centred over this window when it is first shown.
  void SetMainWindow(QWidget* window) { mainWindow_ = window; }
  frmStatus* StatusWindow() const;

  // Creates the help window when it is not open, shows it and brings it to the front.
  void ShowHelp() override;
  frmHelp* HelpWindow() const;

  // Every window of the program, shown or hidden (owned windows not included).
  static QList<QWidget*> OpenWindows();

  void SetMessageFunction(MessageFunction function) { message_ = std::move(function); }

 protected:
  void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
  void DeliverWaitingEvents() override { QCoreApplication::processEvents(); }
  void UnloadEveryWindow() override;

 private:
  MessageFunction message_;
  QPointer<QWidget> mainWindow_;
  QPointer<frmStatus> status_;
  QPointer<frmHelp> help_;
};

}  // namespace qmr
