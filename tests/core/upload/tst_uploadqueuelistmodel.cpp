#include "upload/UploadQueueListModel.h"

#include "TestFiles.h"
#include "VendraTest.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QThread>

// The rows of the upload list, driven by real status records. What the rows show, and deleting and
// cancelling from them, are tested through the list against the reference server.
class TestUploadQueueListModel : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    UploadStatusPtr fileRecord(const QString &name)
    {
        const QString path = TestFiles::write(m_dir.filePath(name), "x");
        return UploadStatus::initWithFile(QUrl::fromLocalFile(path), u"Holidays/2019"_s, nullptr);
    }
    static void waiting(const UploadStatusPtr &record)
    {
        record->setStatus(UploadStatusWaiting, u"FileUpload"_s, false);
    }

private Q_SLOTS:
    // An album step that ended and is then marked failed comes back at the end; signing out empties
    // the list.
    void rowsFollowTheNotifications()
    {
        UploadQueueListModel model;
        const UploadStatusPtr b = fileRecord(u"b.jpg"_s), c = fileRecord(u"c.jpg"_s);
        waiting(b);
        waiting(c);
        b->setStatus(UploadStatusEnd, u"CreateFolderAsyncRequestCompleted"_s, true);
        QCOMPARE(model.rowCount(), 1);
        b->setStatus(UploadStatusFailed, u"CreateFolderCompleted"_s, true, u"no"_s);
        QCOMPARE(model.rowOf(b), 1);
        NotificationCenter::defaultCenter().postNotificationName(NotificationNames::CommsEventLogout);
        QCOMPARE(model.rowCount(), 0);
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
        const auto joinWorker = qScopeGuard([&] {
            stop = true;
            worker->wait();
        });
        // The hand-over is asynchronous: the row comes once the main loop turns.
        QTRY_COMPARE(model->rowCount(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(posted > 50, 10000);
        QCOMPARE(model->rowCount(), 1);
        QCOMPARE(onMainThread, QList<bool>{true});

        model.reset();
        const int before = posted;
        QTRY_VERIFY_WITH_TIMEOUT(posted > before + 50, 10000);
    }
};

VENDRA_TEST_MAIN(TestUploadQueueListModel)
#include "tst_uploadqueuelistmodel.moc"
