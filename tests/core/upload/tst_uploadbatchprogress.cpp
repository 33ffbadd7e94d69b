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

    // Totals grow while a dropped folder is still walked; the bytes of a file under way are its share
    // of the body sent; a command is reported settled once; with nothing sent there is no estimate.
    void filesBytesAndTimeLeft()
    {
        UploadBatchProgress progress(m_queue);
        const UploadStatusPtr album = UploadStatus::initWithCreateFolder(u"Trip"_s, QString(), nullptr);
        const UploadStatusPtr a = fileOf(u"a.bin"_s, 1000), b = fileOf(u"b.bin"_s, 2000);
        for (const UploadStatusPtr &record : {album, a, b})
            progress.add(record);
        QVERIFY(progress.updateAt(0).isEmpty());
        QCOMPARE(progress.figures().filesTotal, 2);
        QCOMPARE(progress.figures().bytesTotal, 3000u);
        QCOMPARE(progress.figures().bytesPerSecond, 0.0);
        QVERIFY(!progress.figures().secondsLeft);

        album->setStatus(UploadStatusEnd, u"UploadStatus"_s, false);
        progress.add(fileOf(u"c.bin"_s, 3000));
        sending(a, 550, 1100);
        QCOMPARE(progress.updateAt(1000), QList<UploadStatusPtr>{album});
        UploadBatchProgress::Figures now = progress.figures();
        QCOMPARE(now.filesTotal, 3);
        QCOMPARE(now.filesDone, 0);
        QCOMPARE(now.bytesTotal, 6000u);
        QCOMPARE(now.bytesDone, 500u);
        QCOMPARE(now.bytesPerSecond, 500.0);
        QCOMPARE(now.secondsLeft, std::optional<qint64>(11));

        a->setStatus(UploadStatusEnd, true, 1100, 1100, false, QString());
        b->setStatus(UploadStatusFailed, false, 0, 2000, false, u"refused"_s);
        QCOMPARE(progress.updateAt(2000), (QList<UploadStatusPtr>{a, b}));
        now = progress.figures();
        QCOMPARE(now.filesDone, 2);
        QCOMPARE(now.filesArrived, 1);
        QCOMPARE(now.filesFailed, 1);
        QCOMPARE(now.bytesDone, 3000u);
        QCOMPARE(now.bytesPerSecond, 500.0);
        QVERIFY(progress.updateAt(2500).isEmpty());
        QCOMPARE(progress.fileSize(a), 1000u);
    }

    // The speed is that of the last few seconds: a batch that has stalled shows none and no estimate.
    void speedWindow()
    {
        UploadBatchProgress progress(m_queue);
        const UploadStatusPtr file = fileOf(u"big.bin"_s, 100000);
        progress.add(file);
        progress.updateAt(0);
        sending(file, 6000, 100000);
        progress.updateAt(1000);
        QCOMPARE(progress.updateAt(3000).isEmpty(), true);
        QCOMPARE(progress.figures().bytesPerSecond, 2000.0);
        QCOMPARE(progress.figures().secondsLeft, std::optional<qint64>(47));
        progress.updateAt(6000 + UploadBatchProgress::SpeedWindowMs);
        QCOMPARE(progress.figures().bytesPerSecond, 0.0);
        QVERIFY(!progress.figures().secondsLeft);
    }

    // A file retried is one file; its new try starts its bytes over without taking back those sent,
    // and it has not settled while the queue still holds it, even with its final status.
    void aRetriedFileIsCountedOnce()
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
        UploadBatchProgress::Figures now = progress.figures();
        QCOMPARE(now.filesTotal, 1);
        QCOMPARE(now.filesDone, 0);
        QCOMPARE(now.filesFailed, 0);
        QCOMPARE(now.bytesDone, 0u);
        QCOMPARE(now.bytesPerSecond, 300.0);

        sending(file, 300, 1000);
        progress.updateAt(3000);
        QCOMPARE(progress.figures().bytesDone, 300u);
        QCOMPARE(progress.figures().bytesPerSecond, 300.0);
        file->setStatus(UploadStatusEnd, true, 1000, 1000, false, QString());
        QVERIFY(progress.updateAt(4000).isEmpty());
        QCOMPARE(progress.figures().filesDone, 0);
        QCOMPARE(progress.figures().bytesDone, 1000u);
        m_queue.removeRequests();
    }
};

VENDRA_TEST_MAIN(TestUploadBatchProgress)
#include "tst_uploadbatchprogress.moc"
