#include "albums/createFolderTempItem.h"
#include "albums/remoteFileBrowserHelper.h"
#include "albums/soapRemoteFileItem.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "albums/wsSoapAsyncOp.h"
#include "events/Log.h"
#include "http/SharedCookieJar.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"
#include "upload/UploadQueue.h"

#include "AlbumTree.h"
#include "SessionTarget.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTemporaryDir>

using Model = remoteFileBrowserHelper;

// The album pane's model against the reference server, with Qt's model checker attached throughout.
class TestRemoteBrowserModel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ReferenceServer> m_server;
    std::unique_ptr<commsGlobals> m_globals;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    QTemporaryDir m_files;

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

    // Signs in to a fresh server (after the given administration commands) and shows the top level.
    void start(const QStringList &arguments = {}, const QList<QStringList> &admin = {})
    {
        m_server = startServerFor(*m_globals, arguments);
        for (const QStringList &command : admin)
            QCOMPARE(m_server->runAdmin(command), 0);
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
    // Uploads files of the given names into an album through the upload engine.
    void upload(const QString &albumPath, const QStringList &names)
    {
        QList<QUrl> urls;
        for (const QString &name : names)
            urls.append(QUrl::fromLocalFile(TestFiles::write(m_files.filePath(name), name.toUtf8())));
        // One at a time, so that the server keeps them in the order given (its listings are in that
        // order), whichever connection is the quicker.
        m_globals->uploadQueue().setNumberSimultaneousUploadsOverride(1);
        QVERIFY(model().uploadFiles(urls, indexOf(albumPath)));
        QTRY_COMPARE_WITH_TIMEOUT(m_globals->uploadQueue().numUploadsInProgressOrWaiting(), quint64(0),
                                  20000);
    }
    // Opens an album the way a view does and waits until its contents are in.
    QModelIndex open(const QString &path)
    {
        QSignalSpy expanded(&model(), &Model::expandRequested);
        const QModelIndex index = indexOf(path);
        if (!model().shouldExpandItem(index))
            [&] {
                QVERIFY(expanded.wait(10000));
            }();
        return indexOf(path);
    }
    void waitIdle() { m_globals->soapAsyncOp().waitForDone(); }

private Q_SLOTS:
    void init()
    {
        m_globals = std::make_unique<commsGlobals>();
        m_tester = std::make_unique<QAbstractItemModelTester>(
            &model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        Log::init();
    }
    void cleanup()
    {
        waitIdle();
        m_tester.reset();
        m_globals.reset();
        Log::close();
        m_server.reset();
        SharedCookieJar::instance().clear();
    }

    void topItemHoldsTheRootAndCellsShowTheTree()
    {
        start();
        QCOMPARE(model().rowCount(), 1);
        const QModelIndex rootIndex = model().rootIndex();
        QCOMPARE(rootIndex.siblingAtColumn(Model::FileColumn).data().toString(), m_globals->getRemotePath());
        QCOMPARE(labels(rootIndex), (QStringList{u"Holidays"_s, u"Family"_s}));
        QCOMPARE(indexOf(u"Holidays"_s, Model::SizeColumn).data().toString(), QString());
        QVERIFY(model().hasChildren(indexOf(u"Family"_s)));

        upload(u"Family"_s, {u"a.jpg"_s});
        const QModelIndex asset = model().index(0, Model::SizeColumn, indexOf(u"Family"_s));
        QCOMPARE(asset.data().toString(), u"5 Bytes"_s);
        QCOMPARE(asset.data(Model::FileNameRole).toString(), u"a.jpg"_s);
        QVERIFY(!model().hasChildren(asset.siblingAtColumn(0)));
    }

    void openingAnUnloadedAlbumListsItOnceThenOpensIt()
    {
        start();
        upload(u"Holidays"_s, {u"beach.jpg"_s});
        refresh();
        QSignalSpy expanded(&model(), &Model::expandRequested);
        const QModelIndex holidays = indexOf(u"Holidays"_s);
        QVERIFY(!model().shouldExpandItem(holidays));
        QVERIFY(pending(holidays));
        // While it is listed, asking again does nothing.
        QVERIFY(!model().shouldExpandItem(holidays));
        QVERIFY(expanded.wait(10000));
        waitIdle();
        QCOMPARE(expanded.size(), 1);
        QCOMPARE(expanded.first().first().toModelIndex(), indexOf(u"Holidays"_s));
        QVERIFY(!pending(indexOf(u"Holidays"_s)));
        QCOMPARE(labels(indexOf(u"Holidays"_s)), (QStringList{u"2019"_s, u"beach.jpg"_s}));
        QVERIFY(model().shouldExpandItem(indexOf(u"Holidays"_s)));

        // Emptied on the server behind our back: listed once, then known to be empty.
        const auto asset =
            std::dynamic_pointer_cast<soapRemoteFileItem>(album(u"Holidays"_s)->getChildAtIndex(1));
        const qint64 assetID = asset->nAssetID().toLongLong();
        const qint64 subID = album(u"Holidays/2019"_s)->albumID();
        refresh();
        Error error;
        m_globals->coreComms().doDeleteAsset(assetID, error);
        m_globals->coreComms().doDeleteAlbum(subID, error);
        QVERIFY(!error);
        QVERIFY(album(u"Holidays"_s)->bHasChildren());
        open(u"Holidays"_s);
        waitIdle();
        QCOMPARE(model().rowCount(indexOf(u"Holidays"_s)), 0);
        QVERIFY(model().shouldExpandItem(indexOf(u"Holidays"_s)));
        QVERIFY(!pending(indexOf(u"Holidays"_s)));
    }

    void failedListingStaysClosed()
    {
        start({u"--fault"_s, u"soap-api=GetAssetsByAlbumID:BROKEN"_s});
        QSignalSpy expanded(&model(), &Model::expandRequested);
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
        QVERIFY(model().flags(family) & Qt::ItemIsEditable);
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

    void rightsDecideWhatIsEditable()
    {
        start({}, {{u"user"_s, u"set"_s, u"demo"_s, u"--rights"_s, u"all,-RenameAsset"_s},
                   {u"album"_s, u"flags"_s, u"demo"_s, u"Holidays/2019"_s, u"rename=0"_s}});
        upload(u"Family"_s, {u"f.jpg"_s});
        open(u"Holidays"_s);
        const auto editable = [&](const QModelIndex &index) {
            return bool(model().flags(index.siblingAtColumn(Model::FileColumn)) & Qt::ItemIsEditable);
        };
        QVERIFY(!editable(model().rootIndex()));
        QVERIFY(editable(indexOf(u"Family"_s)));
        // No asset may be renamed without the right, whatever its own flag says.
        const QModelIndex asset = model().index(0, 0, indexOf(u"Family"_s));
        QVERIFY(std::dynamic_pointer_cast<soapRemoteFileItem>(model().nodeForIndex(asset))->bCanRename());
        QVERIFY(!editable(asset));
        QVERIFY(!editable(indexOf(u"Holidays/2019"_s))); // its own flag says no
        QVERIFY(!model().setData(indexOf(u"Holidays/2019"_s, Model::FileColumn), u"x"_s));
        QVERIFY(!model().flags(indexOf(u"Holidays"_s, Model::SizeColumn)).testFlag(Qt::ItemIsEditable));
        QVERIFY(model().createFolderUnder(model().rootIndex()));
        QVERIFY(editable(model().index(2, 0, model().rootIndex())));
    }

    void mixedSelectionDeletesOnlyWhatMayGoInOneRequest()
    {
        start({}, {{u"album"_s, u"flags"_s, u"demo"_s, u"Holidays/2019"_s, u"delete=0"_s}});
        upload(u"Holidays"_s, {u"one.jpg"_s, u"two.jpg"_s});
        const QModelIndex holidays = open(u"Holidays"_s);
        QCOMPARE(labels(holidays), (QStringList{u"2019"_s, u"one.jpg"_s, u"two.jpg"_s}));
        const QModelIndexList selection{model().index(2, 0, holidays), model().rootIndex(),
                                        indexOf(u"Holidays/2019"_s), model().index(1, 2, holidays),
                                        model().index(1, 0, holidays)};
        const QList<soapRemoteBasePtr> items = model().deletableItems(selection);
        QCOMPARE(items.size(), 2);
        QCOMPARE(std::dynamic_pointer_cast<soapRemoteFileItem>(items[0])->strFilename(), u"one.jpg"_s);
        QCOMPARE(model().deleteItems(selection), 2);
        QVERIFY(pending(model().index(1, 0, holidays)) && pending(model().index(2, 0, holidays)));
        QTRY_COMPARE(labels(indexOf(u"Holidays"_s)), QStringList{u"2019"_s});
        waitIdle();
        Error error;
        const QVariantMap assets =
            m_globals->coreComms().doGetAssetsByAlbumID(album(u"Holidays"_s)->albumID(), error);
        QVERIFY(!QVariant(assets).toString().contains(u"one.jpg"_s));
        QCOMPARE(Log::instance()->count(), 0);
        QCOMPARE(model().deleteItems({model().rootIndex()}), 0);
    }

    void deletingAnOpenAlbumTakesItsSubtreeOutOfTheRegistry()
    {
        start();
        open(u"Holidays"_s);
        QVERIFY(album(u"Holidays/2019"_s));
        QPersistentModelIndex sub = indexOf(u"Holidays/2019"_s);
        QCOMPARE(model().deleteItems({indexOf(u"Holidays"_s)}), 1);
        QTRY_COMPARE(labels(model().rootIndex()), QStringList{u"Family"_s});
        QVERIFY(!sub.isValid());
        QVERIFY(!album(u"Holidays"_s) && !album(u"Holidays/2019"_s));
        QVERIFY(m_globals->registry().debugCheckDictionary(root()));
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
        QCOMPARE(labels(indexOf(u"Trips"_s)), (QStringList{u"2019"_s, u"New Folder"_s}));
        QVERIFY(model().setData(ready.first().first().toModelIndex().siblingAtColumn(Model::FileColumn),
                                u"Winter"_s));
        QVERIFY(selected.wait(10000));
        QCOMPARE(labels(indexOf(u"Trips"_s)), (QStringList{u"2019"_s, u"Winter"_s}));
        QVERIFY(album(u"Trips/Winter"_s));
        QCOMPARE(ready.size(), 1);
    }

    void createThroughThePlaceholder()
    {
        start();
        QSignalSpy ready(&model(), &Model::placeholderReady);
        QSignalSpy selected(&model(), &Model::selectRequested);
        QVERIFY(model().createFolderUnder(model().rootIndex()));
        QCOMPARE(ready.size(), 1);
        const QModelIndex placeholder =
            ready.first().first().toModelIndex().siblingAtColumn(Model::FileColumn);
        QCOMPARE(placeholder.data().toString(), u"New Folder"_s);
        QCOMPARE(placeholder.row(), 2);
        QVERIFY(model().flags(placeholder) & Qt::ItemIsEditable);
        QVERIFY(model().setData(placeholder, u"Trips"_s));
        // Committed once: the name is on its way, a second commit would make a second album.
        QVERIFY(!model().setData(placeholder, u"Trips"_s));
        QVERIFY(selected.wait(10000));
        QCOMPARE(labels(model().rootIndex()), (QStringList{u"Holidays"_s, u"Family"_s, u"Trips"_s}));
        QCOMPARE(selected.first().first().toModelIndex(), indexOf(u"Trips"_s));
        QVERIFY(!album(u"Trips"_s)->hasPendingAsyncOp());

        // An abandoned name edit takes its placeholder away.
        QVERIFY(model().createFolderUnder(model().rootIndex()));
        model().abandonPlaceholder(ready.last().first().toModelIndex());
        QCOMPARE(model().rowCount(model().rootIndex()), 3);
    }

    void failedCreateUnderAnUnloadedAlbum()
    {
        start({u"--fault"_s, u"soap-api=CreateNewSubAlbum:NOPE"_s});
        upload(u"Holidays"_s, {u"h.jpg"_s});
        refresh();
        QSignalSpy ready(&model(), &Model::placeholderReady);
        QVERIFY(model().createFolderUnder(indexOf(u"Holidays"_s)));
        QCOMPARE(ready.size(), 0);
        QVERIFY(ready.wait(10000));
        // Listed first, so the placeholder ends the loaded list.
        QCOMPARE(labels(indexOf(u"Holidays"_s)), (QStringList{u"2019"_s, u"h.jpg"_s, u"New Folder"_s}));
        QVERIFY(
            model().setData(ready.first().first().toModelIndex().siblingAtColumn(Model::FileColumn), u"X"_s));
        QTRY_COMPARE(labels(indexOf(u"Holidays"_s)), (QStringList{u"2019"_s, u"h.jpg"_s}));
        QCOMPARE(Log::instance()->objectAtIndex(0).message(), u"Failed to create folder"_s);
        QCOMPARE(Log::instance()->objectAtIndex(0).path(), u"X"_s);
        QVERIFY(!model().createFolderUnder(model().index(1, 0, indexOf(u"Holidays"_s))));
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
    }

    void uploadEndRefreshesOnlyAlbumsWithRows()
    {
        start();
        QSignalSpy changed(&model(), &QAbstractItemModel::dataChanged);
        const auto status = UploadStatus::initGetFolderContents(u"Nowhere"_s, nullptr);
        status->setStatus(UploadStatusEnd, u"test"_s, false);
        QCOMPARE(changed.size(), 0);
        const auto family = UploadStatus::initWithFile(QUrl::fromLocalFile(u"/x"_s), u"Family"_s, nullptr);
        family->setStatus(UploadStatusStart, u"test"_s, false);
        QCOMPARE(changed.size(), 0);
        family->setStatus(UploadStatusEnd, u"test"_s, false);
        QVERIFY(!changed.isEmpty());
        QCOMPARE(changed.first().first().toModelIndex(), indexOf(u"Family"_s));
    }

    void droppedRequestsClearTheirMarks()
    {
        start({u"--fault"_s, u"delay=1500"_s});
        // More fetches than the queue runs at once: the last ones wait, and the refresh drops them.
        const int running = wsSoapAsyncOp::MaxConcurrentOperations;
        for (int i = 0; i < running; ++i)
            m_globals->soapAsyncOp().requestGetFolderContentsFor(album(u"Family"_s), nullptr);
        QVERIFY(!model().shouldExpandItem(indexOf(u"Holidays"_s)));
        const auto holidays = album(u"Holidays"_s);
        QVERIFY(holidays->hasPendingAsyncOp());
        m_globals->clearRemoteFolderDictionaries();
        QVERIFY(!holidays->hasPendingAsyncOp());
    }
};

VENDRA_TEST_MAIN(TestRemoteBrowserModel)
#include "tst_remotebrowsermodel.moc"
