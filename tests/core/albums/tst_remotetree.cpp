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
            {u"m_bHasChildren"_s, hasChildren}};
}

QVariantMap asset(qint64 id, qint64 albumID, const QString &name)
{
    return {{u"m_nAssetID"_s, id}, {u"m_nAlbumID"_s, albumID}, {u"m_strFilename"_s, name}};
}

// A SOAP array as it decodes: one item stays a dictionary, several become a list, both wrapped.
QVariantMap listReply(const QString &key, const QList<QVariantMap> &items, bool wrapped = true)
{
    QVariantList list(items.begin(), items.end());
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
    void loadTopLevel(bool wrapped = true)
    {
        QVERIFY(root()->deserialise(listReply(
            u"arrTopAlbums"_s,
            {album(1, 0, u"Photos"_s), album(2, 0, u"A"_s), album(3, 0, u"Empty"_s, false)}, wrapped)));
    }
    void clearTree()
    {
        root()->clear();
        m_globals->clearRemoteFolderDictionaries();
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
        clearTree();
        loadTopLevel();
        QCOMPARE(root()->numberOfRootItems(), 3);
        QCOMPARE(std::dynamic_pointer_cast<soapRemoteFolderItem>(root()->getRootItemForIndex(1))->strName(),
                 u"A"_s);
        QVERIFY(!root()->getRootItemForIndex(3));
        QVERIFY(!root()->getRootItemForIndex(-1));
        QVERIFY(!root()->deserialise({}));
        QCOMPARE(root()->numberOfRootItems(), 3);

        // Unwrapped lists are read too; decoding twice without clearing lists everything twice, and
        // the newer node owns the name and the ID.
        const auto first = albumAt(u"Photos"_s);
        loadTopLevel(false);
        QCOMPARE(root()->numberOfRootItems(), 6);
        QCOMPARE(registry().remoteAlbumByName().size(), 4);
        QVERIFY(albumAt(u"Photos"_s) != first);
        QCOMPARE(registry().findRemoteAlbumByID(1), albumAt(u"Photos"_s));
        clearTree();
    }

    void pathsRegistryAndRemoval()
    {
        loadTopLevel();
        const auto photos = albumAt(u"Photos"_s);
        QCOMPARE(photos->fullRemotePath(), u"Photos"_s);
        QVERIFY(!photos->bDataIsCached());
        QVERIFY(albumAt(u"Empty"_s)->bDataIsCached());
        // An empty listing keeps the server's word that there are children.
        photos->replaceChildrenWithFolders({}, {});
        QVERIFY(photos->bHasChildren());
        QVERIFY(!photos->bDataIsCached());

        photos->replaceChildrenWithFolders(
            listReply(u"arrAlbums"_s, {album(10, 1, u"2020"_s)}),
            listReply(u"arrAssets"_s, {asset(100, 1, u"a.jpg"_s), asset(101, 1, u"b.jpg"_s)}));
        QCOMPARE(photos->numberOfChildren(), 3);
        const auto sub = albumAt(u"Photos/2020"_s);
        QCOMPARE(registry().findRemoteAlbumByID(10), sub);
        QCOMPARE(photos->getChildAtIndex(0), sub);
        const auto file = std::dynamic_pointer_cast<soapRemoteFileItem>(photos->getChildAtIndex(1));
        QCOMPARE(file->fullRemotePath(), u"Photos/a.jpg"_s);
        QVERIFY(!photos->getChildAtIndex(3));
        QVERIFY(photos->bDataIsCached());

        // Replacing drops the old sub-albums, however deep, and registers the new ones.
        sub->replaceChildrenWithFolders(listReply(u"arrAlbums"_s, {album(11, 10, u"deep"_s)}), {});
        QVERIFY(albumAt(u"Photos/2020/deep"_s));
        photos->replaceChildrenWithFolders(listReply(u"arrAlbums"_s, {album(12, 1, u"2021"_s)}), {});
        QVERIFY(!albumAt(u"Photos/2020"_s));
        QVERIFY(!albumAt(u"Photos/2020/deep"_s));
        QVERIFY(!registry().findRemoteAlbumByID(11));
        QCOMPARE(albumAt(u"Photos"_s), photos);
        QCOMPARE(photos->numberOfChildren(), 1);

        // Only children of the album are removed; the last one gone clears the children flag.
        photos->replaceChildrenWithFolders(
            {}, listReply(u"arrAssets"_s, {asset(100, 1, u"a.jpg"_s), asset(101, 1, u"b.jpg"_s)}));
        QVERIFY(!photos->removeAsset(999));
        QVERIFY(!photos->removeChild(albumAt(u"A"_s)));
        QVERIFY(photos->removeAsset(100));
        QVERIFY(photos->bHasChildren());
        QVERIFY(photos->removeChild(photos->getChildAtIndex(0)));
        QVERIFY(!photos->bHasChildren());
        QVERIFY(root()->removeChild(photos));
        photos->releaseFolderContents(true);
        QVERIFY(!albumAt(u"Photos"_s));
        QVERIFY(!registry().findRemoteAlbumByID(1));
    }

    void placeholdersAndUploadedAssetsAreNotRegistered()
    {
        loadTopLevel();
        auto placeholder = std::make_shared<createFolderTempItem>();
        root()->addTempChild(placeholder);
        albumAt(u"A"_s)->addTempChild(std::make_shared<createFolderTempItem>());
        auto uploaded = soapRemoteFileItem::initWithUploadDictionary(
            {{u"assetid"_s, 5}, {u"filename"_s, u"x.png"_s}, {u"albumid"_s, 2}, {u"pending"_s, u"1"_s}});
        QVERIFY(uploaded->bCanDelete() && uploaded->bCanRename() && uploaded->bPending());
        QVERIFY(uploaded->fullRemotePath().isEmpty());
        albumAt(u"Empty"_s)->addUloadedFile(uploaded);
        QVERIFY(albumAt(u"Empty"_s)->bHasChildren());
        QCOMPARE(registry().remoteAlbumByName().size(), 4);
        root()->clearPendingFilesFlags();
        QVERIFY(!uploaded->bPending());
        QVERIFY(root()->removeChild(placeholder));
    }

    void createdAlbumsAreAppendedAndOrphansLeftOut()
    {
        loadTopLevel();
        const auto a = albumAt(u"A"_s);
        const auto created = a->createNewAlbum({{u"objAlbumSummary"_s, album(20, 2, u"B"_s, false)}});
        QVERIFY(created);
        QCOMPARE(a->getChildAtIndex(a->numberOfChildren() - 1), created);
        QVERIFY(a->bHasChildren());
        QCOMPARE(albumAt(u"A/B"_s), created);
        const auto top = root()->createNewAlbum({{u"objAlbumSummary"_s, album(21, 0, u"New"_s)}});
        QCOMPARE(albumAt(u"New"_s), top);
        QCOMPARE(root()->getRootItemForIndex(3), top);
        QVERIFY(!a->createNewAlbum({}));

        // A listed album whose parent is not the album listed is left out.
        a->replaceChildrenWithFolders(
            listReply(u"arrAlbums"_s, {album(30, 999, u"Lost"_s), album(31, 2, u"Found"_s)}), {});
        QCOMPARE(a->numberOfChildren(), 1);
        QVERIFY(!albumAt(u"Lost"_s) && !albumAt(u"A/Lost"_s));
        QVERIFY(albumAt(u"A/Found"_s));
    }

    void renameMovesTheLoadedSubtree()
    {
        loadTopLevel();
        albumAt(u"A"_s)->replaceChildrenWithFolders(listReply(u"arrAlbums"_s, {album(40, 2, u"B"_s)}), {});
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
        const auto file = std::dynamic_pointer_cast<soapRemoteFileItem>(b->getChildAtIndex(1));
        QVERIFY(file);
        QCOMPARE(file->fullRemotePath(), u"A/C/f.jpg"_s);
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

        clearTree();
        QCOMPARE(registry().remoteAlbumByName().size(), 1);
        QCOMPARE(registry().findRemoteAlbumByName(QString()), root());
        QCOMPARE(registry().findRemoteAlbumByID(0), root());
    }
};

VENDRA_TEST_MAIN(TestRemoteTree)
#include "tst_remotetree.moc"
