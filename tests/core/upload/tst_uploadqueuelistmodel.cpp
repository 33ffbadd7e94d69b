#include "upload/UploadQueueListModel.h"

#include "TestFiles.h"
#include "VendraTest.h"
#include "events/Log.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/commsGlobals.h"
#include "settings/Preferences.h"
#include "upload/UploadQueue.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

// The rows of the upload list, driven by real status records and, for cancelling, the real queue.
class TestUploadQueueListModel : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    UploadStatusPtr fileRecord(const QString &name = u"photo.jpg"_s, qsizetype size = 1024)
    {
        const QString path = TestFiles::write(m_dir.filePath(u"pictures/"_s + name), QByteArray(size, 'x'));
        return UploadStatus::initWithFile(QUrl::fromLocalFile(path), u"Holidays/2019"_s, nullptr);
    }
    static QString shown(const UploadQueueListModel &model, int row, int column)
    {
        return model.data(model.index(row, column)).toString();
    }
    static void waiting(const UploadStatusPtr &record)
    {
        record->setStatus(UploadStatusWaiting, u"FileUpload"_s, false);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        Preferences::init();
        Log::init();
    }
    void cleanupTestCase()
    {
        Log::close();
        Preferences::close();
    }

    void fileStatusText_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("failed");
        QTest::addColumn<quint64>("sent");
        QTest::addColumn<quint64>("total");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<float>("remembered"); // lastReportedPercentage afterwards

        QTest::newRow("half sent") << 2 << false << 512ull << 1024ull << QString() << u"50.0%"_s << 0.5f;
        QTest::newRow("a third, one decimal")
            << 2 << false << 1ull << 3ull << QString() << u"33.3%"_s << float(1.0 / 3.0);
        QTest::newRow("body gone, reply awaited")
            << 2 << false << 1024ull << 1024ull << QString() << u"100% (processing the file)"_s << 1.0f;
        QTest::newRow("started with everything counted")
            << 1 << false << 1024ull << 1024ull << QString() << u"0.0%"_s << 1.0f;
        QTest::newRow("unknown size") << 2 << false << 10ull << 0ull << QString() << u"?"_s << 0.0f;
        QTest::newRow("waiting") << 0 << false << 0ull << 1024ull << QString() << u"Waiting"_s << 0.0f;
        QTest::newRow("failed with its error")
            << 4 << true << 100ull << 1024ull << u"The server refused the file"_s
            << u"The server refused the file"_s << 0.0f;
        QTest::newRow("failed without error")
            << 4 << true << 0ull << 1024ull << QString() << u"Failed"_s << 0.0f;
        // A success may carry a description; the row still shows the progress.
        QTest::newRow("success with a description")
            << 2 << false << 256ull << 1024ull << u"note"_s << u"25.0%"_s << 0.25f;
    }

    void fileStatusText()
    {
        QFETCH(int, status);
        QFETCH(bool, failed);
        QFETCH(quint64, sent);
        QFETCH(quint64, total);
        QFETCH(QString, description);
        QFETCH(QString, expected);
        QFETCH(float, remembered);

        UploadQueueListModel model;
        const UploadStatusPtr record = fileRecord();
        waiting(record);
        record->setBytesSent(sent);
        record->setBytesTotal(total);
        record->setStatus(UploadStatusCode(status), u"Test"_s, failed, description);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(shown(model, 0, UploadQueueListModel::StatusColumn), expected);
        QCOMPARE(record->lastReportedPercentage(), remembered);
        QCOMPARE(model.data(model.index(0, 0), UploadQueueListModel::IsFailedRole).toBool(), failed);
    }

    void columnsByCommandType()
    {
        UploadQueueListModel model;
        const UploadStatusPtr file = fileRecord(u"beach.jpg"_s, 20480);
        const auto create = UploadStatus::initWithCreateFolder(u"Trip"_s, u"Holidays"_s, nullptr);
        const auto contents = UploadStatus::initGetFolderContents(u"Holidays/2019"_s, nullptr);
        const auto emptyFile = UploadStatus::initWithFile(QUrl::fromLocalFile(m_dir.filePath(u"gone.jpg"_s)),
                                                          u"Family"_s, nullptr);
        for (const UploadStatusPtr &record : {file, create, contents, emptyFile})
            waiting(record);
        QCOMPARE(model.rowCount(), 4);

        const QStringList identifiers{u"Icon"_s, u"File"_s, u"Source"_s, u"Destination"_s, u"Size"_s};
        for (int column = 0; column < identifiers.size(); ++column)
            QCOMPARE(model.headerData(column, Qt::Horizontal, UploadQueueListModel::ColumnIdentifierRole)
                         .toString(),
                     identifiers.at(column));
        const auto row = [&](int r) {
            QStringList values;
            for (int column = 0; column < UploadQueueListModel::StatusColumn; ++column)
                values.append(shown(model, r, column));
            return values;
        };
        QCOMPARE(row(0),
                 (QStringList{QString(), u"beach.jpg"_s, QDir::cleanPath(m_dir.filePath(u"pictures"_s)),
                              u"Holidays/2019"_s, commsGlobals::convertBytesToString(20480)}));
        QCOMPARE(row(1), (QStringList{QString(), u"Retrieve Folder"_s, QString(), u"Trip"_s, QString()}));
        QCOMPARE(row(2), (QStringList{QString(), u"Updating Folder"_s, QString(), u"2019"_s, QString()}));
        QCOMPARE(row(3).last(), u"?"_s);
        QCOMPARE(UploadQueueListModel::valueFor(*file, u"Thumbnail"_s), u"a"_s);
    }

    void albumStatusText_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("key");
        QTest::newRow("waiting") << 0 << QString() << u"Text_UploadStatWait"_s;
        QTest::newRow("started") << 1 << QString() << u"Text_UploadStatStart"_s;
        QTest::newRow("progress") << 2 << QString() << u"Text_UploadStatUpload"_s;
        QTest::newRow("failed") << 4 << QString() << u"Text_UploadStatFail"_s;
        QTest::newRow("failed with error") << 4 << u"No such album"_s << u"Text_UploadStatFailError"_s;
        QTest::newRow("unknown") << 7 << QString() << u"Text_UploadStatUnknown"_s;
    }

    void albumStatusText()
    {
        QFETCH(int, status);
        QFETCH(QString, description);
        QFETCH(QString, key);
        UploadQueueListModel model;
        const auto record = UploadStatus::initWithCreateFolder(u"Trip"_s, u"Holidays"_s, nullptr);
        record->setStatus(UploadStatusCode(status), u"Test"_s, status == 4, description);
        QCOMPARE(model.rowCount(), 1);
        const QString text = shown(model, 0, UploadQueueListModel::StatusColumn);
        // Every key has its text in the tables; the failure's text carries the error.
        QVERIFY2(!text.startsWith(u"Text_"_s), qPrintable(text));
        if (description.isEmpty())
            QCOMPARE(text, messageText(key));
        else
            QCOMPARE(text, messageText(key).arg(description));
        QVERIFY(description.isEmpty() || text.contains(description));
    }

    // Rows come and go one at a time: no reset, and an update touches only its own row.
    void rowsFollowTheNotifications()
    {
        UploadQueueListModel model;
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);

        const UploadStatusPtr a = fileRecord(u"a.jpg"_s), b = fileRecord(u"b.jpg"_s),
                              c = fileRecord(u"c.jpg"_s);
        waiting(a);
        waiting(b);
        waiting(c);
        QCOMPARE(inserted.count(), 3);
        QCOMPARE(inserted.at(2).at(1).toInt(), 2);

        b->setBytesSent(100);
        b->setStatus(UploadStatusProgress, u"UploadProgress"_s, false);
        QCOMPARE(changed.count(), 1);
        const auto topLeft = changed.first().at(0).value<QModelIndex>();
        const auto bottomRight = changed.first().at(1).value<QModelIndex>();
        QCOMPARE(topLeft.row(), 1);
        QCOMPARE(bottomRight.row(), 1);
        QCOMPARE(topLeft.column(), 0);
        QCOMPARE(bottomRight.column(), UploadQueueListModel::ColumnCount - 1);

        // A success leaves at once.
        a->setStatus(UploadStatusEnd, u"FileUploadComplete"_s, false);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.uploadAt(0), b);
        // An album step may end and then be marked failed: the row comes back, at the end.
        b->setStatus(UploadStatusEnd, u"CreateFolderAsyncRequestCompleted"_s, true);
        b->setStatus(UploadStatusFailed, u"CreateFolderCompleted"_s, true, u"no"_s);
        QCOMPARE(model.rowOf(b), 1);
        QCOMPARE(model.uploadAt(0), c);
        // Cancelled leaves.
        c->setStatus(UploadStatusCancelled, u"CancelUpload"_s, false, u"Cancelled"_s);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(removed.count(), 3);

        // A record that ends with its first notification never shows; other objects are ignored.
        fileRecord(u"d.jpg"_s)->setStatus(UploadStatusEnd, u"FileUploadComplete"_s, false);
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::UploadEventStatusUpdate,
                                                                 u"not a record"_s);
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::UploadEventStatusUpdate);
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(inserted.count(), 4);

        // Signing out empties the list, as removed rows.
        waiting(fileRecord(u"e.jpg"_s));
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::CommsEventLogout);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(removed.last().at(2).toInt(), 1);
        QCOMPARE(reset.count(), 0);
    }

    // Album steps report from worker threads: the rows change on the main thread only, and a model
    // destroyed meanwhile is left alone.
    void workerNotificationsReachTheMainThread()
    {
        auto model = std::make_unique<UploadQueueListModel>();
        QList<bool> onMainThread;
        connect(model.get(), &QAbstractItemModel::rowsInserted, this,
                [&] { onMainThread.append(QThread::currentThread() == qApp->thread()); });
        const UploadStatusPtr record = UploadStatus::initWithCreateFolder(u"Trip"_s, u"Holidays"_s, nullptr);
        std::atomic<bool> stop = false;
        std::atomic<int> posted = 0;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            record->setStatus(UploadStatusWaiting, u"CreateFolder"_s, false);
            while (!stop) {
                record->setStatus(UploadStatusStart, u"CreateFolderAsyncRequest"_s, false);
                ++posted;
            }
        }));
        worker->start();
        QTRY_VERIFY_WITH_TIMEOUT(posted > 50, 10000);
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(onMainThread, QList<bool>{true});

        model.reset();
        const int before = posted;
        QTRY_VERIFY_WITH_TIMEOUT(posted > before + 50, 10000);
        stop = true;
        QVERIFY(worker->wait(10000));
    }

    // Deleting dismisses what failed or was cancelled and cancels the rest through the queue.
    void deleteDismissesFailuresAndCancelsTheRest()
    {
        commsGlobals globals;
        UploadQueue &queue = globals.uploadQueue();
        // Stopped, the queue keeps its commands waiting.
        queue.quit();
        UploadQueueListModel model;
        const QString path = TestFiles::write(m_dir.filePath(u"w.jpg"_s), "abc");
        queue.addFileUpload(QUrl::fromLocalFile(path), u"Photos"_s, nullptr);
        queue.addFileUpload(QUrl::fromLocalFile(path), u"Photos"_s, nullptr);
        const UploadStatusPtr failed = fileRecord(u"f.jpg"_s);
        failed->setStatus(UploadStatusFailed, u"FileUploadComplete"_s, true, u"refused"_s);
        QCOMPARE(model.rowCount(), 3);
        const UploadStatusPtr waitingOne = model.uploadAt(0);

        int notifiedFailed = 0;
        QObject observer;
        NotificationCenter::defaultCenter().addObserver(
            &observer, NotificationNames::UploadEventStatusUpdate,
            [&](const Notification &n) { notifiedFailed += n.object().value<UploadStatusPtr>() == failed; });
        model.deleteEntries({0, 2});
        QCOMPARE(waitingOne->status(), UploadStatusCancelled);
        QCOMPARE(failed->status(), UploadStatusFailed);
        QCOMPARE(notifiedFailed, 0);
        QCOMPARE(queue.numUploadsInQueue(), quint64(1));
        QCOMPARE(model.rowCount(), 1);

        model.cancelAllUploads();
        QCOMPARE(queue.numUploadsInQueue(), quint64(0));
        QCOMPARE(model.rowCount(), 0);
    }
};

VENDRA_TEST_MAIN(TestUploadQueueListModel)
#include "tst_uploadqueuelistmodel.moc"
