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
    return {{QStringLiteral("m_nAlbumID"), id},
            {QStringLiteral("m_nParentID"), parent},
            {QStringLiteral("m_strName"), name},
            {QStringLiteral("m_strDescription"), QString()},
            {QStringLiteral("m_bHasChildren"), hasChildren},
            {QStringLiteral("m_bCanCreateUnder"), true},
            {QStringLiteral("m_bCanDelete"), true},
            {QStringLiteral("m_bCanRename"), true},
            {QStringLiteral("m_bPending"), false}};
}

QVariantMap asset(qint64 id, qint64 albumID, const QString &name)
{
    return {{QStringLiteral("m_nAssetID"), id},
            {QStringLiteral("m_nAlbumID"), albumID},
            {QStringLiteral("m_strFilename"), name},
            {QStringLiteral("m_nFilesize"), qlonglong(10)},
            {QStringLiteral("m_nAssetType"), qlonglong(1)},
            {QStringLiteral("m_bPending"), true},
            {QStringLiteral("m_bCanDelete"), false},
            {QStringLiteral("m_bCanRename"), false}};
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
    return {{key, QVariantMap{{QStringLiteral("item"), inner}}}};
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
        QVERIFY(root()->deserialise(
            listReply(QStringLiteral("arrTopAlbums"),
                      {album(1, 0, QStringLiteral("Photos")), album(2, 0, QStringLiteral("A")),
                       album(3, 0, QStringLiteral("Empty"), false)})));
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
        QVERIFY(root()->deserialise(
            listReply(QStringLiteral("arrTopAlbums"), {album(1, 0, QStringLiteral("One"))})));
        QCOMPARE(root()->numberOfRootItems(), 1);
        root()->clear();
        m_globals->clearRemoteFolderDictionaries();
        loadTopLevel();
        QCOMPARE(root()->numberOfRootItems(), 3);
        QCOMPARE(std::dynamic_pointer_cast<soapRemoteFolderItem>(root()->getRootItemForIndex(1))->strName(),
                 QStringLiteral("A"));
        QVERIFY(!root()->getRootItemForIndex(3));
        QVERIFY(!root()->getRootItemForIndex(-1));
        QVERIFY(!root()->deserialise({}));
        QCOMPARE(root()->numberOfRootItems(), 3);
        // Unwrapped lists are read too; decoding twice without clearing lists everything twice.
        QVERIFY(root()->deserialise(
            listReply(QStringLiteral("arrTopAlbums"),
                      {album(1, 0, QStringLiteral("Photos")), album(2, 0, QStringLiteral("A")),
                       album(3, 0, QStringLiteral("Empty"), false)},
                      false)));
        QCOMPARE(root()->numberOfRootItems(), 6);
        QCOMPARE(registry().remoteAlbumByName().size(), 4);
        root()->clear();
        m_globals->clearRemoteFolderDictionaries();
    }

    void pathsAndRegistry()
    {
        loadTopLevel();
        const soapRemoteFolderItemPtr photos = albumAt(QStringLiteral("Photos"));
        QVERIFY(photos);
        QCOMPARE(photos->fullRemotePath(), QStringLiteral("Photos"));
        QVERIFY(!photos->bDataIsCached());
        QVERIFY(albumAt(QStringLiteral("Empty"))->bDataIsCached());

        photos->replaceChildrenWithFolders(
            listReply(QStringLiteral("arrAlbums"), {album(10, 1, QStringLiteral("2020"))}),
            listReply(QStringLiteral("arrAssets"),
                      {asset(100, 1, QStringLiteral("a.jpg")), asset(101, 1, QStringLiteral("b.jpg"))}));
        QCOMPARE(photos->numberOfChildren(), 3);
        const auto sub = albumAt(QStringLiteral("Photos/2020"));
        QVERIFY(sub);
        QCOMPARE(registry().findRemoteAlbumByID(10), sub);
        QCOMPARE(photos->getChildAtIndex(0), sub);
        const auto file = std::dynamic_pointer_cast<soapRemoteFileItem>(photos->getChildAtIndex(1));
        QCOMPARE(file->fullRemotePath(), QStringLiteral("Photos/a.jpg"));
        QVERIFY(!photos->getChildAtIndex(3));
        QVERIFY(photos->bDataIsCached());

        // Replacing drops the old sub-albums from the registry and registers the new ones.
        sub->replaceChildrenWithFolders(
            listReply(QStringLiteral("arrAlbums"), {album(11, 10, QStringLiteral("deep"))}), {});
        QVERIFY(albumAt(QStringLiteral("Photos/2020/deep")));
        photos->replaceChildrenWithFolders(
            listReply(QStringLiteral("arrAlbums"), {album(12, 1, QStringLiteral("2021"))}), {});
        QVERIFY(!albumAt(QStringLiteral("Photos/2020")));
        QVERIFY(!albumAt(QStringLiteral("Photos/2020/deep")));
        QVERIFY(!registry().findRemoteAlbumByID(11));
        QCOMPARE(albumAt(QStringLiteral("Photos")), photos);
        QCOMPARE(photos->numberOfChildren(), 1);
        QVERIFY(registry().debugCheckDictionary(root()));
    }

    void emptyListingKeepsTheServersChildrenFlag()
    {
        loadTopLevel();
        const auto photos = albumAt(QStringLiteral("Photos"));
        photos->replaceChildrenWithFolders({}, {});
        QVERIFY(photos->bHasChildren());
        QVERIFY(!photos->bDataIsCached());
    }

    void removingChildren()
    {
        loadTopLevel();
        const auto photos = albumAt(QStringLiteral("Photos"));
        photos->replaceChildrenWithFolders(
            {}, listReply(QStringLiteral("arrAssets"),
                          {asset(100, 1, QStringLiteral("a.jpg")), asset(101, 1, QStringLiteral("b.jpg"))}));
        QVERIFY(!photos->removeAsset(999));
        QVERIFY(!photos->removeChild(albumAt(QStringLiteral("A"))));
        QCOMPARE(photos->numberOfChildren(), 2);
        QVERIFY(photos->bHasChildren());
        QVERIFY(photos->removeAsset(100));
        QVERIFY(photos->removeChild(photos->getChildAtIndex(0)));
        QCOMPARE(photos->numberOfChildren(), 0);
        QVERIFY(!photos->bHasChildren());

        QVERIFY(root()->removeChild(photos));
        photos->releaseFolderContents(true);
        QVERIFY(!albumAt(QStringLiteral("Photos")));
        QVERIFY(!registry().findRemoteAlbumByID(1));
    }

    void placeholdersAndUploadedAssetsAreNotRegistered()
    {
        loadTopLevel();
        const auto a = albumAt(QStringLiteral("A"));
        auto placeholder = std::make_shared<createFolderTempItem>();
        QCOMPARE(placeholder->tempName(), QStringLiteral("New Folder"));
        root()->addTempChild(placeholder);
        a->addTempChild(std::make_shared<createFolderTempItem>());
        auto uploaded = soapRemoteFileItem::initWithUploadDictionary(
            {{QStringLiteral("assetid"), qlonglong(5)},
             {QStringLiteral("filename"), QStringLiteral("x.png")},
             {QStringLiteral("albumid"), qlonglong(2)},
             {QStringLiteral("pending"), QStringLiteral("1")}});
        QVERIFY(uploaded->bCanDelete() && uploaded->bCanRename() && uploaded->bPending());
        QVERIFY(uploaded->fullRemotePath().isEmpty());
        albumAt(QStringLiteral("Empty"))->addUloadedFile(uploaded);
        QVERIFY(albumAt(QStringLiteral("Empty"))->bHasChildren());
        QCOMPARE(registry().remoteAlbumByName().size(), 4);
        root()->clearPendingFilesFlags();
        QVERIFY(!uploaded->bPending());
        QVERIFY(root()->removeChild(placeholder));
    }

    void createdAlbumsAreAppendedAndRegistered()
    {
        loadTopLevel();
        const auto a = albumAt(QStringLiteral("A"));
        const QVariantMap reply{
            {QStringLiteral("objAlbumSummary"), album(20, 2, QStringLiteral("B"), false)}};
        const auto created = a->createNewAlbum(reply);
        QVERIFY(created);
        QCOMPARE(a->getChildAtIndex(a->numberOfChildren() - 1), created);
        QVERIFY(a->bHasChildren());
        QCOMPARE(albumAt(QStringLiteral("A/B")), created);
        const auto top = root()->createNewAlbum(
            {{QStringLiteral("objAlbumSummary"), album(21, 0, QStringLiteral("New"))}});
        QCOMPARE(albumAt(QStringLiteral("New")), top);
        QCOMPARE(root()->getRootItemForIndex(3), top);
    }

    void albumWithUnknownParentIsLeftOut()
    {
        loadTopLevel();
        const auto a = albumAt(QStringLiteral("A"));
        a->replaceChildrenWithFolders(
            listReply(QStringLiteral("arrAlbums"),
                      {album(30, 999, QStringLiteral("Lost")), album(31, 2, QStringLiteral("Found"))}),
            {});
        QCOMPARE(a->numberOfChildren(), 1);
        QVERIFY(!albumAt(QStringLiteral("Lost")));
        QVERIFY(albumAt(QStringLiteral("A/Found")));
        QVERIFY(!a->createNewAlbum({}));
    }

    void renameMovesTheLoadedSubtree()
    {
        loadTopLevel();
        const auto a = albumAt(QStringLiteral("A"));
        a->replaceChildrenWithFolders(
            listReply(QStringLiteral("arrAlbums"), {album(40, 2, QStringLiteral("B"))}), {});
        const auto b = albumAt(QStringLiteral("A/B"));
        b->replaceChildrenWithFolders(
            listReply(QStringLiteral("arrAlbums"), {album(41, 40, QStringLiteral("x"))}),
            listReply(QStringLiteral("arrAssets"), {asset(400, 40, QStringLiteral("f.jpg"))}));
        const auto x = albumAt(QStringLiteral("A/B/x"));
        b->setStrName(QStringLiteral("C"));
        registry().renameRemoteAlbumPath(QStringLiteral("A/B"), QStringLiteral("B"), QStringLiteral("C"));
        QCOMPARE(albumAt(QStringLiteral("A/C")), b);
        QVERIFY(!albumAt(QStringLiteral("A/B")));
        QCOMPARE(registry().findRemoteAlbumByID(40), b);
        QCOMPARE(b->fullRemotePath(), QStringLiteral("A/C"));
        // Loaded albums below moved along: a stale A/B/x would send uploads to the wrong album.
        QCOMPARE(albumAt(QStringLiteral("A/C/x")), x);
        QVERIFY(!albumAt(QStringLiteral("A/B/x")));
        QCOMPARE(b->getChildAtIndex(1)
                     ? std::dynamic_pointer_cast<soapRemoteFileItem>(b->getChildAtIndex(1))->fullRemotePath()
                     : QString(),
                 QStringLiteral("A/C/f.jpg"));
        // A name that is not an album's is left alone.
        registry().renameRemoteAlbumPath(QStringLiteral("nothing"), QString(), QStringLiteral("Z"));
        QVERIFY(!albumAt(QStringLiteral("Z")));
    }

    void deleteAndClear()
    {
        loadTopLevel();
        registry().deleteRemoteAlbumNamed(QStringLiteral("Photos"));
        QVERIFY(!albumAt(QStringLiteral("Photos")));
        QVERIFY(!registry().findRemoteAlbumByID(1));
        registry().deleteRemoteAlbumNamed(QStringLiteral("Photos"));
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
        const auto first = albumAt(QStringLiteral("Photos"));
        loadTopLevel();
        const auto second = albumAt(QStringLiteral("Photos"));
        QVERIFY(first != second);
        QCOMPARE(registry().findRemoteAlbumByID(1), second);
        root()->clear();
        m_globals->clearRemoteFolderDictionaries();
    }

    void pendingMarkIsAFlag()
    {
        loadTopLevel();
        const auto a = albumAt(QStringLiteral("A"));
        a->setPendingAsyncOp(true);
        a->setPendingAsyncOp(true);
        QVERIFY(a->hasPendingAsyncOp());
        a->setPendingAsyncOp(false);
        QVERIFY(!a->hasPendingAsyncOp());
    }
};

VENDRA_TEST_MAIN(TestRemoteTree)
#include "tst_remotetree.moc"
