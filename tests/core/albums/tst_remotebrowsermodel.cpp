#include "albums/remoteFileBrowserHelper.h"
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
#include "upload/UploadQueue.h"

#include "AlbumTree.h"
#include "SessionTarget.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>

using Model = remoteFileBrowserHelper;

// The album pane's model against the reference server, with Qt's model checker attached and the album
// registry checked after every test. What a person does in the pane is tested through the view; here,
// the failures, the races and the hostile drops the view's tests do not reach.
class TestRemoteBrowserModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ReferenceServer> m_server;
    std::unique_ptr<commsGlobals> m_globals;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<QTemporaryDir> m_files;

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
    static std::unique_ptr<QMimeData> localPane(const QStringList &paths)
    {
        return fileManager(paths.join(u'\n').toUtf8(), QString::fromLatin1(kLocalFilesMimeType));
    }
    static std::unique_ptr<QMimeData> fileManager(const QByteArray &content,
                                                  const QString &format = u"text/uri-list"_s)
    {
        auto data = std::make_unique<QMimeData>();
        data->setData(format, content);
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
    void waitForUploads()
    {
        QTRY_COMPARE_WITH_TIMEOUT(m_globals->uploadQueue().numUploadsInProgressOrWaiting(), quint64(0),
                                  20000);
    }
    // Opens an album the way a view does and waits until its contents are in.
    void open(const QString &path)
    {
        QSignalSpy expanded(&model(), &Model::expandRequested);
        if (!model().shouldExpandItem(indexOf(path)))
            QVERIFY(expanded.wait(10000));
    }
    void waitIdle() { m_globals->soapAsyncOp().waitForDone(); }
    static auto logged() { return Log::instance()->objectAtIndex(0); }

private Q_SLOTS:
    void init()
    {
        m_files = std::make_unique<QTemporaryDir>();
        m_globals = std::make_unique<commsGlobals>();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            &model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        Log::init();
    }
    void cleanup()
    {
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

    // A failed listing leaves the album closed, a refused rename puts the old name back, a failed
    // create takes the placeholder away; each says so in the event log, and while one is with the
    // server, asking again does nothing.
    void failuresPutTheTreeBack()
    {
        start({u"--fault"_s, u"soap-api=GetAssetsByAlbumID:BROKEN"_s, u"--fault"_s,
               u"soap-api=RenameAlbum:REFUSED"_s, u"--fault"_s, u"soap-api=CreateNewTopLevelAlbum:NOPE"_s});
        QSignalSpy expanded(&model(), &Model::expandRequested);
        QVERIFY(!model().shouldExpandItem(indexOf(u"Holidays"_s)));
        QVERIFY(pending(indexOf(u"Holidays"_s)));
        QVERIFY(!model().shouldExpandItem(indexOf(u"Holidays"_s)));
        QTRY_VERIFY(!pending(indexOf(u"Holidays"_s)));
        waitIdle();
        QCOMPARE(expanded.size(), 0);
        QCOMPARE(Log::instance()->count(), 1);
        QCOMPARE(logged().message(), u"Failed to create Album"_s);

        const QModelIndex family = indexOf(u"Family"_s, Model::FileColumn);
        QVERIFY(model().setData(family, u"Kin"_s));
        QCOMPARE(family.data().toString(), u"Kin"_s);
        QVERIFY(!model().setData(family, u"Clan"_s));
        QTRY_VERIFY(!pending(indexOf(u"Family"_s)));
        QCOMPARE(indexOf(u"Family"_s, Model::FileColumn).data().toString(), u"Family"_s);
        QCOMPARE(logged().message(), u"Rename failed for item"_s);
        QCOMPARE(logged().path(), u"Family"_s);

        QSignalSpy ready(&model(), &Model::placeholderReady);
        QVERIFY(model().createFolderUnder(model().rootIndex()));
        const QModelIndex placeholder =
            ready.first().first().toModelIndex().siblingAtColumn(Model::FileColumn);
        QVERIFY(model().setData(placeholder, u"X"_s));
        // Committed once: a second commit would make a second album.
        QVERIFY(!model().setData(placeholder, u"X"_s));
        QTRY_COMPARE(labels(model().rootIndex()), (QStringList{u"Holidays"_s, u"Family"_s}));
        QCOMPARE(logged().message(), u"Failed to create folder"_s);
        QCOMPARE(logged().path(), u"X"_s);
    }

    // While the server works on an album, its children are out of reach: nothing to drop onto,
    // rename or delete; a refused delete shows them again. A new album during a rename waits for it;
    // the rename also moves the loaded albums below: a stale Holidays/2019 would send uploads to the
    // wrong album.
    void aNodeWithAnOperationUnderWayShowsNoChildrenAndNewAlbumsWait()
    {
        start({u"--fault"_s, u"delay=700"_s, u"--fault"_s, u"soap-action=DeleteAlbum:ACCESS_DENIED"_s});
        open(u"Holidays"_s);
        QPersistentModelIndex sub = indexOf(u"Holidays/2019"_s);
        QCOMPARE(model().deleteItems({indexOf(u"Holidays"_s)}), 1);
        QVERIFY(pending(indexOf(u"Holidays"_s)));
        QVERIFY(!sub.isValid());
        QCOMPARE(model().rowCount(indexOf(u"Holidays"_s)), 0);
        QVERIFY(model().hasChildren(indexOf(u"Holidays"_s)));
        QTRY_VERIFY_WITH_TIMEOUT(!pending(indexOf(u"Holidays"_s)), 10000);
        QCOMPARE(logged().message(), u"Failed to delete item"_s);
        QCOMPARE(labels(model().rootIndex()), (QStringList{u"Holidays"_s, u"Family"_s}));
        QCOMPARE(labels(indexOf(u"Holidays"_s)), QStringList{u"2019"_s});

        QSignalSpy ready(&model(), &Model::placeholderReady);
        QSignalSpy selected(&model(), &Model::selectRequested);
        QVERIFY(model().setData(indexOf(u"Holidays"_s, Model::FileColumn), u"Trips"_s));
        QVERIFY(pending(indexOf(u"Holidays"_s)));
        QVERIFY(model().createFolderUnder(indexOf(u"Holidays"_s)));
        QCOMPARE(ready.size(), 0); // waits for the rename
        QVERIFY(ready.wait(10000));
        QVERIFY(album(u"Trips/2019"_s) && !album(u"Holidays/2019"_s));
        QCOMPARE(labels(indexOf(u"Trips"_s)), (QStringList{u"2019"_s, u"New Folder"_s}));
        QVERIFY(model().setData(ready.first().first().toModelIndex().siblingAtColumn(Model::FileColumn),
                                u"Winter"_s));
        QVERIFY(selected.wait(10000));
        QCOMPARE(labels(indexOf(u"Trips"_s)), (QStringList{u"2019"_s, u"Winter"_s}));
        QVERIFY(album(u"Trips/Winter"_s));
    }

    // Deleting an open album takes its loaded subtree out of the tree and the registry. Albums
    // deleted since the view recorded them open are skipped with everything below them, and the end
    // is announced, also when there was nothing to open.
    void deletedAlbumsLeaveNothingBehindAndAreNotReopened()
    {
        start();
        open(u"Holidays"_s);
        QPersistentModelIndex sub = indexOf(u"Holidays/2019"_s);
        QCOMPARE(model().deleteItems({indexOf(u"Holidays"_s)}), 1);
        QTRY_COMPARE(labels(model().rootIndex()), QStringList{u"Family"_s});
        QVERIFY(!sub.isValid());
        QVERIFY(!album(u"Holidays"_s) && !album(u"Holidays/2019"_s));

        int completed = 0;
        QObject observer; // destroyed, it is never called again
        NotificationCenter::defaultCenter().addMainThreadObserver(
            &observer, NotificationNames::ExpandEventCompleted, [&](const Notification &) { ++completed; });
        QSignalSpy expanded(&model(), &Model::expandRequested);
        m_globals->expandHelper().expandFolders({}, &model());
        QTRY_COMPARE(completed, 1);
        m_globals->expandHelper().expandFolders({u"Holidays"_s, u"Holidays/2019"_s, u"Family"_s}, &model());
        QTRY_COMPARE_WITH_TIMEOUT(completed, 2, 20000);
        QCOMPARE(expanded.size(), 1);
        QCOMPARE(expanded.first().first().toModelIndex().data(Model::FullRemotePathRole).toString(),
                 u"Family"_s);
    }

    // A file manager's list, percent-encoded with a comment line and a trailing slash, or in raw
    // UTF-8: each folder arrives under its own name, not the empty one after its slash; an empty
    // folder dropped onto the root becomes a top-level album. Then what each row takes.
    void droppedFoldersKeepTheirNamesAndEachRowTakesWhatItMay()
    {
        start();
        const QString odd = u"Ünï cødé #1"_s;
        for (const QString &name : QStringList{odd + u"/a.txt"_s, odd + u"/S/b.txt"_s, u"x.txt"_s})
            TestFiles::write(local(name), name.toUtf8());
        const QByteArray encoded = QUrl::fromLocalFile(local(odd)).toEncoded() + "/"; // %C3%9C, %20, %231
        const auto data = fileManager("# a comment line\r\n" + encoded + "\r\n" +
                                      QUrl::fromLocalFile(local(u"x.txt"_s)).toEncoded());
        QVERIFY(model().dropMimeData(data.get(), Qt::CopyAction, 0, 0, indexOf(u"Holidays"_s)));
        waitForUploads();
        QCOMPARE(
            TestFiles::read(m_server->albumFilePath(u"demo"_s, u"Holidays/"_s + odd + u"/S"_s, u"b.txt"_s)),
            (odd + u"/S/b.txt"_s).toUtf8());
        QVERIFY(QFileInfo::exists(m_server->albumFilePath(u"demo"_s, u"Holidays"_s, u"x.txt"_s)));
        QVERIFY(!QFileInfo::exists(m_server->albumFilePath(u"demo"_s, u"Holidays"_s, u"a.txt"_s)));

        const QString empty = local(u"Empty ü"_s);
        QVERIFY(QDir().mkpath(empty));
        const auto raw = fileManager("file://" + empty.toUtf8() + "/\n");
        QVERIFY(model().dropMimeData(raw.get(), Qt::CopyAction, -1, 0, model().rootIndex()));
        waitForUploads();
        QVERIFY(album(u"Empty ü"_s));

        // What each row takes. The root takes folders only: one file among them refuses the whole drop.
        const QString f = local(odd), x = local(u"x.txt"_s);
        const QModelIndex rootIndex = model().rootIndex(), holidays = indexOf(u"Holidays"_s);
        QVERIFY(accepts(*localPane({f, empty}), rootIndex));
        QVERIFY(!accepts(*localPane({f, x, empty}), rootIndex));
        // An album takes anything, also between its children; rights are not asked here.
        QVERIFY(accepts(*localPane({x, f}), holidays));
        QVERIFY(accepts(*fileManager(QUrl::fromLocalFile(x).toEncoded() + "\r\n"), holidays, 0));
        // Nothing lands outside the root, on an asset or a placeholder, as a move, or without paths.
        QVERIFY(!accepts(*localPane({f}), QModelIndex()));
        open(u"Holidays"_s);
        QVERIFY(!accepts(*localPane({x}), model().index(labels(holidays).indexOf(u"x.txt"_s), 0, holidays)));
        QVERIFY(!model().canDropMimeData(localPane({f}).get(), Qt::MoveAction, -1, 0, holidays));
        QVERIFY(!accepts(*fileManager("http://example.com/a.jpg\r\n"), holidays));
        QVERIFY(!accepts(*fileManager(f.toUtf8(), u"text/plain"_s), holidays));
        QSignalSpy ready(&model(), &Model::placeholderReady);
        QVERIFY(model().createFolderUnder(rootIndex));
        QVERIFY(!accepts(*localPane({f}), ready.first().first().toModelIndex()));
    }

    // A sign-in, sign-out or refresh drops the album requests that have not started: their albums'
    // marks must clear, and the upload steps waiting for them must end, or the queue would stay busy
    // for the rest of the run.
    void droppedAlbumRequestsClearTheirMarksAndEndTheirSteps()
    {
        start({u"--fault"_s, u"delay=1500"_s});
        // More fetches than the queue runs at once: what comes after them waits its turn.
        const auto fillTheQueue = [this] {
            for (int i = 0; i < wsSoapAsyncOp::MaxConcurrentOperations; ++i)
                m_globals->soapAsyncOp().requestGetFolderContentsFor(album(u"Family"_s), nullptr);
        };
        fillTheQueue();
        QVERIFY(!model().shouldExpandItem(indexOf(u"Holidays"_s)));
        const auto holidays = album(u"Holidays"_s);
        QVERIFY(holidays->hasPendingAsyncOp());
        m_globals->clearRemoteFolderDictionaries();
        QVERIFY(!holidays->hasPendingAsyncOp());
        model().clearData(); // as signing in or out does next
        refresh();

        fillTheQueue();
        TestFiles::write(local(u"T/t.txt"_s), "t");
        QVERIFY(model().dropMimeData(localPane({local(u"T"_s)}).get(), Qt::CopyAction, -1, 0,
                                     indexOf(u"Holidays"_s)));
        QTRY_VERIFY(m_globals->uploadQueue().currentAlbumCommand());
        QTest::qWait(300);
        m_globals->clearRemoteFolderDictionaries();
        model().clearData();
        waitForUploads();
        QCOMPARE(m_globals->uploadQueue().numUploadsInProgress(), 0);
    }
};

VENDRA_TEST_MAIN(TestRemoteBrowserModel)
#include "tst_remotebrowsermodel.moc"
