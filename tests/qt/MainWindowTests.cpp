// The main window driven through its real controls over Qt's own folders:
// the chained lists, the selection OK takes, real rebuilds, input during a
// batch, Close. What the window decides is tested without a toolkit in
// tests/forms.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "forms/qt/PathLists.h"
#include "forms/qt/QtServices.h"
#include "forms/qt/frmQMRRebuilder.h"
#include "forms/qt/frmStatus.h"
#include "samples/SampleTrends.h"
#include "tests/support/PausingEvents.h"
#include "tools/Errors.h"
#include "trends/Batch.h"

using namespace qmr;

namespace {

struct Message {
  QString text;
  QString caption;
  MessageIcon icon;
  bool statusVisible;
};

struct Batch {
  std::string folder;
  std::vector<std::string> names;
};

// What the batch saw at each pause: the status window's state and name.
struct Pause {
  bool statusVisible;
  QString trendName;
};

using testsupport::PausingEvents;

std::string Native(const QString& path) { return QFile::encodeName(QDir::toNativeSeparators(path)).toStdString(); }

void FlushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace

class MainWindowTests : public QObject {
  Q_OBJECT

  std::unique_ptr<QTemporaryDir> folder_;
  std::unique_ptr<QtServices> services_;
  QPointer<frmQMRRebuilder> window_;
  std::vector<Message> messages_;
  std::vector<Batch> batches_;
  int ends_ = 0;

  template <typename T>
  T* child(const char* name) {
    T* found = window_->findChild<T*>(name);
    if (!found) qFatal("no control %s", name);
    return found;
  }
  FileList* files() { return child<FileList>("filConvert"); }
  FolderList* folders() { return child<FolderList>("dirConvert"); }
  // The window's current folder, and opening one as the folder list does.
  QString currentFolder() { return QFile::decodeName(QByteArray::fromStdString(window_->logic().Folder())); }
  void openFolder(const QString& folder) { window_->logic().SetFolder(QFile::encodeName(folder).toStdString()); }
  QString path(const QString& name) const { return QDir(folder_->path()).filePath(name); }
  void touch(const QString& name) {
    QFile file(path(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
  }
  void recordBatches() {
    window_->setBatchFunction([this](const std::string& f, const std::vector<std::string>& n, RebuildEvents&) {
      batches_.push_back({f, n});
    });
  }
  void clickItem(int row, Qt::KeyboardModifiers modifiers) {
    const QRect rect = files()->visualItemRect(files()->item(row));
    QTest::mouseClick(files()->viewport(), Qt::LeftButton, modifiers, rect.center());
  }
  bool masterWritten(const QString& trend) const { return QFileInfo(path(trend + ".qmr")).size() > 0; }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    QVERIFY(folder_->isValid());
    messages_.clear();
    batches_.clear();
    ends_ = 0;
    services_ = std::make_unique<QtServices>();
    services_->SetMessageFunction([this](const QString& text, const QString& caption, MessageIcon icon) {
      const frmStatus* status = services_->StatusWindow();
      messages_.push_back({text, caption, icon, status && status->isVisible()});
    });
    services_->SetEndFunction([this] { ++ends_; });
    window_ = new frmQMRRebuilder(*services_);
    window_->load();
    window_->show();
  }
  void cleanup() {
    qDeleteAll(QtServices::OpenWindows());
    FlushDeletes();
    services_.reset();
  }

  void loadStepStaysInTheWorkingFolderSilently() {
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(folder_->path()));
    touch("HERE.000");
    delete window_.data();
    window_ = new frmQMRRebuilder(*services_);
    window_->load();
    QDir::setCurrent(before);
    QCOMPARE(currentFolder(), QDir::toNativeSeparators(folder_->path()));
    QCOMPARE(files()->count(), 1);
    QCOMPARE(files()->item(0)->text(), QString("HERE.000"));
    QVERIFY(messages_.empty());
  }

  void driveListShowsTheVolumesRootFirst() {
    auto* drives = child<DriveList>("drvConvert");
    QVERIFY(drives->count() >= 1);
#ifdef _WIN32
    QVERIFY(QRegularExpression("^[a-z]:$").match(drives->itemText(0)).hasMatch());
#else
    QCOMPARE(drives->itemText(0), QString("/"));
    QCOMPARE(drives->drive(), QStorageInfo(QDir::currentPath()).rootPath());
#endif
    for (int i = 0; i < drives->count(); ++i) QVERIFY(QFileInfo(drives->itemText(i) + "/").isDir());
  }

  void fileListShowsOrdinaryTrendFilesByName() {
    for (const char* name : {"b.000", "A.000", "C.000", "A.001", "notes.txt", ".hidden.000"}) touch(name);
    QVERIFY(QDir(folder_->path()).mkdir("FOLDER.000"));
    openFolder(folder_->path());
    QStringList shown;
    for (int row = 0; row < files()->count(); ++row) shown << files()->item(row)->text();
    QCOMPARE(shown, (QStringList{"A.000", "C.000", "b.000"}));
  }

  void openingAFolderMovesTheFileList() {
    QVERIFY(QDir(folder_->path()).mkpath("sub"));
    touch("sub/INNER.000");
    touch("OUTER.000");
    openFolder(folder_->path());
    QTreeWidgetItem* sub = folders()->findItems("sub", Qt::MatchExactly | Qt::MatchRecursive).value(0);
    QVERIFY(sub);
    const QRect rect = folders()->visualItemRect(sub);
    // A double click is a click followed by a second press that the system reports as double.
    QTest::mouseClick(folders()->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(folders()->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(currentFolder(), QDir::toNativeSeparators(path("sub")));
    QCOMPARE(files()->count(), 1);
    QCOMPARE(files()->item(0)->text(), QString("INNER.000"));
  }

  // Trend files copied in after the folder was opened appear when it is
  // opened again, or on F5.
  void openingTheOpenFolderAgainOrF5ReadsItAgain() {
    touch("A.000");
    openFolder(folder_->path());
    QCOMPARE(files()->count(), 1);
    touch("B.000");
    QTreeWidgetItem* current = folders()->currentItem();
    const QRect rect = folders()->visualItemRect(current);
    QTest::mouseClick(folders()->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(folders()->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(files()->count(), 2);
    touch("C.000");
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_));
    QTest::keyClick(files(), Qt::Key_F5);
    QCOMPARE(files()->count(), 3);
    QCOMPARE(currentFolder(), QDir::toNativeSeparators(folder_->path()));
  }

  void missingFolderFailsAndStays() {
    openFolder(folder_->path());
    try {
      openFolder(path("missing"));
      QFAIL("a missing folder was accepted");
    } catch (const Error& error) {
      QCOMPARE(error.number(), static_cast<int>(ErrorCode::PathNotFound));
      QVERIFY(!error.description().empty());
    }
    QCOMPARE(currentFolder(), QDir::toNativeSeparators(folder_->path()));
  }

  void selectionReachesTheBatchInListOrder_data() {
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<QList<Qt::KeyboardModifiers>>("modifiers");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("control: third, first, second")
        << QList<int>{2, 0, 1} << QList<Qt::KeyboardModifiers>{{}, Qt::ControlModifier, Qt::ControlModifier}
        << QStringList{"A.000", "B.000", "C.000"};
    QTest::newRow("shift range upwards") << QList<int>{3, 1} << QList<Qt::KeyboardModifiers>{{}, Qt::ShiftModifier}
                                         << QStringList{"B.000", "C.000", "D.000"};
    QTest::newRow("control toggles off") << QList<int>{0, 3, 0}
                                         << QList<Qt::KeyboardModifiers>{{}, Qt::ControlModifier, Qt::ControlModifier}
                                         << QStringList{"D.000"};
    QTest::newRow("plain click clears the rest")
        << QList<int>{0, 1, 2} << QList<Qt::KeyboardModifiers>{{}, Qt::ControlModifier, {}} << QStringList{"C.000"};
  }
  void selectionReachesTheBatchInListOrder() {
    QFETCH(QList<int>, clicks);
    QFETCH(QList<Qt::KeyboardModifiers>, modifiers);
    QFETCH(QStringList, expected);
    for (const char* name : {"A.000", "B.000", "C.000", "D.000"}) touch(name);
    openFolder(folder_->path());
    recordBatches();
    for (int i = 0; i < clicks.size(); ++i) clickItem(clicks[i], modifiers[i]);
    QTest::mouseClick(child<QPushButton>("cmdOK"), Qt::LeftButton);
    QCOMPARE(batches_.size(), std::size_t{1});
    QCOMPARE(batches_[0].folder, Native(folder_->path()));
    QStringList names;
    for (const std::string& name : batches_[0].names) names << QString::fromStdString(name);
    QCOMPARE(names, expected);
  }

  void enterPressesOK() {
    touch("A.000");
    openFolder(folder_->path());
    recordBatches();
    clickItem(0, {});
    QTest::keyClick(files(), Qt::Key_Return);
    QCOMPARE(batches_.size(), std::size_t{1});
  }

  void enterInTheFolderListOpensTheFolderOnly() {
    QVERIFY(QDir(folder_->path()).mkpath("sub"));
    touch("sub/INNER.000");
    openFolder(folder_->path());
    recordBatches();
    folders()->setFocus();
    folders()->setCurrentItem(folders()->findItems("sub", Qt::MatchExactly | Qt::MatchRecursive).value(0));
    QTest::keyClick(folders(), Qt::Key_Return);
    QCOMPARE(currentFolder(), QDir::toNativeSeparators(path("sub")));
    QVERIFY(batches_.empty());
    QVERIFY(messages_.empty());
  }

  void doubleClickOnAFileOnlySelectsIt() {
    touch("A.000");
    touch("B.000");
    openFolder(folder_->path());
    recordBatches();
    const QRect rect = files()->visualItemRect(files()->item(1));
    QTest::mouseClick(files()->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(files()->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(GetSelectedItems(*files()), QStringList{"B.000"});
    QVERIFY(batches_.empty());
  }

  void driveListHasTheFocusAtStart() {
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_));
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("drvConvert"));
    QVERIFY(child<QPushButton>("cmdOK")->isDefault());
  }

  void realRebuildOfTwoTrends() {
    samples::WriteTrend(folder_->path().toStdString(), "TANK1", samples::RisingTrend(6, "Tank 1 level", 3));
    samples::WriteTrend(folder_->path().toStdString(), "FLOW", samples::RisingTrend(4, "Main line flow", 2));
    openFolder(folder_->path());
    QCOMPARE(files()->count(), 2);
    std::vector<Pause> pauses;
    window_->setBatchFunction([&](const std::string& f, const std::vector<std::string>& n, RebuildEvents& events) {
      PausingEvents observed(events, [&](int) {
        pauses.push_back({services_->StatusWindow()->isVisible(), services_->StatusWindow()->trendName()});
      });
      RebuildTrends(f, n, observed);
    });
    files()->selectAll();
    QTest::mouseClick(child<QPushButton>("cmdOK"), Qt::LeftButton);

    QVERIFY(masterWritten("FLOW"));
    QVERIFY(masterWritten("TANK1"));
    QCOMPARE(pauses.size(), std::size_t{2});
    QVERIFY(pauses[0].statusVisible && pauses[1].statusVisible);
    QCOMPARE(pauses[0].trendName, QString("FLOW"));
    QCOMPARE(pauses[1].trendName, QString("TANK1"));
    QCOMPARE(messages_.size(), std::size_t{1});
    QCOMPARE(messages_[0].text, QString("Your QMR files have been rebuilt"));
    QCOMPARE(messages_[0].caption, QString("QMR Rebuilder"));
    QCOMPARE(messages_[0].icon, MessageIcon::None);
    QVERIFY(!messages_[0].statusVisible);
  }

  void failingTrendIsReportedAndEndsTheBatch() {
    samples::WriteTrend(folder_->path().toStdString(), "AAA", samples::RisingTrend(6, "Blocked", 2));
    samples::WriteTrend(folder_->path().toStdString(), "BBB", samples::RisingTrend(6, "Never reached", 2));
    QVERIFY(QDir(folder_->path()).mkdir("AAA.qmr"));  // the master cannot be written over a folder
    openFolder(folder_->path());
    files()->selectAll();
    QTest::mouseClick(child<QPushButton>("cmdOK"), Qt::LeftButton);

    QVERIFY(!masterWritten("BBB"));
    QCOMPARE(messages_.size(), std::size_t{1});
    QCOMPARE(messages_[0].icon, MessageIcon::Error);
    QCOMPARE(messages_[0].caption, QString("QMR Rebuilder"));
    QVERIFY2(messages_[0].text.contains("AAA") && messages_[0].text.contains("Error "), qPrintable(messages_[0].text));
    QVERIFY2(messages_[0].text.endsWith("Rebuilt: none.\nNot rebuilt: AAA and BBB."), qPrintable(messages_[0].text));
    QVERIFY(!messages_[0].statusVisible);
    QVERIFY(!window_->busy());
  }

  void secondOKDuringABatchIsIgnored() {
    for (const char* name : {"ONE", "TWO"})
      samples::WriteTrend(folder_->path().toStdString(), name, samples::RisingTrend(5, name, 2));
    openFolder(folder_->path());
    int batches = 0;
    window_->setBatchFunction([&](const std::string& f, const std::vector<std::string>& n, RebuildEvents& events) {
      ++batches;
      PausingEvents pressing(events, [&](int) {
        QMetaObject::invokeMethod(child<QPushButton>("cmdOK"), &QPushButton::click, Qt::QueuedConnection);
      });
      RebuildTrends(f, n, pressing);
    });
    files()->selectAll();
    QTest::mouseClick(child<QPushButton>("cmdOK"), Qt::LeftButton);
    QCOMPARE(batches, 1);
    QVERIFY(masterWritten("ONE") && masterWritten("TWO"));
    QCOMPARE(messages_.size(), std::size_t{1});
    QCOMPARE(messages_[0].text, QString("Your QMR files have been rebuilt"));
    QVERIFY(!window_->busy());
    // Once the batch is over OK works again.
    QTest::mouseClick(child<QPushButton>("cmdOK"), Qt::LeftButton);
    QCOMPARE(messages_.size(), std::size_t{2});
  }

  void closeDuringABatchEndsBetweenTwoTrends() {
    for (const char* name : {"ONE", "TWO"})
      samples::WriteTrend(folder_->path().toStdString(), name, samples::RisingTrend(5, name, 2));
    openFolder(folder_->path());
    window_->setBatchFunction([&](const std::string& f, const std::vector<std::string>& n, RebuildEvents& events) {
      PausingEvents closing(events, [&](int pause) {
        if (pause == 2)
          QMetaObject::invokeMethod(child<QPushButton>("cmdClose"), &QPushButton::click, Qt::QueuedConnection);
      });
      RebuildTrends(f, n, closing);
    });
    files()->selectAll();
    QTest::mouseClick(child<QPushButton>("cmdOK"), Qt::LeftButton);
    QVERIFY(masterWritten("ONE"));
    QVERIFY(!QFileInfo::exists(path("TWO.qmr")));
    QCOMPARE(ends_, 1);
    QVERIFY(messages_.empty());
    FlushDeletes();
    QVERIFY(window_.isNull());
    QVERIFY(QtServices::OpenWindows().isEmpty());
  }

  void closeAfterABatchUnloadsEverything() {
    samples::WriteTrend(folder_->path().toStdString(), "ONE", samples::RisingTrend(5, "One", 2));
    openFolder(folder_->path());
    files()->selectAll();
    QTest::mouseClick(child<QPushButton>("cmdOK"), Qt::LeftButton);
    QVERIFY(masterWritten("ONE"));
    QVERIFY(services_->StatusWindow() && !services_->StatusWindow()->isVisible());  // hidden but loaded
    QTest::mouseClick(child<QPushButton>("cmdHelp"), Qt::LeftButton);
    QCOMPARE(QtServices::OpenWindows().size(), 3);
    QTest::mouseClick(child<QPushButton>("cmdClose"), Qt::LeftButton);
    QCOMPARE(ends_, 1);
    FlushDeletes();
    QVERIFY(QtServices::OpenWindows().isEmpty());
    QVERIFY(!services_->StatusWindow());
  }
};

QTEST_MAIN(MainWindowTests)
#include "MainWindowTests.moc"
