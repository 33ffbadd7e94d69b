#include "upload/UploadBatchProgress.h"

#include "upload/UploadQueue.h"

#include "TestFiles.h"
#include "VendraTest.h"

#include <QTemporaryDir>

// The batch's figures from records driven through their statuses by hand, against a real queue that
// holds what it is given but carries nothing out.
class TestUploadBatchProgress : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_work;
    UploadQueue m_queue;

    UploadStatusPtr fileOf(const QString &name, qint64 size)
    {
        const QString path = TestFiles::write(m_work.filePath(name), TestFiles::randomBytes(size, 1));
        return UploadStatus::initWithFile(QUrl::fromLocalFile(path), u"Family"_s, nullptr);
    }

    // A try under way: the body (the file in a multipart request) and what of it has gone.
    static void sending(const UploadStatusPtr &record, quint64 sent, quint64 body)
    {
        record->setBytesTotal(body);
        record->setBytesSent(sent);
        record->setStatus(UploadStatusProgress, u"UploadProgress"_s, false);
    }

private Q_SLOTS:
    void initTestCase() { m_queue.quit(); }

    // A file retried is one file; its new try starts its bytes over without taking back those sent,
    // and it has not settled while the queue still holds it, even with its final status. The bytes
    // of a file under way are its share of the body sent; the speed is that of the last few seconds,
    // so a batch that has stalled shows none and no estimate. The figures of a whole batch are tested
    // through the main window's status line.
    void aRetriedFileIsCountedOnceAndAStallShowsNoSpeed()
    {
        UploadBatchProgress progress(m_queue);
        const UploadStatusPtr file = fileOf(u"again.bin"_s, 1000);
        progress.add(file);
        progress.updateAt(0);
        sending(file, 600, 1000);
        progress.updateAt(1000);
        file->setStatus(UploadStatusFailed, false, 600, 1000, false, u"reset"_s);
        QCOMPARE(progress.updateAt(1500), QList<UploadStatusPtr>{file});

        QVERIFY(m_queue.retryFailedUpload(file));
        progress.add(file);
        QVERIFY(progress.updateAt(2000).isEmpty());
        const UploadBatchProgress::Figures now = progress.figures();
        QCOMPARE(QList<int>({now.filesTotal, now.filesDone, now.filesFailed}), QList<int>({1, 0, 0}));
        QCOMPARE(now.bytesDone, 0u);
        QCOMPARE(now.bytesPerSecond, 300.0);

        sending(file, 600, 2000);
        progress.updateAt(3000);
        QCOMPARE(progress.figures().bytesDone, 300u);
        QCOMPARE(progress.figures().secondsLeft, std::optional<qint64>(2));
        const qint64 stalled = 6000 + UploadBatchProgress::SpeedWindowMs;
        progress.updateAt(stalled);
        QCOMPARE(progress.figures().bytesPerSecond, 0.0);
        QVERIFY(!progress.figures().secondsLeft);
        file->setStatus(UploadStatusEnd, true, 1000, 1000, false, QString());
        QVERIFY(progress.updateAt(stalled + 1000).isEmpty());
        QCOMPARE(progress.figures().filesDone, 0);
        QCOMPARE(progress.figures().bytesDone, 1000u);
        m_queue.removeRequests();
    }
};

VENDRA_TEST_MAIN(TestUploadBatchProgress)
#include "tst_uploadbatchprogress.moc"
