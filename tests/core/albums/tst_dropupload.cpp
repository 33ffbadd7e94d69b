#include "albums/remoteFileBrowserHelper.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "albums/wsSoapAsyncOp.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/SharedCookieJar.h"
#include "localfs/LocalFilesMimeType.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"
#include "upload/DropUpload.h"
#include "upload/UploadQueue.h"

#include "AlbumTree.h"
#include "SessionTarget.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QMimeData>
#include <QTemporaryDir>

using Model = remoteFileBrowserHelper;

// Files and folders dropped onto the album pane, from the local pane and from file managers.
class TestDropUpload : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ReferenceServer> m_server;
    std::unique_ptr<commsGlobals> m_globals;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    QTemporaryDir m_local;
    QObject m_observer;
    QStringList m_queued;

    Model &model() { return m_globals->remoteBrowserHelper(); }
    QModelIndex indexOf(const QString &path)
    {
        return model().indexForNode(m_globals->registry().findRemoteAlbumByName(path).get());
    }
    QString local(const QString &relative) { return m_local.filePath(relative); }
    QString file(const QString &relative) { return TestFiles::write(local(relative), relative.toUtf8()); }
    QString folder(const QString &relative)
    {
        QDir().mkpath(local(relative));
        return local(relative);
    }
    static std::unique_ptr<QMimeData> localPane(const QStringList &paths)
    {
        auto data = std::make_unique<QMimeData>();
        data->setData(QString::fromLatin1(kLocalFilesMimeType), paths.join(u'\n').toUtf8());
        return data;
    }
    static std::unique_ptr<QMimeData> fileManager(const QByteArray &uriList)
    {
        auto data = std::make_unique<QMimeData>();
        data->setData(u"text/uri-list"_s, uriList);
        return data;
    }
    bool accepts(const QMimeData &data, const QModelIndex &target, int row = -1)
    {
        return model().canDropMimeData(&data, Qt::CopyAction, row, 0, target);
    }

    void start(const QStringList &arguments = {})
    {
        m_server = startServerFor(*m_globals, arguments);
        Error error;
        AlbumTree::signIn(*m_globals, error);
        QVERIFY(m_globals->results().remoteFolderBrowser()->deserialise(
            m_globals->coreComms().doGetTopLevelAlbums(error)));
        QVERIFY2(!error, qPrintable(error.toString()));
    }
    void waitForQueue(int timeoutMs = 20000)
    {
        QTRY_COMPARE_WITH_TIMEOUT(m_globals->uploadQueue().numUploadsInProgressOrWaiting(), quint64(0),
                                  timeoutMs);
    }

private Q_SLOTS:
    void init()
    {
        QDir(m_local.path()).removeRecursively();
        QDir().mkpath(m_local.path());
        m_globals = std::make_unique<commsGlobals>();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            &model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        // Every command as it is queued, in order.
        m_queued.clear();
        NotificationCenter::defaultCenter().addObserver(
            &m_observer, NotificationNames::UploadEventStatusUpdate, [this](const Notification &n) {
                const auto status = n.object().value<UploadStatusPtr>();
                if (status->status() != UploadStatusWaiting || m_seen.contains(status))
                    return;
                m_seen.insert(status);
                switch (status->eUploadType()) {
                case UploadCommandGetFolderContents:
                    m_queued.append(u"contents of "_s + status->getRemoteFolderContentsFullPath());
                    break;
                case UploadCommandCreateFolder:
                    m_queued.append(u"create "_s + status->remoteFolderCreateName() + u" in "_s +
                                    status->remoteFolderParentName());
                    break;
                case UploadCommandFile:
                    m_queued.append(u"upload "_s + status->localFilePath().fileName() + u" to "_s +
                                    status->remoteFolderParentName());
                    break;
                }
            });
    }
    void cleanup()
    {
        NotificationCenter::defaultCenter().removeObserver(&m_observer);
        m_seen.clear();
        m_globals->uploadQueue().cancelAllUploads();
        m_globals->soapAsyncOp().waitForDone();
        m_tester.reset();
        m_globals.reset();
        m_server.reset();
        SharedCookieJar::instance().clear();
    }

    void whatEachRowTakes()
    {
        start();
        const QString f = folder(u"F"_s), g = folder(u"G"_s), x = file(u"x.txt"_s);
        const QModelIndex rootIndex = model().rootIndex();
        const QModelIndex holidays = indexOf(u"Holidays"_s);
        // The root takes folders only: one file among them refuses the whole drop.
        QVERIFY(accepts(*localPane({f, g}), rootIndex));
        QVERIFY(!accepts(*localPane({x}), rootIndex));
        QVERIFY(!accepts(*localPane({f, x, g}), rootIndex));
        QVERIFY(!accepts(*localPane({f, local(u"gone"_s)}), rootIndex));
        // Between two top-level albums is onto the root.
        QVERIFY(accepts(*localPane({f}), rootIndex, 1));
        // An album takes anything, also between its children; rights are not asked here.
        QVERIFY(accepts(*localPane({x, f}), holidays));
        QVERIFY(accepts(*fileManager(QUrl::fromLocalFile(x).toEncoded() + "\r\n"), holidays, 0));
        // Nothing lands outside the root, on an asset, or as a move, or without paths.
        QVERIFY(!accepts(*localPane({f}), QModelIndex()));
        QVERIFY(!model().canDropMimeData(localPane({f}).get(), Qt::MoveAction, -1, 0, holidays));
        QVERIFY(!accepts(*fileManager("http://example.com/a.jpg\r\n"), holidays));
        QMimeData text;
        text.setText(f);
        QVERIFY(!accepts(text, holidays));

        QVERIFY(model().dropMimeData(localPane({x}).get(), Qt::CopyAction, -1, 0, holidays));
        waitForQueue();
        model().reloadAnItemAndChildren(m_globals->registry().findRemoteAlbumByName(u"Holidays"_s).get());
        const QModelIndex asset =
            model().index(model().rowCount(indexOf(u"Holidays"_s)) - 1, 0, indexOf(u"Holidays"_s));
        QCOMPARE(asset.data(Model::FileNameRole).toString(), u"x.txt"_s);
        QVERIFY(!accepts(*localPane({x}), asset));
        QVERIFY(!model().dropMimeData(localPane({x}).get(), Qt::CopyAction, -1, 0, asset));

        const QModelIndex placeholderParent = model().rootIndex();
        QVERIFY(model().createFolderUnder(placeholderParent));
        QVERIFY(!accepts(*localPane({f}), model().index(2, 0, placeholderParent)));
    }

    void fileManagerListsArePercentEncodedWithTrailingSlashes()
    {
        const QString odd = folder(u"Ünï cødé #1"_s);
        const QByteArray encoded = QUrl::fromLocalFile(odd).toEncoded() + "/";
        QVERIFY(encoded.contains("%C3%9C") && encoded.contains("%20") && encoded.contains("%231"));
        const auto data = fileManager("# a comment line\r\n" + encoded + "\r\n");
        QCOMPARE(Model::droppedPaths(data.get()), QStringList{odd});
        // Raw UTF-8 as some file managers send it.
        const QString plain = folder(u"Ünï cødé"_s);
        const auto raw = fileManager("file://" + plain.toUtf8() + "/\n");
        QCOMPARE(Model::droppedPaths(raw.get()), QStringList{plain});
        QCOMPARE(Model::droppedPaths(localPane({odd + u"/"_s}).get()), QStringList{odd});
        QVERIFY(DropUpload::allFolders({odd + u"/"_s}));
        QVERIFY(DropUpload::allFolders({}));
    }

    // A folder F (a file a and a folder S holding b) and a file x dropped onto A.
    void commandsGoInDepthFirstOrder()
    {
        start();
        file(u"F/a.txt"_s);
        file(u"F/S/b.txt"_s);
        file(u"F/.hidden"_s);
        file(u"x.txt"_s);
        const QByteArray trailing = QUrl::fromLocalFile(local(u"F"_s)).toEncoded() + "/";
        const auto data = fileManager(trailing + "\r\n" + QUrl::fromLocalFile(local(u"x.txt"_s)).toEncoded());
        QVERIFY(model().dropMimeData(data.get(), Qt::CopyAction, 0, 0, indexOf(u"Holidays"_s)));
        QCOMPARE(m_queued, (QStringList{u"contents of Holidays"_s, u"create F in Holidays"_s,
                                        u"contents of Holidays/F"_s, u"create S in Holidays/F"_s,
                                        u"contents of Holidays/F/S"_s, u"upload b.txt to Holidays/F/S"_s,
                                        u"upload a.txt to Holidays/F"_s, u"upload x.txt to Holidays"_s}));
        waitForQueue();
        // The folder's real name, not the empty one after its slash.
        QCOMPARE(TestFiles::read(m_server->albumFilePath(u"demo"_s, u"Holidays/F/S"_s, u"b.txt"_s)),
                 "F/S/b.txt");
        QVERIFY(!QFileInfo::exists(m_server->albumFilePath(u"demo"_s, u"Holidays"_s, u"a.txt"_s)));

        m_queued.clear();
        QVERIFY(QDir().mkpath(local(u"Empty"_s)));
        QVERIFY(model().dropMimeData(localPane({local(u"Empty"_s)}).get(), Qt::CopyAction, -1, 0,
                                     model().rootIndex()));
        QCOMPARE(m_queued, (QStringList{u"contents of "_s, u"create Empty in "_s, u"contents of Empty"_s}));
        waitForQueue();
        QVERIFY(m_globals->registry().findRemoteAlbumByName(u"Empty"_s));
    }

    // A sign-in, sign-out or refresh drops the album requests that have not started; the upload
    // steps waiting for them must end, or the queue would stay busy for the rest of the run.
    void droppedAlbumRequestsEndTheirSteps()
    {
        start({u"--fault"_s, u"delay=1500"_s});
        file(u"T/t.txt"_s);
        const auto family = m_globals->registry().findRemoteAlbumByName(u"Family"_s);
        // Keep every worker of the album queue busy, so the steps' requests wait their turn.
        for (int i = 0; i < QThreadPool().maxThreadCount(); ++i)
            m_globals->soapAsyncOp().requestGetFolderContentsFor(family, nullptr);
        QVERIFY(model().dropMimeData(localPane({local(u"T"_s)}).get(), Qt::CopyAction, -1, 0,
                                     indexOf(u"Holidays"_s)));
        QTRY_VERIFY(m_globals->uploadQueue().currentAlbumCommand());
        QTest::qWait(300);
        m_globals->clearRemoteFolderDictionaries();
        waitForQueue(15000);
        QCOMPARE(m_globals->uploadQueue().numUploadsInProgress(), 0);
    }

private:
    QSet<UploadStatusPtr> m_seen;
};

VENDRA_TEST_MAIN(TestDropUpload)
#include "tst_dropupload.moc"
