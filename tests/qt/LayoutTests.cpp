// The main window's layout rule applied to the real Qt window at 96 dpi (15
// twips a pixel); the rule itself in twips is tested in tests/forms.
#include <QApplication>
#include <QLabel>
#include <QTest>

#include "forms/Layout.h"
#include "forms/Twips.h"
#include "forms/qt/QtServices.h"
#include "forms/qt/frmQMRRebuilder.h"

using namespace qmr;

class LayoutTests : public QObject {
  Q_OBJECT

 private slots:
  void windowFollowsItsSize() {
    QtServices services;
    frmQMRRebuilder window(services);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.resize(400, 400);  // 6000 by 6000 twips
    QTRY_COMPARE(window.size(), QSize(400, 400));
    const auto geometry = [&](const char* name) { return window.findChild<QWidget*>(name)->geometry(); };
    QCOMPARE(geometry("fraTrendLocation"), QRect(8, 8, 368, 327));
    QCOMPARE(geometry("fraPath"), QRect(16, 32, 160, 246));
    QCOMPARE(geometry("filConvert"), QRect(192, 32, 160, 246));
    QCOMPARE(geometry("drvConvert"), QRect(0, 0, 160, 21));
    QCOMPARE(geometry("dirConvert"), QRect(0, 24, 160, 217));
    QCOMPARE(geometry("fraButtons"), QRect(127, 351, 257, 33));
    QCOMPARE(geometry("lblMultiSelect"), QRect(16, 294, 336, 17));
  }

  void windowKeepsItsMinimumAndStaysStillWhileMinimised() {
    QtServices services;
    frmQMRRebuilder window(services);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.resize(300, 500);
    const int outerMinimum = TwipsToPixels(5500, 96);
    QTRY_COMPARE(window.frameGeometry().width(), outerMinimum);
    QCOMPARE(window.height(), 500);

    window.resize(450, 450);
    QTRY_COMPARE(window.size(), QSize(450, 450));
    const QRect files = window.findChild<QWidget*>("filConvert")->geometry();
    window.setWindowState(Qt::WindowMinimized);
    window.resize(600, 600);
    QTRY_COMPARE(window.size(), QSize(600, 600));
    QCOMPARE(window.findChild<QWidget*>("filConvert")->geometry(), files);
    window.setWindowState(Qt::WindowNoState);
    QTRY_VERIFY(window.findChild<QWidget*>("filConvert")->geometry() != files);
  }
};

QTEST_MAIN(LayoutTests)
#include "LayoutTests.moc"
