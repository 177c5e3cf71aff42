// The help and status windows, the services' window handling, and the font:
// every fixed text of every window shows whole in its box.
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "forms/qt/QtServices.h"
#include "forms/qt/frmHelp.h"
#include "forms/qt/frmQMRRebuilder.h"
#include "forms/qt/frmStatus.h"

using namespace qmr;

namespace {

// Deletes what was unloaded (windows are destroyed once back in the event loop).
void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

QList<QWidget*> WindowsNamed(const QString& name) {
  QList<QWidget*> found;
  for (QWidget* window : QtServices::OpenWindows())
    if (window->objectName() == name) found << window;
  return found;
}

// Every label of `window` whose text must show whole: the text, broken at
// blanks in the label's own font and alignment, stays inside the label.
void CheckLabelsFit(const QWidget& window) {
  const QList<QLabel*> labels = window.findChildren<QLabel*>();
  QVERIFY(!labels.isEmpty());
  for (const QLabel* label : labels) {
    if (label->text().isEmpty()) continue;
    const QRect box = label->contentsRect();
    const QRect needed = QFontMetrics(label->font())
                             .boundingRect(box, Qt::TextWordWrap | static_cast<int>(label->alignment()), label->text());
    QVERIFY2(label->wordWrap(), qPrintable(label->objectName()));
    QVERIFY2(box.contains(needed), qPrintable(QStringLiteral("%1 in %2: needs %3x%4, has %5x%6")
                                                  .arg(label->objectName(), window.objectName())
                                                  .arg(needed.width())
                                                  .arg(needed.height())
                                                  .arg(box.width())
                                                  .arg(box.height())));
  }
}

}  // namespace

class WindowTests : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    qDeleteAll(QtServices::OpenWindows());
    FlushDeletes();
  }

  void helpTwiceGivesOneWindowInFront() {
    QtServices services;
    frmQMRRebuilder main(services);
    main.show();
    auto* help = main.findChild<QPushButton*>("cmdHelp");
    QTest::mouseClick(help, Qt::LeftButton);
    QCOMPARE(WindowsNamed("frmHelp").size(), 1);
    QWidget* first = WindowsNamed("frmHelp").first();
    QLabel* version = first->findChild<QLabel*>("lblVersion");
    version->setText("marked");  // a second Help must not compose the line again
    main.activateWindow();
    QTest::mouseClick(help, Qt::LeftButton);
    QCOMPARE(WindowsNamed("frmHelp"), QList<QWidget*>{first});
    QVERIFY(first->isVisible());
    QCOMPARE(version->text(), QString("marked"));
  }

  void helpWindowTextsAndClose() {
    QtServices services;
    services.ShowHelp();
    frmHelp* help = services.HelpWindow();
    QVERIFY(help);
    QCOMPARE(help->windowTitle(), QString("Help"));
    QCOMPARE(help->size(), QSize(401, 289));
    const QString version = help->findChild<QLabel*>("lblVersion")->text();
    const QString head = "QMR Rebuilder version 1.01.000 ";
    QVERIFY(version.startsWith(head));
    QVERIFY(version.size() > head.size());  // our credit follows
    QCOMPARE(help->findChild<QLabel*>("Label1")->text(),
             QString("QMR Rebuilder re-creates damaged or missing QMR files for Quorax trends. "));
    QVERIFY(help->findChild<QLabel*>("Label4")->text().startsWith("NOTE: This program has minimal error checking."));
    auto* close = help->findChild<QPushButton*>("cmdClose");
    QCOMPARE(close->geometry(), QRect(304, 248, 89, 33));
    QVERIFY(!close->isDefault());

    QTest::mouseClick(close, Qt::LeftButton);
    FlushDeletes();
    QVERIFY(!services.HelpWindow());
    services.ShowHelp();  // afresh, with the same line
    QVERIFY(services.HelpWindow());
    QCOMPARE(services.HelpWindow()->findChild<QLabel*>("lblVersion")->text(), version);
  }

  void statusWindowIsOneInstanceKeepingItsName() {
    QtServices services;
    services.ShowStatus();
    frmStatus* status = services.StatusWindow();
    QVERIFY(status && status->isVisible());
    QCOMPARE(status->windowTitle(), QString("Quorax Trend Extender"));
    QCOMPARE(status->size(), QSize(312, 57));
    QCOMPARE(status->findChild<QLabel*>("Label1")->text(), QString("ReBuilding QMR Files ..."));
    QCOMPARE(status->findChild<QLabel*>("lblFileName")->text(), QString());
    services.SetStatusTrendName("TANK1");
    services.HideStatus();
    QVERIFY(!status->isVisible());
    services.ShowStatus();
    QCOMPARE(services.StatusWindow(), status);
    QCOMPARE(status->findChild<QLabel*>("lblFileName")->text(), QString("TANK1"));
    status->close();  // its title bar only hides it
    FlushDeletes();
    QCOMPARE(services.StatusWindow(), status);
  }

  // A long name with blanks: the one-line label shows its first line alone,
  // nothing of a second line under it.
  void statusNameShowsOnlyItsFirstLine() {
    QtServices services;
    services.ShowStatus();
    const QString name = "Boiler feed water pump number three discharge pressure at the north side header";
    services.SetStatusTrendName(name.toStdString());
    const QLabel* label = services.StatusWindow()->findChild<QLabel*>("lblFileName");
    QVERIFY(name.startsWith(label->text()) && label->text().size() < name.size());
    const QRect needed =
        QFontMetrics(label->font()).boundingRect(QRect(0, 0, label->width(), 1000), Qt::TextWordWrap, label->text());
    QVERIFY2(needed.height() <= label->height(), qPrintable(label->text()));
  }

  void everyWindowCarriesTheApplicationIcon() {
    QtServices services;
    frmQMRRebuilder main(services);
    services.ShowHelp();
    services.ShowStatus();
    for (const QWidget* window : {static_cast<QWidget*>(&main), static_cast<QWidget*>(services.HelpWindow()),
                                  static_cast<QWidget*>(services.StatusWindow())}) {
      QVERIFY2(!window->windowIcon().availableSizes().isEmpty(), qPrintable(window->objectName()));
      QVERIFY(window->windowIcon().availableSizes().contains(QSize(32, 32)));
    }
  }

  void exitUnloadsEveryWindowAndEndsOnce() {
    QtServices services;
    int ends = 0;
    services.SetEndFunction([&] { ++ends; });
    auto* main = new frmQMRRebuilder(services);
    main->show();
    services.ShowStatus();
    services.HideStatus();  // hidden but loaded
    services.ShowHelp();
    QCOMPARE(QtServices::OpenWindows().size(), 3);
    QTest::mouseClick(main->findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
    QCOMPARE(ends, 1);
    FlushDeletes();
    QVERIFY(QtServices::OpenWindows().isEmpty());
  }

  void frameCloseEndsLikeClose() {
    QtServices services;
    int ends = 0;
    services.SetEndFunction([&] { ++ends; });
    auto* main = new frmQMRRebuilder(services);
    main->show();
    services.ShowStatus();
    services.HideStatus();
    main->close();
    QCOMPARE(ends, 1);
    FlushDeletes();
    QVERIFY(QtServices::OpenWindows().isEmpty());
  }

  void everyFixedTextFitsItsBox() {
    QtServices services;
    frmQMRRebuilder main(services);
    main.show();
    CheckLabelsFit(main);
    main.resize(367, 367);  // the hint is narrowest at the minimum size
    QTRY_COMPARE(main.size(), QSize(367, 367));
    CheckLabelsFit(main);
    services.ShowHelp();
    CheckLabelsFit(*services.HelpWindow());
    services.ShowStatus();
    CheckLabelsFit(*services.StatusWindow());
  }
};

QTEST_MAIN(WindowTests)
#include "WindowTests.moc"
