#include "albums/createFolderTempItem.h"
#include "albums/soapRemoteFileItem.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"

#include "VendraTest.h"

namespace {

QVariantMap album(qint64 id, qint64 parent, const QString &name, bool hasChildren = true)
{
    return {{u"m_nAlbumID"_s, id},
            {u"m_nParentID"_s, parent},
            {u"m_strName"_s, name},
            {u"m_strDescription"_s, QString()},
            {u"m_bHasChildren"_s, hasChildren},
            {u"m_bCanCreateUnder"_s, true},
            {u"m_bCanDelete"_s, true},
            {u"m_bCanRename"_s, true},
            {u"m_bPending"_s, false}};
}

QVariantMap asset(qint64 id, qint64 albumID, const QString &name)
{
    return {{u"m_nAssetID"_s, id},
            {u"m_nAlbumID"_s, albumID},
            {u"m_strFilename"_s, name},
            {u"m_nFilesize"_s, qlonglong(10)},
            {u"m_nAssetType"_s, qlonglong(1)},
            {u"m_bPending"_s, true},
            {u"m_bCanDelete"_s, false},
            {u"m_bCanRename"_s, false}};
}

// A SOAP array as it decodes: one item stays a dictionary, several become a list, both wrapped.
QVariantMap listReply(const QString &key, const QList<QVariantMap> &items, bool wrapped = true)
{
    QVariantList list;
    for (const QVariantMap &item : items)
        list.append(item);
    if (!wrapped)
        return {{key, list}};
    const QVariant inner = items.size() == 1 ? QVariant(items.first()) : QVariant(list);
    return {{key, QVariantMap{{u"item"_s, inner}}}};
}

} // namespace

// The album tree and its registry, built from decoded replies.
class TestRemoteTree : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<commsGlobals> m_globals;

    soapRemoteFolderBrowserPtr root() { return m_globals->results().remoteFolderBrowser(); }
    RemoteAlbumRegistry &registry() { return m_globals->registry(); }
    soapRemoteFolderItemPtr albumAt(const QString &path)
    {
        return std::dynamic_pointer_cast<soapRemoteFolderItem>(registry().findRemoteAlbumByName(path));
    }
    void loadTopLevel()
    {
        QVERIFY(
            root()->deserialise(listReply(u"arrTopAlbums"_s, {album(1, 0, u"Photos"_s), album(2, 0, u"A"_s),
                                                              album(3, 0, u"Empty"_s, false)})));
    }

private Q_SLOTS:
    void init() { m_globals = std::make_unique<commsGlobals>(); }
    void cleanup()
    {
        QVERIFY(registry().debugCheckDictionary(root()));
        m_globals.reset();
    }

    void listShapes()
    {
        QVERIFY(root()->deserialise(listReply(u"arrTopAlbums"_s, {album(1, 0, u"One"_s)})));
        QCOMPARE(root()->numberOfRootItems(), 1);
        root()->clear();
        m_globals->clearRemoteFolderDictionaries();
        loadTopLevel();
        QCOMPARE(root()->numberOfRootItems(), 3);
        QCOMPARE(std::dynamic_pointer_cast<soapRemoteFolderItem>(root()->getRootItemForIndex(1))->strName(),
                 u"A"_s);
        QVERIFY(!root()->getRootItemForIndex(3));
        QVERIFY(!root()->getRootItemForIndex(-1));
        QVERIFY(!root()->deserialise({}));
        QCOMPARE(root()->numberOfRootItems(), 3);
        // Unwrapped lists are read too; decoding twice without clearing lists everything twice.
        QVERIFY(root()->deserialise(listReply(
            u"arrTopAlbums"_s,
            {album(1, 0, u"Photos"_s), album(2, 0, u"A"_s), album(3, 0, u"Empty"_s, false)}, false)));
        QCOMPARE(root()->numberOfRootItems(), 6);
        QCOMPARE(registry().remoteAlbumByName().size(), 4);
        root()->clear();
        m_globals->clearRemoteFolderDictionaries();
    }

    void pathsAndRegistry()
    {
        loadTopLevel();
        const soapRemoteFolderItemPtr photos = albumAt(u"Photos"_s);
        QVERIFY(photos);
        QCOMPARE(photos->fullRemotePath(), u"Photos"_s);
        QVERIFY(!photos->bDataIsCached());
        QVERIFY(albumAt(u"Empty"_s)->bDataIsCached());

        photos->replaceChildrenWithFolders(
            listReply(u"arrAlbums"_s, {album(10, 1, u"2020"_s)}),
            listReply(u"arrAssets"_s, {asset(100, 1, u"a.jpg"_s), asset(101, 1, u"b.jpg"_s)}));
        QCOMPARE(photos->numberOfChildren(), 3);
        const auto sub = albumAt(u"Photos/2020"_s);
        QVERIFY(sub);
        QCOMPARE(registry().findRemoteAlbumByID(10), sub);
        QCOMPARE(photos->getChildAtIndex(0), sub);
        const auto file = std::dynamic_pointer_cast<soapRemoteFileItem>(photos->getChildAtIndex(1));
        QCOMPARE(file->fullRemotePath(), u"Photos/a.jpg"_s);
        QVERIFY(!photos->getChildAtIndex(3));
        QVERIFY(photos->bDataIsCached());

        // Replacing drops the old sub-albums from the registry and registers the new ones.
        sub->replaceChildrenWithFolders(listReply(u"arrAlbums"_s, {album(11, 10, u"deep"_s)}), {});
        QVERIFY(albumAt(u"Photos/2020/deep"_s));
        photos->replaceChildrenWithFolders(listReply(u"arrAlbums"_s, {album(12, 1, u"2021"_s)}), {});
        QVERIFY(!albumAt(u"Photos/2020"_s));
        QVERIFY(!albumAt(u"Photos/2020/deep"_s));
        QVERIFY(!registry().findRemoteAlbumByID(11));
        QCOMPARE(albumAt(u"Photos"_s), photos);
        QCOMPARE(photos->numberOfChildren(), 1);
        QVERIFY(registry().debugCheckDictionary(root()));
    }

    void emptyListingKeepsTheServersChildrenFlag()
    {
        loadTopLevel();
        const auto photos = albumAt(u"Photos"_s);
        photos->replaceChildrenWithFolders({}, {});
        QVERIFY(photos->bHasChildren());
        QVERIFY(!photos->bDataIsCached());
    }

    void removingChildren()
    {
        loadTopLevel();
        const auto photos = albumAt(u"Photos"_s);
        photos->replaceChildrenWithFolders(
            {}, listReply(u"arrAssets"_s, {asset(100, 1, u"a.jpg"_s), asset(101, 1, u"b.jpg"_s)}));
        QVERIFY(!photos->removeAsset(999));
        QVERIFY(!photos->removeChild(albumAt(u"A"_s)));
        QCOMPARE(photos->numberOfChildren(), 2);
        QVERIFY(photos->bHasChildren());
        QVERIFY(photos->removeAsset(100));
        QVERIFY(photos->removeChild(photos->getChildAtIndex(0)));
        QCOMPARE(photos->numberOfChildren(), 0);
        QVERIFY(!photos->bHasChildren());

        QVERIFY(root()->removeChild(photos));
        photos->releaseFolderContents(true);
        QVERIFY(!albumAt(u"Photos"_s));
        QVERIFY(!registry().findRemoteAlbumByID(1));
    }

    void placeholdersAndUploadedAssetsAreNotRegistered()
    {
        loadTopLevel();
        const auto a = albumAt(u"A"_s);
        auto placeholder = std::make_shared<createFolderTempItem>();
        root()->addTempChild(placeholder);
        a->addTempChild(std::make_shared<createFolderTempItem>());
        auto uploaded = soapRemoteFileItem::initWithUploadDictionary({{u"assetid"_s, qlonglong(5)},
                                                                      {u"filename"_s, u"x.png"_s},
                                                                      {u"albumid"_s, qlonglong(2)},
                                                                      {u"pending"_s, u"1"_s}});
        QVERIFY(uploaded->bCanDelete() && uploaded->bCanRename() && uploaded->bPending());
        QVERIFY(uploaded->fullRemotePath().isEmpty());
        albumAt(u"Empty"_s)->addUloadedFile(uploaded);
        QVERIFY(albumAt(u"Empty"_s)->bHasChildren());
        QCOMPARE(registry().remoteAlbumByName().size(), 4);
        root()->clearPendingFilesFlags();
        QVERIFY(!uploaded->bPending());
        QVERIFY(root()->removeChild(placeholder));
    }

    void createdAlbumsAreAppendedAndRegistered()
    {
        loadTopLevel();
        const auto a = albumAt(u"A"_s);
        const QVariantMap reply{{u"objAlbumSummary"_s, album(20, 2, u"B"_s, false)}};
        const auto created = a->createNewAlbum(reply);
        QVERIFY(created);
        QCOMPARE(a->getChildAtIndex(a->numberOfChildren() - 1), created);
        QVERIFY(a->bHasChildren());
        QCOMPARE(albumAt(u"A/B"_s), created);
        const auto top = root()->createNewAlbum({{u"objAlbumSummary"_s, album(21, 0, u"New"_s)}});
        QCOMPARE(albumAt(u"New"_s), top);
        QCOMPARE(root()->getRootItemForIndex(3), top);
    }

    void albumWithUnknownParentIsLeftOut()
    {
        loadTopLevel();
        const auto a = albumAt(u"A"_s);
        a->replaceChildrenWithFolders(
            listReply(u"arrAlbums"_s, {album(30, 999, u"Lost"_s), album(31, 2, u"Found"_s)}), {});
        QCOMPARE(a->numberOfChildren(), 1);
        QVERIFY(!albumAt(u"Lost"_s));
        QVERIFY(albumAt(u"A/Found"_s));
        QVERIFY(!a->createNewAlbum({}));
    }

    void renameMovesTheLoadedSubtree()
    {
        loadTopLevel();
        const auto a = albumAt(u"A"_s);
        a->replaceChildrenWithFolders(listReply(u"arrAlbums"_s, {album(40, 2, u"B"_s)}), {});
        const auto b = albumAt(u"A/B"_s);
        b->replaceChildrenWithFolders(listReply(u"arrAlbums"_s, {album(41, 40, u"x"_s)}),
                                      listReply(u"arrAssets"_s, {asset(400, 40, u"f.jpg"_s)}));
        const auto x = albumAt(u"A/B/x"_s);
        b->setStrName(u"C"_s);
        registry().renameRemoteAlbumPath(u"A/B"_s, u"B"_s, u"C"_s);
        QCOMPARE(albumAt(u"A/C"_s), b);
        QVERIFY(!albumAt(u"A/B"_s));
        QCOMPARE(registry().findRemoteAlbumByID(40), b);
        QCOMPARE(b->fullRemotePath(), u"A/C"_s);
        // Loaded albums below moved along: a stale A/B/x would send uploads to the wrong album.
        QCOMPARE(albumAt(u"A/C/x"_s), x);
        QVERIFY(!albumAt(u"A/B/x"_s));
        QCOMPARE(b->getChildAtIndex(1)
                     ? std::dynamic_pointer_cast<soapRemoteFileItem>(b->getChildAtIndex(1))->fullRemotePath()
                     : QString(),
                 u"A/C/f.jpg"_s);
        // A name that is not an album's is left alone.
        registry().renameRemoteAlbumPath(u"nothing"_s, QString(), u"Z"_s);
        QVERIFY(!albumAt(u"Z"_s));
    }

    void deleteAndClear()
    {
        loadTopLevel();
        registry().deleteRemoteAlbumNamed(u"Photos"_s);
        QVERIFY(!albumAt(u"Photos"_s));
        QVERIFY(!registry().findRemoteAlbumByID(1));
        registry().deleteRemoteAlbumNamed(u"Photos"_s);
        // The walk still finds Photos in the tree: the check must say so.
        QVERIFY(!registry().debugCheckDictionary(root()));

        root()->clear();
        m_globals->clearRemoteFolderDictionaries();
        QCOMPARE(registry().remoteAlbumByName().size(), 1);
        QCOMPARE(registry().findRemoteAlbumByName(QString()), root());
        QCOMPARE(registry().findRemoteAlbumByID(0), root());
    }

    void newerNodeKeepsItsEntriesWhenTheOlderIsDeleted()
    {
        loadTopLevel();
        const auto first = albumAt(u"Photos"_s);
        loadTopLevel();
        const auto second = albumAt(u"Photos"_s);
        QVERIFY(first != second);
        QCOMPARE(registry().findRemoteAlbumByID(1), second);
        root()->clear();
        m_globals->clearRemoteFolderDictionaries();
    }
};

VENDRA_TEST_MAIN(TestRemoteTree)
#include "tst_remotetree.moc"
