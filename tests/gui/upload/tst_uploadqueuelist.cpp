#include "upload/UploadQueueList.h"

#include "AlbumTree.h"
#include "GuiTest.h"
#include "SessionTarget.h"
#include "TestFiles.h"
#include "events/Log.h"
#include "events/LogObject.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/SharedCookieJar.h"
#include "session/commsGlobals.h"
#include "settings/Preferences.h"
#include "upload/UploadQueue.h"
#include "upload/UploadQueueListModel.h"
#include "upload/UploadRetry.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

class TestUploadQueueList : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<ReferenceServer> m_server;
    std::unique_ptr<commsGlobals> m_globals;

    // Signs in to a fresh reference server with the given faults and loads the top-level albums.
    void signIn(const QStringList &arguments)
    {
        m_globals = std::make_unique<commsGlobals>();
        m_server = startServerFor(*m_globals, arguments);
        Error error;
        AlbumTree::signIn(*m_globals, error);
        QVERIFY(AlbumTree::reloadTopLevel(*m_globals, error));
        QVERIFY2(!error, qPrintable(error.toString()));
    }
    UploadStatusPtr queueFile(UploadQueueList &list, const QString &name, const QString &album)
    {
        const QString path = TestFiles::write(m_dir.filePath(name), QByteArray(1000, 'v'));
        m_globals->uploadQueue().addFileUpload(QUrl::fromLocalFile(path), album, nullptr);
        return list.uploadModel()->uploadAt(list.uploadModel()->rowCount() - 1);
    }
    static QString statusText(const UploadQueueList &list, int row)
    {
        return list.model()->index(row, UploadQueueListModel::StatusColumn).data().toString();
    }
    static int redPixels(const QImage &image, const QRect &rect)
    {
        int count = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                count += c.red() > 140 && c.green() < 90 && c.blue() < 90;
            }
        }
        return count;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        Preferences::init();
        Log::init();
    }
    void init()
    {
        Preferences::instance()->setNumberSimultaneousUploads(1);
        Log::instance()->clear();
    }
    void cleanup()
    {
        m_globals.reset();
        // Idle keep-alive connections would hold the server's shutdown up.
        m_server.reset();
        SharedCookieJar::instance().clear();
    }
    void cleanupTestCase()
    {
        Log::close();
        Preferences::close();
    }

    // A running upload spins and updates its own row; Delete on a waiting one cancels it; the
    // finished one leaves.
    void uploadsRunWaitAndLeave()
    {
        signIn({u"--fault"_s, u"upload-delay=1500"_s});
        UploadQueueList list;
        list.resize(900, 200);
        list.show();
        QSignalSpy reset(list.model(), &QAbstractItemModel::modelReset);
        QSignalSpy changed(list.model(), &QAbstractItemModel::dataChanged);

        const UploadStatusPtr first = queueFile(list, u"first.jpg"_s, u"Holidays"_s);
        const UploadStatusPtr second = queueFile(list, u"second.jpg"_s, u"Holidays"_s);
        QCOMPARE(list.model()->rowCount(), 2);
        QTRY_VERIFY_WITH_TIMEOUT(
            first->status() == UploadStatusStart || first->status() == UploadStatusProgress, 10000);
        QVERIFY(list.model()->index(0, 0).data(UploadQueueListModel::IsSpinningRole).toBool());
        QCOMPARE(statusText(list, 1), u"Waiting"_s);
        QVERIFY(!list.model()->index(1, 0).data(UploadQueueListModel::IsSpinningRole).toBool());

        list.selectRow(1);
        QTest::keyClick(&list, Qt::Key_Delete);
        QCOMPARE(second->status(), UploadStatusCancelled);
        QCOMPARE(list.model()->rowCount(), 1);
        QCOMPARE(list.uploadModel()->uploadAt(0), first);

        QTRY_COMPARE_WITH_TIMEOUT(list.model()->rowCount(), 0, 20000);
        QCOMPARE(first->status(), UploadStatusEnd);
        QVERIFY(QFileInfo::exists(m_server->albumFilePath(u"demo"_s, u"Holidays"_s, u"first.jpg"_s)));
        QVERIFY(!QFileInfo::exists(m_server->albumFilePath(u"demo"_s, u"Holidays"_s, u"second.jpg"_s)));
        QVERIFY(changed.count() > 0);
        QCOMPARE(reset.count(), 0);
    }

    // Space pauses and resumes the queue; failed rows are retried from the menu, and copied or saved
    // as CSV with file, album and reason, quoted where a field needs it.
    void spacePausesAndFailedRowsAreRetriedOrListed()
    {
        signIn({u"--fault"_s, u"upload-action=QUOTA_EXCEEDED"_s});
        UploadQueueList list;
        list.resize(900, 200);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        UploadQueue &queue = m_globals->uploadQueue();
        QTest::keyClick(&list, Qt::Key_Space);
        QVERIFY(queue.isPaused() && list.pauseAction()->isChecked());
        const UploadStatusPtr record = queueFile(list, u"a, \"quoted\".jpg"_s, u"Holidays"_s);
        QTest::qWait(400);
        QCOMPARE(record->status(), UploadStatusWaiting);
        QVERIFY(!list.retryAllFailedAction()->isEnabled());
        QTest::keyClick(&list, Qt::Key_Space);
        QVERIFY(!queue.isPaused());
        QTRY_COMPARE_WITH_TIMEOUT(record->status(), UploadStatusFailed, 20000);
        QTRY_VERIFY(list.retryAllFailedAction()->isEnabled());

        // A field with a comma or a quote is quoted, its quotes doubled.
        const QString expected = u"file,album,reason\r\n\"%1\",Holidays,%2\r\n"_s.arg(
            record->localFilePath().toLocalFile().replace(u'"', u"\"\""_s), record->error());
        list.copyFailedList();
        QCOMPARE(QGuiApplication::clipboard()->text(), expected);
        const QString saved = m_dir.filePath(u"failed.csv"_s);
        QVERIFY(list.saveFailedList(saved));
        QCOMPARE(QString::fromUtf8(TestFiles::read(saved)), expected);
        QVERIFY(!list.saveFailedList(m_dir.filePath(u"no/such/folder/failed.csv"_s)));

        // Retried by hand: tried once more, refused once more.
        list.retryAllFailedAction()->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(record->status(), UploadStatusFailed, 20000);
        QCOMPARE(list.model()->rowCount(), 1);
        QCOMPARE(Log::instance()->count(), 2);
    }

    void failedRowStaysRedUntilDismissed_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("server error") << u"upload-status=500"_s;
        QTest::newRow("connection reset") << u"upload-reset=200"_s;
        QTest::newRow("refused by the server") << u"upload-action=QUOTA_EXCEEDED"_s;
    }

    void failedRowStaysRedUntilDismissed()
    {
        QFETCH(QString, fault);
        signIn({u"--fault"_s, fault});
        // A 500 or a reset would be tried again first; here the failure itself is under test.
        commsGlobal->uploadQueue().retry().setTriesOverride(1);
        // In a window with a shortcut on the key that dismisses a row.
        QWidget window;
        UploadQueueList &list = *new UploadQueueList(&window);
        list.resize(900, 200);
        QAction shortcut(&window);
        shortcut.setShortcut(Qt::Key_Delete);
        window.addAction(&shortcut);
        QSignalSpy triggered(&shortcut, &QAction::triggered);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        list.setFocus();
        const UploadStatusPtr record = queueFile(list, u"refused.jpg"_s, u"Holidays"_s);
        QTRY_COMPARE_WITH_TIMEOUT(record->status(), UploadStatusFailed, 20000);
        QTest::qWait(300);
        QCOMPARE(list.model()->rowCount(), 1);
        QVERIFY(!record->error().isEmpty());
        QCOMPARE(statusText(list, 0), record->error());
        // The queue logs the failure against the local file.
        QCOMPARE(Log::instance()->count(), 1);
        QCOMPARE(Log::instance()->objectAtIndex(0).message(), record->error());

        const QImage image = list.viewport()->grab().toImage();
        const QRect status = list.visualRect(list.model()->index(0, UploadQueueListModel::StatusColumn));
        QVERIFY2(redPixels(image, status) > 20, "the failed row's status is not drawn in red");

        // Dismissing does not go back to the queue; the list's key wins over the window's shortcut.
        int notified = 0;
        QObject observer;
        NotificationCenter::defaultCenter().addObserver(&observer, NotificationNames::UploadEventStatusUpdate,
                                                        [&](const Notification &) { ++notified; });
        list.selectRow(0);
        QTest::keyClick(&window, Qt::Key_Delete); // elsewhere in the window the shortcut answers
        QCOMPARE(triggered.count(), 1);
        QTest::keyClick(&list, Qt::Key_Delete);
        QCOMPARE(triggered.count(), 1);
        QCOMPARE(list.model()->rowCount(), 0);
        QCOMPARE(record->status(), UploadStatusFailed);
        QCOMPARE(notified, 0);
    }
};

VENDRA_GUI_TEST_MAIN(TestUploadQueueList)
#include "tst_uploadqueuelist.moc"
