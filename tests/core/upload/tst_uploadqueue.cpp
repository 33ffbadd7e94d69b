#include "upload/UploadQueue.h"

#include "UploadTestSession.h"
#include "VendraTest.h"
#include "common/MessageText.h"
#include "events/Log.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "settings/Preferences.h"
#include "upload/UploadRetry.h"

// Order and parallelism of the queue are tested end to end by the command-line and desktop uploads;
// here, failures at a command's turn and cancelling.
class TestUploadQueue : public QObject
{
    Q_OBJECT

private:
    QObject m_observer;
    QList<int> m_queueStates;

    static bool settled(const UploadQueue &queue) { return queue.numUploadsInProgressOrWaiting() == 0; }

private Q_SLOTS:
    void initTestCase()
    {
        Preferences::init();
        Log::init();
        NotificationCenter::defaultCenter().addObserver(
            &m_observer, NotificationNames::UploadEventQueueStatusUpdate,
            [this](const Notification &n) { m_queueStates.append(n.object().toInt()); });
    }

    void init()
    {
        m_queueStates.clear();
        Log::instance()->clear();
        Preferences::instance()->setNumberSimultaneousUploads(4);
    }

    void cleanupTestCase()
    {
        Log::close();
        Preferences::close();
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

        const QList<QPair<UploadStatusPtr, QString>> failures{
            {lost, messageText(u"Text_DestAlbumMissing"_s)},
            {create, u"Parent Folder is missing."_s},
            {refused, messageText(u"Text_UploadHttpStatus"_s).arg(500)}};
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

    // Cancelling a waiting upload takes it out. A running upload whose body has gone whole is not
    // called back: its reply is awaited and its real result shown, so that a file the server stored
    // never shows as cancelled. Cancelling all cancels what waits and lets those end. None of them
    // reaches the event log.
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
        QVERIFY(records[0]->status() != UploadStatusCancelled && records[0]->status() != UploadStatusFailed);
        QCOMPARE(queue.numUploadsInProgress(), 2);

        m_queueStates.clear();
        queue.cancelAllUploads();
        QCOMPARE(m_queueStates, QList<int>{1});
        for (int i : {3, 4})
            QCOMPARE(records[i]->status(), UploadStatusCancelled);
        QCOMPARE(queue.numUploadsInProgress(), 2);
        session.openGate();
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 30000);
        for (int i : {0, 1}) {
            QCOMPARE(records[i]->status(), UploadStatusEnd);
            QVERIFY(records[i]->bSucceeded());
        }
        QCOMPARE(session.arrived(), 2);
        QCOMPARE(Log::instance()->count(), 0);
    }
};

VENDRA_TEST_MAIN(TestUploadQueue)
#include "tst_uploadqueue.moc"
