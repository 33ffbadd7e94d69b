#include "upload/UploadQueue.h"

#include "UploadTestSession.h"
#include "VendraTest.h"
#include "common/MessageText.h"
#include "events/Log.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "settings/Preferences.h"
#include "upload/UploadRetry.h"

class TestUploadQueue : public QObject
{
    Q_OBJECT

private:
    QObject m_observer;
    // Every status change of every record, in order: (record, status).
    QList<QPair<UploadStatusPtr, UploadStatusCode>> m_changes;
    QList<int> m_queueStates;

    static bool settled(const UploadQueue &queue) { return queue.numUploadsInProgressOrWaiting() == 0; }

    // Where in m_changes the record last changed (first reached the status, when one is given).
    int change(const UploadStatusPtr &record, std::optional<UploadStatusCode> status = {}) const
    {
        int found = -1;
        for (int i = 0; i < m_changes.size() && (!status || found < 0); ++i) {
            if (m_changes.at(i).first == record && (!status || m_changes.at(i).second == *status))
                found = i;
        }
        return found;
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
        session.addAlbum(8, 7, u"X"_s);
        UploadQueue &queue = session.globals.uploadQueue();
        session.closeGate();
        const UploadStatusPtr a = session.queueFile(u"a.bin"_s);
        queue.addFolderCreate(u"X"_s, u"Photos"_s, nullptr);
        const UploadStatusPtr create = queue.waitingCommands().last();
        const UploadStatusPtr b = session.queueFile(u"b.bin"_s, u"Photos/X"_s);
        QCOMPARE(m_queueStates, (QList<int>{1, 1, 1}));

        QTRY_COMPARE_WITH_TIMEOUT(session.arrived(), 1, 30000);
        // A is held by the server: the album command and B must wait however many ticks go by.
        QTest::qWait(500);
        QCOMPARE(session.arrived(), 1);
        QCOMPARE(create->status(), UploadStatusWaiting);
        QCOMPARE(b->status(), UploadStatusWaiting);
        QCOMPARE(queue.numUploadsInProgress(), 1);
        QCOMPARE(queue.numUploadsInProgressOrWaiting(), quint64(3));

        session.openGate();
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 30000);
        for (const UploadStatusPtr &record : {a, create, b})
            QVERIFY(record->status() == UploadStatusEnd && record->bSucceeded());
        QVERIFY(change(a) < change(create, UploadStatusEnd));
        QVERIFY(change(create) < change(b, UploadStatusStart));
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
        UploadQueue &queue = session.globals.uploadQueue();
        session.closeGate();
        for (int i = 0; i < 10; ++i)
            session.queueFile(u"f%1.bin"_s.arg(i));
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

    // Failures at a command's turn are recorded, with the failed files in the event log, and the
    // queue moves on.
    void failuresDoNotStopTheQueue()
    {
        UploadTestSession session;
        session.setAnswer({500, "oops"});
        UploadQueue &queue = session.globals.uploadQueue();
        // A 500 would be tried again; here it stands for any failure.
        queue.retry().setTriesOverride(1);
        const UploadStatusPtr lost = session.queueFile(u"lost.bin"_s, u"Gone"_s);
        queue.addFolderCreate(u"Y"_s, u"Gone/Too"_s, nullptr);
        const UploadStatusPtr create = queue.waitingCommands().last();
        const UploadStatusPtr refused = session.queueFile(u"refused.bin"_s);
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 30000);

        const QList<QPair<UploadStatusPtr, QString>> failures{{lost, messageText(u"Text_DestAlbumMissing"_s)},
                                                              {create, u"Parent Folder is missing."_s},
                                                              {refused, u"File transfer error"_s}};
        for (const auto &[record, error] : failures)
            QVERIFY(record->status() == UploadStatusFailed && record->error() == error);
        QCOMPARE(session.arrived(), 1);
        QCOMPARE(Log::instance()->count(), 2);
        // Newest first.
        for (int i : {0, 1}) {
            const UploadStatusPtr &file = i == 0 ? refused : lost;
            QCOMPARE(Log::instance()->objectAtIndex(i).path(), file->localFilePath().toLocalFile());
            QCOMPARE(Log::instance()->objectAtIndex(i).message(), file->error());
        }
    }

    // Cancelling a waiting upload takes it out; cancelling a running one calls it back and lets the
    // next start. Cancelling all then ends the running ones failed with "Cancelled" and the waiting
    // ones cancelled, with the queue idle at once. None of them reaches the event log.
    void cancel()
    {
        Preferences::instance()->setNumberSimultaneousUploads(2);
        UploadTestSession session;
        UploadQueue &queue = session.globals.uploadQueue();
        session.closeGate();
        QList<UploadStatusPtr> records;
        for (int i = 0; i < 5; ++i)
            records.append(session.queueFile(u"c%1.bin"_s.arg(i)));
        QTRY_COMPARE_WITH_TIMEOUT(session.arrived(), 2, 30000);

        queue.cancelUploadForStatus(records[2]);
        QCOMPARE(records[2]->status(), UploadStatusCancelled);
        QCOMPARE(queue.numUploadsInQueue(), quint64(2));
        queue.cancelUploadForStatus(records[0]);
        QCOMPARE(records[0]->status(), UploadStatusCancelled);
        QCOMPARE(records[0]->error(), messageText(u"Text_Cancelled"_s));
        QCOMPARE(queue.numUploadsInProgress(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(session.arrived(), 3, 30000);

        m_queueStates.clear();
        queue.cancelAllUploads();
        QCOMPARE(m_queueStates, QList<int>{0});
        QCOMPARE(queue.numUploadsInProgressOrWaiting(), quint64(0));
        for (int i : {1, 3}) {
            QCOMPARE(records[i]->status(), UploadStatusFailed);
            QCOMPARE(records[i]->error(), messageText(u"Cancelled"_s));
        }
        QCOMPARE(records[4]->status(), UploadStatusCancelled);
        // The held replies that now come back change nothing.
        session.openGate();
        QTest::qWait(300);
        QCOMPARE(records[1]->status(), UploadStatusFailed);
        QCOMPARE(records[0]->status(), UploadStatusCancelled);
        QCOMPARE(Log::instance()->count(), 0);
    }

    void quitKeepsWaitingCommands()
    {
        UploadTestSession session;
        UploadQueue &queue = session.globals.uploadQueue();
        queue.quit();
        QVERIFY(queue.isQuit() && !queue.isRunning());
        session.queueFile(u"q.bin"_s);
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
