// The main window's layout rule in twips, and the same rule applied to the
// real window at 96 dpi (15 twips a pixel).
#include <QApplication>
#include <QLabel>
#include <QTest>

#include "forms/Layout.h"
#include "forms/QtServices.h"
#include "forms/Twips.h"
#include "forms/frmQMRRebuilder.h"

using namespace qmr;

class LayoutTests : public QObject {
  Q_OBJECT

 private slots:
  void twipsConvertAtTheScreenResolution() {
    QCOMPARE(TwipsToPixels(5505, 96), 367);
    QCOMPARE(TwipsToPixels(5685, 96), 379);
    QCOMPARE(TwipsToPixels(1440, 120), 120);
    QCOMPARE(PixelsToTwips(400, 96), 6000.0);
    QCOMPARE(SnapToPixels(2152.5, 96), 2160.0);  // 143.5 pixels round up to 144
  }

  void clientOf6000By6000() {
    const MainLayout l = ArrangeControls(6000, 6000);
    QCOMPARE(l.trendLocationWidth, 5520.0);
    QCOMPARE(l.trendLocationHeight, 4905.0);
    for (double width : {l.pathWidth, l.driveWidth, l.folderWidth, l.fileWidth}) QCOMPARE(width, 2400.0);
    QCOMPARE(l.pathHeight, 3690.0);
    QCOMPARE(l.fileHeight, 3690.0);
    QCOMPARE(l.fileLeft, 2880.0);
    QCOMPARE(l.folderHeight, 3255.0);
    QCOMPARE(l.buttonsTop, 5265.0);
    QCOMPARE(l.buttonsLeft, 1905.0);
    QCOMPARE(l.multiSelectWidth, 5040.0);
    QCOMPARE(l.multiSelectTop, 4410.0);
    QCOMPARE(l.multiSelectLeft, 240.0);
  }

  void designClientSizeKeepsTheHalfTwip() {
    const MainLayout l = ArrangeControls(5505, 5685);
    QCOMPARE(l.pathWidth, 2152.5);
    QCOMPARE(l.trendLocationWidth, 5025.0);
  }

  void closedForm_data() {
    QTest::addColumn<double>("W");
    QTest::addColumn<double>("H");
    QTest::addColumn<double>("driveHeight");
    QTest::newRow("square") << 6000.0 << 6000.0 << 315.0;
    QTest::newRow("wide") << 12000.0 << 5500.0 << 330.0;
    QTest::newRow("tall") << 5500.0 << 15000.0 << 300.0;
    QTest::newRow("odd") << 7001.0 << 8003.0 << 315.0;
  }
  void closedForm() {
    QFETCH(double, W);
    QFETCH(double, H);
    QFETCH(double, driveHeight);
    LayoutFixed fixed;
    fixed.driveListHeight = driveHeight;
    const MainLayout l = ArrangeControls(W, H, fixed);
    QCOMPARE(l.trendLocationWidth, W - 480);
    QCOMPARE(l.trendLocationHeight, H - 1095);
    QCOMPARE(l.pathWidth, (W - 1200) / 2);
    QCOMPARE(l.pathHeight, H - 2310);
    QCOMPARE(l.fileLeft, (W - 1200) / 2 + 480);
    QCOMPARE(l.fileWidth, l.pathWidth);
    QCOMPARE(l.fileHeight, l.pathHeight);
    QCOMPARE(l.buttonsTop, H - 735);
    QCOMPARE(l.buttonsLeft, W - 4095);
    QCOMPARE(l.folderHeight, H - 2310 - driveHeight - 120);
    QCOMPARE(l.multiSelectWidth, W - 960);
    QCOMPARE(l.multiSelectTop, H - 1590);
    QCOMPARE(l.multiSelectLeft, 240.0);
  }

  void laterStepsBuildOnSnappedValues() {
    const MainLayout l = ArrangeControls(5505, 5685, {}, [](double twips) { return SnapToPixels(twips, 96); });
    QCOMPARE(l.pathWidth, 2160.0);
    QCOMPARE(l.fileLeft, 2160.0 + 480);
  }

  void minimumAppliesToTheOuterSize_data() {
    QTest::addColumn<double>("W");
    QTest::addColumn<double>("H");
    QTest::addColumn<bool>("setsWidth");
    QTest::addColumn<bool>("setsHeight");
    QTest::newRow("dragged low") << 6000.0 << 5400.0 << false << true;
    QTest::newRow("dragged narrow") << 5499.0 << 9000.0 << true << false;
    QTest::newRow("both") << 100.0 << 100.0 << true << true;
    QTest::newRow("exactly the minimum") << 5500.0 << 5500.0 << false << false;
  }
  void minimumAppliesToTheOuterSize() {
    QFETCH(double, W);
    QFETCH(double, H);
    QFETCH(bool, setsWidth);
    QFETCH(bool, setsHeight);
    const MinimumOuterSize minimum = CheckMinimumSize(W, H);
    QCOMPARE(minimum.outerWidth.has_value(), setsWidth);
    QCOMPARE(minimum.outerHeight.has_value(), setsHeight);
    if (setsWidth) QCOMPARE(*minimum.outerWidth, 5500.0);
    if (setsHeight) QCOMPARE(*minimum.outerHeight, 5500.0);
  }

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
#include "layout_tests.moc"
