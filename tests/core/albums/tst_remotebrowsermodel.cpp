#include "albums/remoteFileBrowserHelper.h"
#include "albums/soapRemoteFileItem.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "albums/wsExpandHelper.h"
#include "albums/wsSoapAsyncOp.h"
#include "events/Log.h"
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
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>

using Model = remoteFileBrowserHelper;

// The album pane's model against the reference server, with Qt's model checker attached throughout
// and the album registry checked after every test. What a person does in the pane (open, rename,
// create, delete, drop, refresh) is tested end to end through the view; here, the failures, the
// races and the hostile drops the view's tests do not reach.
class TestRemoteBrowserModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ReferenceServer> m_server;
    std::unique_ptr<commsGlobals> m_globals;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<QTemporaryDir> m_files;
    QObject m_observer;
    // Every upload command as it is queued, in order.
    QStringList m_queued;
    QSet<UploadStatusPtr> m_seen;
    int m_expandsCompleted = 0;

    Model &model() { return m_globals->remoteBrowserHelper(); }
    soapRemoteFolderBrowserPtr root() { return m_globals->results().remoteFolderBrowser(); }
    soapRemoteFolderItemPtr album(const QString &path) { return AlbumTree::album(*m_globals, path); }
    QModelIndex indexOf(const QString &path, int column = 0)
    {
        return model().indexForNode(album(path).get(), column);
    }
    bool pending(const QModelIndex &index)
    {
        return model().index(index.row(), Model::ProgressColumn, index.parent()).data().toBool();
    }
    QStringList labels(const QModelIndex &parent) { return AlbumTree::labels(model(), parent); }
    QString local(const QString &relative) { return m_files->filePath(relative); }
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

    // Signs in to a fresh server (after the given administration commands) and shows the top level.
    void start(const QStringList &arguments = {})
    {
        m_server = startServerFor(*m_globals, arguments);
        Error error;
        AlbumTree::signIn(*m_globals, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        refresh();
    }
    // What a refresh does to the tree: everything goes, the top level is read again.
    void refresh()
    {
        Error error;
        QVERIFY(AlbumTree::reloadTopLevel(*m_globals, error));
        QVERIFY2(!error, qPrintable(error.toString()));
    }
    void waitForUploads(int timeoutMs = 20000)
    {
        QTRY_COMPARE_WITH_TIMEOUT(m_globals->uploadQueue().numUploadsInProgressOrWaiting(), quint64(0),
                                  timeoutMs);
    }
    // Uploads files of the given names into an album through the upload engine, one at a time so
    // that the server lists them in the order given.
    void upload(const QString &albumPath, const QStringList &names)
    {
        QList<QUrl> urls;
        for (const QString &name : names)
            urls.append(QUrl::fromLocalFile(TestFiles::write(local(name), name.toUtf8())));
        m_globals->uploadQueue().setNumberSimultaneousUploadsOverride(1);
        QVERIFY(model().uploadFiles(urls, indexOf(albumPath)));
        waitForUploads();
    }
    // Opens an album the way a view does and waits until its contents are in.
    void open(const QString &path)
    {
        QSignalSpy expanded(&model(), &Model::expandRequested);
        if (!model().shouldExpandItem(indexOf(path)))
            QVERIFY(expanded.wait(10000));
    }
    void waitIdle() { m_globals->soapAsyncOp().waitForDone(); }

private Q_SLOTS:
    void init()
    {
        m_files = std::make_unique<QTemporaryDir>();
        m_globals = std::make_unique<commsGlobals>();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            &model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        Log::init();
        m_queued.clear();
        m_expandsCompleted = 0;
        auto &center = NotificationCenter::defaultCenter();
        center.addObserver(
            &m_observer, NotificationNames::UploadEventStatusUpdate, [this](const Notification &n) {
                const auto status = n.object().value<UploadStatusPtr>();
                if (status->status() != UploadStatusWaiting || m_seen.contains(status))
                    return;
                m_seen.insert(status);
                if (status->eUploadType() == UploadCommandGetFolderContents)
                    m_queued.append(u"contents of "_s + status->getRemoteFolderContentsFullPath());
                else if (status->eUploadType() == UploadCommandCreateFolder)
                    m_queued.append(u"create %1 in %2"_s.arg(status->remoteFolderCreateName(),
                                                             status->remoteFolderParentName()));
                else
                    m_queued.append(u"upload %1 to %2"_s.arg(status->localFilePath().fileName(),
                                                             status->remoteFolderParentName()));
            });
        center.addMainThreadObserver(&m_observer, NotificationNames::ExpandEventCompleted,
                                     [this](const Notification &n) {
                                         if (n.object().value<QObject *>() == &m_globals->expandHelper())
                                             ++m_expandsCompleted;
                                     });
    }
    void cleanup()
    {
        NotificationCenter::defaultCenter().removeObserver(&m_observer);
        m_seen.clear();
        m_globals->uploadQueue().cancelAllUploads();
        waitIdle();
        const bool registryMatchesTree = m_globals->registry().debugCheckDictionary(root());
        m_tester.reset();
        m_globals.reset();
        Log::close();
        m_server.reset();
        SharedCookieJar::instance().clear();
        QVERIFY(registryMatchesTree);
    }

    void failedListingStaysClosed()
    {
        start({u"--fault"_s, u"soap-api=GetAssetsByAlbumID:BROKEN"_s});
        QSignalSpy expanded(&model(), &Model::expandRequested);
        QVERIFY(!model().shouldExpandItem(indexOf(u"Holidays"_s)));
        QVERIFY(pending(indexOf(u"Holidays"_s)));
        // While it is listed, asking again does nothing.
        QVERIFY(!model().shouldExpandItem(indexOf(u"Holidays"_s)));
        QTRY_VERIFY(!pending(indexOf(u"Holidays"_s)));
        waitIdle();
        QCOMPARE(expanded.size(), 0);
        QCOMPARE(Log::instance()->count(), 1);
        QCOMPARE(Log::instance()->objectAtIndex(0).message(), u"Failed to create Album"_s);
    }

    void refusedRenamePutsTheOldNameBack()
    {
        start({u"--fault"_s, u"soap-api=RenameAlbum:REFUSED"_s});
        const QModelIndex family = indexOf(u"Family"_s, Model::FileColumn);
        QVERIFY(model().setData(family, u"Kin"_s));
        QCOMPARE(family.data().toString(), u"Kin"_s);
        QVERIFY(pending(family));
        // A second edit while the first is with the server is ignored.
        QVERIFY(!model().setData(family, u"Clan"_s));
        QTRY_VERIFY(!pending(indexOf(u"Family"_s)));
        QCOMPARE(indexOf(u"Family"_s, Model::FileColumn).data().toString(), u"Family"_s);
        QCOMPARE(Log::instance()->count(), 1);
        QCOMPARE(Log::instance()->objectAtIndex(0).message(), u"Rename failed for item"_s);
        QCOMPARE(Log::instance()->objectAtIndex(0).path(), u"Family"_s);
    }

    void failedCreateTakesThePlaceholderAway()
    {
        start({u"--fault"_s, u"soap-api=CreateNewTopLevelAlbum:NOPE"_s});
        QSignalSpy ready(&model(), &Model::placeholderReady);
        QVERIFY(model().createFolderUnder(model().rootIndex()));
        const QModelIndex placeholder =
            ready.first().first().toModelIndex().siblingAtColumn(Model::FileColumn);
        QVERIFY(model().setData(placeholder, u"X"_s));
        // Committed once: the name is on its way, a second commit would make a second album.
        QVERIFY(!model().setData(placeholder, u"X"_s));
        QTRY_COMPARE(labels(model().rootIndex()), (QStringList{u"Holidays"_s, u"Family"_s}));
        QCOMPARE(Log::instance()->objectAtIndex(0).message(), u"Failed to create folder"_s);
        QCOMPARE(Log::instance()->objectAtIndex(0).path(), u"X"_s);
    }

    void deletingAnOpenAlbumTakesItsSubtreeOutOfTheRegistry()
    {
        start();
        open(u"Holidays"_s);
        QPersistentModelIndex sub = indexOf(u"Holidays/2019"_s);
        QCOMPARE(model().deleteItems({indexOf(u"Holidays"_s)}), 1);
        QTRY_COMPARE(labels(model().rootIndex()), QStringList{u"Family"_s});
        QVERIFY(!sub.isValid());
        QVERIFY(!album(u"Holidays"_s) && !album(u"Holidays/2019"_s));
    }

    void aNodeWithAnOperationUnderWayShowsNoChildren()
    {
        start({u"--fault"_s, u"delay=700"_s, u"--fault"_s, u"soap-action=DeleteAlbum:ACCESS_DENIED"_s});
        open(u"Holidays"_s);
        QPersistentModelIndex sub = indexOf(u"Holidays/2019"_s);
        QVERIFY(sub.isValid());
        QCOMPARE(model().deleteItems({indexOf(u"Holidays"_s)}), 1);
        // While the server works on it, its children are out of reach: nothing to drop onto,
        // rename or delete.
        QVERIFY(pending(indexOf(u"Holidays"_s)));
        QVERIFY(!sub.isValid());
        QCOMPARE(model().rowCount(indexOf(u"Holidays"_s)), 0);
        QVERIFY(model().hasChildren(indexOf(u"Holidays"_s)));
        // Refused: the album stays, and its children show again.
        QTRY_VERIFY_WITH_TIMEOUT(!pending(indexOf(u"Holidays"_s)), 10000);
        QCOMPARE(Log::instance()->objectAtIndex(0).message(), u"Failed to delete item"_s);
        QCOMPARE(labels(model().rootIndex()), (QStringList{u"Holidays"_s, u"Family"_s}));
        QCOMPARE(labels(indexOf(u"Holidays"_s)), QStringList{u"2019"_s});
    }

    // The rename also moves the loaded albums below: a stale Holidays/2019 would send uploads to
    // the wrong album.
    void newAlbumDuringARenameWaitsForItThenRuns()
    {
        start({u"--fault"_s, u"delay=700"_s});
        open(u"Holidays"_s);
        QSignalSpy ready(&model(), &Model::placeholderReady);
        QSignalSpy selected(&model(), &Model::selectRequested);
        QVERIFY(model().setData(indexOf(u"Holidays"_s, Model::FileColumn), u"Trips"_s));
        QVERIFY(pending(indexOf(u"Holidays"_s)));
        QVERIFY(model().createFolderUnder(indexOf(u"Holidays"_s)));
        QCOMPARE(ready.size(), 0); // waits for the rename
        QVERIFY(ready.wait(10000));
        QVERIFY(!pending(indexOf(u"Trips"_s)));
        QVERIFY(album(u"Trips/2019"_s) && !album(u"Holidays/2019"_s));
        QCOMPARE(labels(indexOf(u"Trips"_s)), (QStringList{u"2019"_s, u"New Folder"_s}));
        QVERIFY(model().setData(ready.first().first().toModelIndex().siblingAtColumn(Model::FileColumn),
                                u"Winter"_s));
        QVERIFY(selected.wait(10000));
        QCOMPARE(labels(indexOf(u"Trips"_s)), (QStringList{u"2019"_s, u"Winter"_s}));
        QVERIFY(album(u"Trips/Winter"_s));
        QCOMPARE(ready.size(), 1);
    }

    void treeAnnouncesItsChangesBeforeMakingThem()
    {
        start();
        open(u"Holidays"_s);
        const auto holidays = album(u"Holidays"_s);
        QList<qsizetype> countsSeen;
        connect(&model(), &QAbstractItemModel::rowsAboutToBeRemoved, this, [&](const QModelIndex &parent) {
            countsSeen.append(model().nodeForIndex(parent) == holidays ? holidays->numberOfChildren() : -1);
        });
        QPersistentModelIndex family = indexOf(u"Family"_s);
        QPersistentModelIndex sub = indexOf(u"Holidays/2019"_s);
        holidays->replaceChildrenWithFolders({}, {});
        QCOMPARE(countsSeen, QList<qsizetype>{1}); // the tree still held its child when told
        QVERIFY(!sub.isValid());
        QCOMPARE(model().rowCount(indexOf(u"Holidays"_s)), 0);

        auto asset = soapRemoteFileItem::initWithUploadDictionary({{u"filename"_s, u"new.png"_s}});
        holidays->addUloadedFile(asset);
        QCOMPARE(labels(indexOf(u"Holidays"_s)), QStringList{u"new.png"_s});
        // A reload keeps the rows of nodes that stayed.
        QPersistentModelIndex assetRow = model().indexForNode(asset.get());
        model().reloadAnItemAndChildren(root().get());
        model().reloadAnItemAndChildren(holidays.get());
        QVERIFY(family.isValid() && assetRow.isValid());
        QCOMPARE(model().nodeForIndex(assetRow), RemoteTreeEntryPtr(asset));
        QVERIFY(holidays->removeChild(asset));
        QVERIFY(!assetRow.isValid());
        model().clearData();
        QCOMPARE(model().rowCount(model().rootIndex()), 0);
        QVERIFY(!family.isValid());
        m_globals->clearRemoteFolderDictionaries(); // as a refresh does after clearing
    }

    void droppedRequestsClearTheirMarks()
    {
        start({u"--fault"_s, u"delay=1500"_s});
        // More fetches than the queue runs at once: the last ones wait, and the refresh drops them.
        for (int i = 0; i < wsSoapAsyncOp::MaxConcurrentOperations; ++i)
            m_globals->soapAsyncOp().requestGetFolderContentsFor(album(u"Family"_s), nullptr);
        QVERIFY(!model().shouldExpandItem(indexOf(u"Holidays"_s)));
        const auto holidays = album(u"Holidays"_s);
        QVERIFY(holidays->hasPendingAsyncOp());
        m_globals->clearRemoteFolderDictionaries();
        QVERIFY(!holidays->hasPendingAsyncOp());
        model().clearData(); // as signing in or out does next
    }

    // Albums deleted since the view recorded them open are skipped with everything below them, and
    // the end is announced, also when there was nothing to open.
    void reopeningSkipsAlbumsDeletedMeanwhile()
    {
        start();
        for (const auto &[parent, name] :
             {std::pair{u""_s, u"A"_s}, {u"A"_s, u"B"_s}, {u"A"_s, u"C"_s}, {u"A/C"_s, u"D"_s}})
            QVERIFY(AlbumTree::createAlbum(*m_globals, parent, name));
        Error error;
        m_globals->coreComms().doDeleteAlbum(album(u"A/C"_s)->albumID(), error);
        QVERIFY(!error);
        refresh();
        QSignalSpy expanded(&model(), &Model::expandRequested);
        m_globals->expandHelper().expandFolders({}, &model());
        QTRY_COMPARE(m_expandsCompleted, 1);
        m_globals->expandHelper().expandFolders({u"Holidays"_s, u"A"_s, u"A/C"_s, u"A/C/D"_s}, &model());
        QTRY_COMPARE_WITH_TIMEOUT(m_expandsCompleted, 2, 20000);
        QStringList opened;
        for (const QList<QVariant> &signal : std::as_const(expanded))
            opened.append(signal.first().toModelIndex().data(Model::FullRemotePathRole).toString());
        QCOMPARE(opened, (QStringList{u"Holidays"_s, u"A"_s}));
    }

    void whatEachRowTakes()
    {
        start();
        upload(u"Family"_s, {u"x.txt"_s});
        const QString f = folder(u"F"_s), g = folder(u"G"_s), x = local(u"x.txt"_s);
        const QModelIndex rootIndex = model().rootIndex();
        const QModelIndex holidays = indexOf(u"Holidays"_s);
        const QModelIndex asset = model().index(0, 0, indexOf(u"Family"_s));
        // The root takes folders only: one file or missing path among them refuses the whole drop.
        QVERIFY(accepts(*localPane({f, g}), rootIndex));
        QVERIFY(accepts(*localPane({f}), rootIndex, 1)); // between two top-level albums
        QVERIFY(!accepts(*localPane({f, x, g}), rootIndex));
        QVERIFY(!accepts(*localPane({f, local(u"gone"_s)}), rootIndex));
        // An album takes anything, also between its children; rights are not asked here.
        QVERIFY(accepts(*localPane({x, f}), holidays));
        QVERIFY(accepts(*fileManager(QUrl::fromLocalFile(x).toEncoded() + "\r\n"), holidays, 0));
        // Nothing lands outside the root, on an asset or a placeholder, as a move, or without paths.
        QVERIFY(!accepts(*localPane({f}), QModelIndex()));
        QCOMPARE(asset.data(Model::FileNameRole).toString(), u"x.txt"_s);
        QVERIFY(!accepts(*localPane({x}), asset));
        QVERIFY(!model().dropMimeData(localPane({x}).get(), Qt::CopyAction, -1, 0, asset));
        QVERIFY(!model().canDropMimeData(localPane({f}).get(), Qt::MoveAction, -1, 0, holidays));
        QVERIFY(!accepts(*fileManager("http://example.com/a.jpg\r\n"), holidays));
        QMimeData text;
        text.setText(f);
        QVERIFY(!accepts(text, holidays));
        QVERIFY(model().createFolderUnder(rootIndex));
        QVERIFY(!accepts(*localPane({f}), model().index(2, 0, rootIndex)));
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

    // A folder F (a file a, a hidden file and a folder S holding b) and a file x dropped onto an
    // album: each album is listed before anything goes in, depth first; an empty folder dropped onto
    // the root becomes a top-level album.
    void commandsGoInDepthFirstOrder()
    {
        start();
        for (const QString &name : {u"F/a.txt"_s, u"F/S/b.txt"_s, u"F/.hidden"_s, u"x.txt"_s})
            TestFiles::write(local(name), name.toUtf8());
        const QByteArray trailing = QUrl::fromLocalFile(local(u"F"_s)).toEncoded() + "/";
        const auto data = fileManager(trailing + "\r\n" + QUrl::fromLocalFile(local(u"x.txt"_s)).toEncoded());
        QVERIFY(model().dropMimeData(data.get(), Qt::CopyAction, 0, 0, indexOf(u"Holidays"_s)));
        QCOMPARE(m_queued, (QStringList{u"contents of Holidays"_s, u"create F in Holidays"_s,
                                        u"contents of Holidays/F"_s, u"create S in Holidays/F"_s,
                                        u"contents of Holidays/F/S"_s, u"upload b.txt to Holidays/F/S"_s,
                                        u"upload a.txt to Holidays/F"_s, u"upload x.txt to Holidays"_s}));
        waitForUploads();
        // The folder's real name, not the empty one after its slash.
        QCOMPARE(TestFiles::read(m_server->albumFilePath(u"demo"_s, u"Holidays/F/S"_s, u"b.txt"_s)),
                 "F/S/b.txt");
        QVERIFY(!QFileInfo::exists(m_server->albumFilePath(u"demo"_s, u"Holidays"_s, u"a.txt"_s)));

        m_queued.clear();
        QVERIFY(model().dropMimeData(localPane({folder(u"Empty"_s)}).get(), Qt::CopyAction, -1, 0,
                                     model().rootIndex()));
        QCOMPARE(m_queued, (QStringList{u"contents of "_s, u"create Empty in "_s, u"contents of Empty"_s}));
        waitForUploads();
        QVERIFY(album(u"Empty"_s));
    }

    // A sign-in, sign-out or refresh drops the album requests that have not started; the upload
    // steps waiting for them must end, or the queue would stay busy for the rest of the run.
    void droppedAlbumRequestsEndTheirSteps()
    {
        start({u"--fault"_s, u"delay=1500"_s});
        TestFiles::write(local(u"T/t.txt"_s), "t");
        // Keep every worker of the album queue busy, so the steps' requests wait their turn.
        for (int i = 0; i < QThreadPool().maxThreadCount(); ++i)
            m_globals->soapAsyncOp().requestGetFolderContentsFor(album(u"Family"_s), nullptr);
        QVERIFY(model().dropMimeData(localPane({local(u"T"_s)}).get(), Qt::CopyAction, -1, 0,
                                     indexOf(u"Holidays"_s)));
        QTRY_VERIFY(m_globals->uploadQueue().currentAlbumCommand());
        QTest::qWait(300);
        m_globals->clearRemoteFolderDictionaries();
        model().clearData(); // as signing in or out does next
        waitForUploads(15000);
        QCOMPARE(m_globals->uploadQueue().numUploadsInProgress(), 0);
    }
};

VENDRA_TEST_MAIN(TestRemoteBrowserModel)
#include "tst_remotebrowsermodel.moc"
