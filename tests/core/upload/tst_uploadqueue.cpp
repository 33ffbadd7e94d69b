#include "upload/UploadQueue.h"

#include "UploadTestSession.h"
#include "VendraTest.h"
#include "common/MessageText.h"
#include "events/Log.h"
#include "settings/Preferences.h"
#include "upload/UploadRetry.h"

// Order, parallelism and cancelling are tested end to end by the command-line and desktop uploads;
// here, failures at a command's turn.
class TestUploadQueue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Failures at a command's turn are recorded, with the failed files in the event log, and the
    // queue moves on.
    void failuresDoNotStopTheQueue()
    {
        Preferences::init();
        Log::init();
        UploadTestSession session(500, "oops");
        UploadQueue &queue = session.globals.uploadQueue();
        // A 500 would be tried again; here it stands for any failure.
        queue.retry().setTriesOverride(1);
        const UploadStatusPtr lost = session.queueFile(u"lost.bin"_s, u"Gone"_s);
        queue.addFolderCreate(u"Y"_s, u"Gone/Too"_s, nullptr);
        const UploadStatusPtr create = queue.waitingCommands().last();
        const UploadStatusPtr refused = session.queueFile(u"refused.bin"_s);
        QTRY_COMPARE_WITH_TIMEOUT(queue.numUploadsInProgressOrWaiting(), quint64(0), 30000);

        const QList<QPair<UploadStatusPtr, QString>> failures{
            {lost, messageText(u"Text_DestAlbumMissing"_s)},
            {create, u"Parent Folder is missing."_s},
            {refused, messageText(u"Text_UploadHttpStatus"_s).arg(500)}};
        for (const auto &[record, error] : failures)
            QVERIFY(record->status() == UploadStatusFailed && record->error() == error);
        QCOMPARE(session.arrived(), 1);
        QCOMPARE(Log::instance()->count(), 2);
        QCOMPARE(Log::instance()->objectAtIndex(1).path(), lost->localFilePath().toLocalFile());
        QCOMPARE(Log::instance()->objectAtIndex(1).message(), lost->error());
        Log::close();
        Preferences::close();
    }
};

VENDRA_TEST_MAIN(TestUploadQueue)
#include "tst_uploadqueue.moc"
