#include "upload/UploadQueue.h"

#include "UploadTestSession.h"
#include "VendraTest.h"
#include "common/MessageText.h"
#include "events/Log.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "settings/Preferences.h"

#include <QSignalSpy>

class TestUploadQueue : public QObject
{
    Q_OBJECT

private:
    QObject m_observer;
    // Every status change of every record, in order: (record, status).
    QList<QPair<UploadStatusPtr, UploadStatusCode>> m_changes;
    QList<int> m_queueStates;

    static bool settled(const UploadQueue &queue) { return queue.numUploadsInProgressOrWaiting() == 0; }

    int firstChange(const UploadStatusPtr &record, UploadStatusCode status) const
    {
        for (int i = 0; i < m_changes.size(); ++i) {
            if (m_changes.at(i).first == record && m_changes.at(i).second == status)
                return i;
        }
        return -1;
    }

    int lastChange(const UploadStatusPtr &record) const
    {
        for (int i = int(m_changes.size()) - 1; i >= 0; --i) {
            if (m_changes.at(i).first == record)
                return i;
        }
        return -1;
    }

private Q_SLOTS:
    void initTestCase()
    {
        Preferences::init();
        Log::init();
        auto &center = NotificationCenter::defaultCenter();
        center.addObserver(&m_observer, NotificationNames::UploadEventStatusUpdate,
                           [this](const Notification &n) {
                               const auto record = n.object().value<UploadStatusPtr>();
                               m_changes.append({record, record->status()});
                           });
        center.addObserver(&m_observer, NotificationNames::UploadEventQueueStatusUpdate,
                           [this](const Notification &n) { m_queueStates.append(n.object().toInt()); });
    }

    void init()
    {
        m_changes.clear();
        m_queueStates.clear();
        Log::instance()->clear();
        Preferences::instance()->setNumberSimultaneousUploads(4);
    }

    void cleanupTestCase()
    {
        Log::close();
        Preferences::close();
    }

    // A file before an album command finishes before it; a file after it waits for it.
    void albumCommandsAreBarriers()
    {
        UploadTestSession session;
        session.addAlbum(7, 0, u"Photos"_s);
        session.addAlbum(8, 7, u"X"_s);
        UploadQueue &queue = session.globals.uploadQueue();
        session.closeGate();

        queue.addFileUpload(QUrl::fromLocalFile(session.writeFile(u"a.bin"_s, "aaa")), u"Photos"_s, nullptr);
        queue.addFolderCreate(u"X"_s, u"Photos"_s, nullptr);
        queue.addFileUpload(QUrl::fromLocalFile(session.writeFile(u"b.bin"_s, "bbb")), u"Photos/X"_s,
                            nullptr);
        const QList<UploadStatusPtr> records = queue.waitingCommands();
        QCOMPARE(records.size(), 3);
        QCOMPARE(m_queueStates, (QList<int>{1, 1, 1}));

        QTRY_COMPARE_WITH_TIMEOUT(session.arrived(), 1, 30000);
        // A is held by the server: the album command and B must wait however many ticks go by.
        QTest::qWait(500);
        QCOMPARE(session.arrived(), 1);
        QCOMPARE(records.at(1)->status(), UploadStatusWaiting);
        QCOMPARE(records.at(2)->status(), UploadStatusWaiting);
        QCOMPARE(queue.numUploadsInProgress(), 1);
        QCOMPARE(queue.numUploadsInProgressOrWaiting(), quint64(3));

        session.openGate();
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 30000);
        for (const UploadStatusPtr &record : records) {
            QCOMPARE(record->status(), UploadStatusEnd);
            QVERIFY(record->bSucceeded());
        }
        QVERIFY(lastChange(records.at(0)) < firstChange(records.at(1), UploadStatusEnd));
        QVERIFY(lastChange(records.at(1)) < firstChange(records.at(2), UploadStatusStart));
        QCOMPARE(session.server.captures().size(), 2);
        QCOMPARE(session.server.captures().at(1).query, std::string("album=8"));
        // Busy once per command added, idle exactly once when the work is done.
        QTRY_COMPARE_WITH_TIMEOUT(m_queueStates, (QList<int>{1, 1, 1, 0}), 5000);
        QTest::qWait(300);
        QCOMPARE(m_queueStates, (QList<int>{1, 1, 1, 0}));
    }

    void parallelLimit_data()
    {
        QTest::addColumn<qint64>("preference");
        QTest::addColumn<int>("expected");
        QTest::newRow("four") << qint64(4) << 4;
        QTest::newRow("zero counts as one") << qint64(0) << 1;
        QTest::newRow("negative counts as one") << qint64(-3) << 1;
    }

    void parallelLimit()
    {
        QFETCH(qint64, preference);
        QFETCH(int, expected);
        Preferences::instance()->setNumberSimultaneousUploads(preference);
        UploadTestSession session;
        session.addAlbum(7, 0, u"Photos"_s);
        UploadQueue &queue = session.globals.uploadQueue();
        session.closeGate();
        for (int i = 0; i < 10; ++i) {
            queue.addFileUpload(
                QUrl::fromLocalFile(session.writeFile(u"f%1.bin"_s.arg(i), QByteArray(100, char(i)))),
                u"Photos"_s, nullptr);
        }
        QTRY_COMPARE_WITH_TIMEOUT(session.arrived(), expected, 30000);
        QTest::qWait(500);
        QCOMPARE(session.arrived(), expected);
        QCOMPARE(queue.runningUploads().size(), expected);
        QCOMPARE(queue.numUploadsInProgress(), expected);
        QCOMPARE(queue.numUploadsInQueue(), quint64(10 - expected));
        session.openGate();
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 30000);
        QCOMPARE(session.server.captures().size(), 10);
        QCOMPARE(queue.numUploadsInProgress(), 0);
    }

    // Failures at a command's turn are recorded and the queue moves on.
    void failuresDoNotStopTheQueue()
    {
        UploadTestSession session;
        session.addAlbum(7, 0, u"Photos"_s);
        UploadQueue &queue = session.globals.uploadQueue();
        const QString lost = session.writeFile(u"lost.bin"_s, "x");
        queue.addFileUpload(QUrl::fromLocalFile(lost), u"Gone"_s, nullptr);
        queue.addFolderCreate(u"Y"_s, u"Gone/Too"_s, nullptr);
        const QString later = session.writeFile(u"later.bin"_s, "y");
        queue.addFileUpload(QUrl::fromLocalFile(later), u"Photos"_s, nullptr);
        const QList<UploadStatusPtr> records = queue.waitingCommands();
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 30000);

        QCOMPARE(records.at(0)->status(), UploadStatusFailed);
        QCOMPARE(records.at(0)->error(), messageText(u"Text_DestAlbumMissing"_s));
        QCOMPARE(records.at(1)->status(), UploadStatusFailed);
        QCOMPARE(records.at(1)->error(), u"Parent Folder is missing."_s);
        QCOMPARE(records.at(2)->status(), UploadStatusEnd);
        QVERIFY(records.at(2)->bSucceeded());
        // The failed file is in the event log with its reason.
        QCOMPARE(Log::instance()->count(), 1);
        QCOMPARE(Log::instance()->objectAtIndex(0).path(), lost);
        QCOMPARE(Log::instance()->objectAtIndex(0).message(), records.at(0)->error());
    }

    void failedTransferGoesToTheLog()
    {
        UploadTestSession session;
        session.addAlbum(7, 0, u"Photos"_s);
        session.setAnswer({500, "oops"});
        UploadQueue &queue = session.globals.uploadQueue();
        const QString path = session.writeFile(u"refused.bin"_s, "abc");
        queue.addFileUpload(QUrl::fromLocalFile(path), u"Photos"_s, nullptr);
        const UploadStatusPtr record = queue.waitingCommands().first();
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 30000);
        QCOMPARE(record->status(), UploadStatusFailed);
        QCOMPARE(record->error(), u"File transfer error"_s);
        QCOMPARE(Log::instance()->count(), 1);
        QCOMPARE(Log::instance()->objectAtIndex(0).message(), u"File transfer error"_s);
        QCOMPARE(Log::instance()->objectAtIndex(0).path(), path);
    }

    void cancelOne()
    {
        Preferences::instance()->setNumberSimultaneousUploads(1);
        UploadTestSession session;
        session.addAlbum(7, 0, u"Photos"_s);
        UploadQueue &queue = session.globals.uploadQueue();
        session.closeGate();
        for (const QString &name : {u"run.bin"_s, u"wait.bin"_s, u"go.bin"_s})
            queue.addFileUpload(QUrl::fromLocalFile(session.writeFile(name, "abc")), u"Photos"_s, nullptr);
        const QList<UploadStatusPtr> records = queue.waitingCommands();
        QTRY_COMPARE_WITH_TIMEOUT(session.arrived(), 1, 30000);

        queue.cancelUploadForStatus(records.at(1));
        QCOMPARE(records.at(1)->status(), UploadStatusCancelled);
        QCOMPARE(queue.numUploadsInQueue(), quint64(1));
        queue.cancelUploadForStatus(records.at(0));
        QCOMPARE(records.at(0)->status(), UploadStatusCancelled);
        QCOMPARE(records.at(0)->error(), messageText(u"Text_Cancelled"_s));
        QCOMPARE(queue.numUploadsInProgress(), 0);

        session.openGate();
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 30000);
        QCOMPARE(records.at(2)->status(), UploadStatusEnd);
        QCOMPARE(records.at(1)->status(), UploadStatusCancelled);
        QCOMPARE(records.at(0)->status(), UploadStatusCancelled);
        QCOMPARE(Log::instance()->count(), 0);
    }

    void cancelAll()
    {
        Preferences::instance()->setNumberSimultaneousUploads(2);
        UploadTestSession session;
        session.addAlbum(7, 0, u"Photos"_s);
        UploadQueue &queue = session.globals.uploadQueue();
        session.closeGate();
        for (int i = 0; i < 5; ++i)
            queue.addFileUpload(QUrl::fromLocalFile(session.writeFile(u"c%1.bin"_s.arg(i), "abc")),
                                u"Photos"_s, nullptr);
        const QList<UploadStatusPtr> records = queue.waitingCommands();
        QTRY_COMPARE_WITH_TIMEOUT(session.arrived(), 2, 30000);
        m_queueStates.clear();

        queue.cancelAllUploads();
        QCOMPARE(m_queueStates, QList<int>{0});
        QCOMPARE(queue.numUploadsInProgressOrWaiting(), quint64(0));
        for (int i = 0; i < 5; ++i) {
            if (i < 2) {
                QCOMPARE(records.at(i)->status(), UploadStatusFailed);
                QCOMPARE(records.at(i)->error(), messageText(u"Cancelled"_s));
            } else {
                QCOMPARE(records.at(i)->status(), UploadStatusCancelled);
            }
        }
        session.openGate();
        QTest::qWait(300);
        QCOMPARE(Log::instance()->count(), 0);
        QCOMPARE(records.at(0)->status(), UploadStatusFailed);
    }

    void quitKeepsWaitingCommands()
    {
        UploadTestSession session;
        session.addAlbum(7, 0, u"Photos"_s);
        UploadQueue &queue = session.globals.uploadQueue();
        queue.quit();
        QVERIFY(queue.isQuit());
        QVERIFY(!queue.isRunning());
        queue.addFileUpload(QUrl::fromLocalFile(session.writeFile(u"q.bin"_s, "abc")), u"Photos"_s, nullptr);
        QTest::qWait(300);
        QCOMPARE(queue.numUploadsInQueue(), quint64(1));
        QCOMPARE(session.arrived(), 0);
        queue.start();
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 30000);
        QCOMPARE(session.arrived(), 1);
    }
};

VENDRA_TEST_MAIN(TestUploadQueue)
#include "tst_uploadqueue.moc"
