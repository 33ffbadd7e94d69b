#include "upload/UploadQueue.h"

#include "UploadTestSession.h"
#include "VendraTest.h"
#include "events/Log.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "settings/Preferences.h"
#include "upload/UploadRetry.h"

// Pause, automatic retries and skipping files already stored, against a capturing server.
class TestUploadQueueFeatures : public QObject
{
    Q_OBJECT

private:
    QObject m_observer;
    // Every note shown on any record, in order.
    QStringList m_notes;

    static bool settled(const UploadQueue &queue) { return queue.numUploadsInProgressOrWaiting() == 0; }

    static std::string reply(const QString &action, const QString &name = {}, qint64 size = 0)
    {
        return QStringLiteral("<halvane><upload-result actionresult=\"%1\" apiresult=\"ok\" albumid=\"7\" "
                              "assetid=\"42\" pending=\"false\" filename=\"%2\" filesize=\"%3\"/></halvane>")
            .arg(action, name)
            .arg(size)
            .toStdString();
    }

private Q_SLOTS:
    void initTestCase()
    {
        Preferences::init();
        Log::init();
        NotificationCenter::defaultCenter().addObserver(
            &m_observer, NotificationNames::UploadEventStatusUpdate, [this](const Notification &n) {
                const QString note = n.object().value<UploadStatusPtr>()->note();
                if (!note.isEmpty())
                    m_notes.append(note);
            });
    }

    void init() { m_notes.clear(); }

    void cleanupTestCase()
    {
        Log::close();
        Preferences::close();
    }

    // Nothing starts while paused; what runs finishes; everything goes after resuming.
    void pauseHoldsNewUploadsOnly()
    {
        UploadTestSession session;
        UploadQueue &queue = session.globals.uploadQueue();
        queue.setNumberSimultaneousUploadsOverride(1);
        session.closeGate();
        const UploadStatusPtr running = session.queueFile(u"a.bin"_s);
        QTRY_COMPARE_WITH_TIMEOUT(session.arrived(), 1, 10000);
        queue.setPaused(true);
        const UploadStatusPtr held1 = session.queueFile(u"b.bin"_s);
        const UploadStatusPtr held2 = session.queueFile(u"c.bin"_s);
        session.openGate();
        QTRY_COMPARE_WITH_TIMEOUT(running->status(), UploadStatusEnd, 10000);
        QTest::qWait(600);
        QCOMPARE(session.arrived(), 1);
        QCOMPARE(held1->status(), UploadStatusWaiting);
        QCOMPARE(queue.numUploadsInQueue(), quint64(2));
        QVERIFY(queue.isPaused());
        queue.setPaused(false);
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 10000);
        QCOMPARE(session.arrived(), 3);
        QCOMPARE(held2->status(), UploadStatusEnd);
    }

    // A 5xx answer is tried again after a wait the row counts down; a refusal never is.
    void transientFailuresAreRetriedRefusalsAreNot()
    {
        UploadTestSession session;
        UploadQueue &queue = session.globals.uploadQueue();
        session.setAnswer({503, "busy"});
        const UploadStatusPtr record = session.queueFile(u"retry.bin"_s);
        QTRY_VERIFY_WITH_TIMEOUT(m_notes.contains(u"Retrying in 4 s (try 2 of 3)"_s), 10000);
        QCOMPARE(record->status(), UploadStatusWaiting);
        QCOMPARE(queue.numUploadsInProgressOrWaiting(), quint64(1));
        QCOMPARE(queue.waitingCommands(), QList<UploadStatusPtr>{record});
        session.setAnswer({});
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 15000);
        QCOMPARE(record->status(), UploadStatusEnd);
        QVERIFY(record->bSucceeded());
        QCOMPARE(session.arrived(), 2);

        m_notes.clear();
        session.setAnswer({200, reply(u"QUOTA_EXCEEDED"_s)});
        const UploadStatusPtr refused = session.queueFile(u"quota.bin"_s);
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 10000);
        QCOMPARE(refused->status(), UploadStatusFailed);
        QCOMPARE(session.arrived(), 3);
        QVERIFY(m_notes.isEmpty());

        // Tries used up: the last failure stands, with the server's words.
        queue.retry().setTriesOverride(2);
        session.setAnswer({502, "down"});
        const UploadStatusPtr lost = session.queueFile(u"lost.bin"_s);
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 15000);
        QCOMPARE(lost->status(), UploadStatusFailed);
        QCOMPARE(session.arrived(), 5);
        QCOMPARE(m_notes.filter(u"(try 3 of"_s).size(), 0);

        // Retry by hand counts the tries anew.
        session.setAnswer({});
        QVERIFY(queue.retryFailedUpload(lost));
        QVERIFY(!queue.retryFailedUpload(lost));
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 10000);
        QCOMPARE(lost->status(), UploadStatusEnd);
        QCOMPARE(session.arrived(), 6);
    }

    // A file whose name and size stand in the album is not sent and says so; another size, or the
    // skip turned off, sends it.
    void filesAlreadyStoredAreNotSent()
    {
        UploadTestSession session;
        UploadQueue &queue = session.globals.uploadQueue();
        session.setAnswer({200, reply(u"ok"_s, u"same.jpg"_s, 5)});
        session.queueFile(u"same.jpg"_s, u"Photos"_s, "12345");
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 10000);
        QCOMPARE(session.arrived(), 1);

        const UploadStatusPtr again = session.queueFile(u"same.jpg"_s, u"Photos"_s, "12345");
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 10000);
        QCOMPARE(session.arrived(), 1);
        QCOMPARE(again->status(), UploadStatusEnd);
        QVERIFY(again->bAlreadyStored());
        QCOMPARE(again->note(), u"Already on the server"_s);

        const UploadStatusPtr bigger = session.queueFile(u"same.jpg"_s, u"Photos"_s, "123456");
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 10000);
        QCOMPARE(session.arrived(), 2);
        QVERIFY(!bigger->bAlreadyStored());

        queue.setSkipExistingOverride(false);
        session.queueFile(u"same.jpg"_s, u"Photos"_s, "12345");
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 10000);
        QCOMPARE(session.arrived(), 3);
        // A resumed file is looked up whatever the setting says.
        queue.addFileUpload(QUrl::fromLocalFile(session.dir.filePath(u"same.jpg"_s)), u"Photos"_s, nullptr,
                            {}, UploadQueue::SkipStored::Always);
        QTRY_VERIFY_WITH_TIMEOUT(settled(queue), 10000);
        QCOMPARE(session.arrived(), 3);
    }
};

VENDRA_TEST_MAIN(TestUploadQueueFeatures)
#include "tst_uploadqueuefeatures.moc"
