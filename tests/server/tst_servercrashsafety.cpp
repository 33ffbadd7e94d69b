// The reference server killed (SIGKILL, through its crash-at fault) at every step of every storage
// operation, then started again on the same data folder: the database and the disk agree, every
// listed asset downloads byte for byte, nothing listed before an unanswered operation is lost, and
// no stray file takes the name of a later upload.
#include "ServerTestClient.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QUrlQuery>

namespace {

// Albums (a path ending in "/", no content) and assets (path and content), as listed or stored.
using Tree = QMap<QString, QByteArray>;

const QByteArray kA = TestFiles::randomBytes(50000, 1);
const QByteArray kB = TestFiles::randomBytes(70000, 2);
const QByteArray kC = TestFiles::randomBytes(30000, 3);
const QByteArray kD = TestFiles::randomBytes(40000, 4);

// What the demo account holds before each operation.
Tree initialTree()
{
    return {{"Family/", {}},     {"Holidays/", {}},  {"Holidays/2019/", {}}, {"Trip/", {}},
            {"Trip/Day 1/", {}}, {"Trip/a.jpg", kA}, {"Trip/b.jpg", kB},     {"Trip/Day 1/c.jpg", kC}};
}

// The tree with every path under from moved under to (a renamed album or asset), or gone when to is
// empty.
Tree moved(const Tree &tree, const QString &from, const QString &to = {})
{
    Tree result;
    for (auto it = tree.begin(); it != tree.end(); ++it)
        if (!it.key().startsWith(from))
            result.insert(it.key(), it.value());
        else if (!to.isEmpty())
            result.insert(to + it.key().mid(from.size()), it.value());
    return result;
}

// Everything the server lists for the signed-in user, each asset downloaded through the pictures
// page; ids maps each path to its album or asset id.
Tree listedTree(ServerTestClient &client, QMap<QString, qint64> &ids)
{
    const auto button = client.call(u"GetMyPicturesButtonDetails"_s);
    const XmlNode *details = button.response.child(u"objMyPicturesButtonDetails"_s);
    if (!details)
        return {{u"<no session>"_s, button.apiResponse.toUtf8()}};
    const QString token = QUrlQuery(QUrl(details->leafText(u"m_strLink"_s))).queryItemValue(u"token"_s);
    Tree tree;
    QList<QPair<qint64, QString>> pending{{0, QString()}};
    while (!pending.isEmpty()) {
        const auto [parent, prefix] = pending.takeFirst();
        const auto albums =
            client.call(u"GetAlbumsByParentAlbumID"_s, {{u"nAlbumID"_s, QString::number(parent)}});
        const XmlNode *albumList = albums.response.child(u"arrAlbums"_s);
        for (const XmlNode &album : albumList ? albumList->children : QList<XmlNode>()) {
            const QString path = prefix + album.leafText(u"m_strName"_s) + "/";
            const qint64 id = album.leafText(u"m_nAlbumID"_s).toLongLong();
            tree.insert(path, {});
            ids.insert(path, id);
            pending.append({id, path});
            const auto assets = client.call(u"GetAssetsByAlbumID"_s, {{u"nAlbumID"_s, QString::number(id)}});
            const XmlNode *assetList = assets.response.child(u"arrAssets"_s);
            for (const XmlNode &asset : assetList ? assetList->children : QList<XmlNode>()) {
                const QString assetId = asset.leafText(u"m_nAssetID"_s);
                const auto download = client.get(u"/pictures/file?token=%1&asset=%2"_s.arg(token, assetId));
                const QString assetPath = path + asset.leafText(u"m_strFilename"_s);
                tree.insert(assetPath, download.first == 200 ? download.second : "<download failed>");
                ids.insert(assetPath, assetId.toLongLong());
            }
        }
    }
    return tree;
}

// What is on disk under the demo user's folder, in the same form.
Tree storedTree(const ReferenceServer &server)
{
    const QDir root(server.dataDir() + u"/albums/demo"_s);
    Tree tree;
    QDirIterator it(root.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const bool folder = it.fileInfo().isDir();
        tree.insert(root.relativeFilePath(path) + (folder ? "/" : ""),
                    folder ? QByteArray() : TestFiles::read(path));
    }
    return tree;
}

} // namespace

class TestServerCrashSafety : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void killedAtEveryStep_data();
    void killedAtEveryStep();

private:
    // A data folder holding initialTree(), copied into each test's fresh one.
    ReferenceServer m_template;
    QString m_session;
};

void TestServerCrashSafety::initTestCase()
{
    QVERIFY2(m_template.start(), qPrintable(m_template.errorString()));
    ServerTestClient client(m_template);
    QVERIFY(client.signIn());
    const auto trip = client.call(u"CreateNewTopLevelAlbum"_s, {{u"strName"_s, u"Trip"_s}});
    const qint64 tripId = trip.leaf(u"objAlbumSummary"_s, u"m_nAlbumID"_s).toLongLong();
    const auto day = client.call(u"CreateNewSubAlbum"_s,
                                 {{u"nParentID"_s, QString::number(tripId)}, {u"strName"_s, u"Day 1"_s}});
    const qint64 dayId = day.leaf(u"objAlbumSummary"_s, u"m_nAlbumID"_s).toLongLong();
    client.upload(tripId, u"a.jpg"_s, kA);
    client.upload(tripId, u"b.jpg"_s, kB);
    client.upload(dayId, u"c.jpg"_s, kC);
    QMap<QString, qint64> ids;
    QCOMPARE(listedTree(client, ids), initialTree()); // all arrived
    m_session = client.sessionToken();
    QVERIFY(m_template.stop());
}

void TestServerCrashSafety::killedAtEveryStep_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("point");
    for (const char *operation :
         {"upload", "create-album", "rename-album", "delete-album", "rename-asset", "delete-asset"})
        for (const char *point : {"intent", "moved", "committed"})
            QTest::addRow("%s.%s", operation, point) << QString(operation) << QString(point);
}

void TestServerCrashSafety::killedAtEveryStep()
{
    QFETCH(QString, operation);
    QFETCH(QString, point);
    ReferenceServer server;
    QCOMPARE(QProcess::execute(u"cp"_s, {u"-a"_s, m_template.dataDir() + u"/."_s, server.dataDir()}), 0);
    QVERIFY2(server.start({.arguments = {u"--fault"_s, u"crash-at=%1.%2"_s.arg(operation, point)}}),
             qPrintable(server.errorString()));
    ServerTestClient client(server);
    client.setSessionToken(m_session);
    QMap<QString, qint64> ids;
    QCOMPARE(listedTree(client, ids), initialTree());

    const Tree before = initialTree();
    Tree after = before; // when done
    QString takenName;   // a name the operation gives a file, which a later upload must get when free
    if (operation == "upload") {
        client.upload(ids["Trip/"], u"d.jpg"_s, kD);
        after.insert(u"Trip/d.jpg"_s, kD);
        takenName = u"d.jpg"_s;
    } else if (operation == "create-album") {
        client.call(u"CreateNewTopLevelAlbum"_s, {{u"strName"_s, u"New"_s}});
        after.insert(u"New/"_s, {});
    } else if (operation == "rename-album") {
        client.call(u"RenameAlbum"_s,
                    {{u"nAlbumID"_s, QString::number(ids["Trip/"])}, {u"strNewName"_s, u"Voyage"_s}});
        after = moved(before, u"Trip/"_s, u"Voyage/"_s);
    } else if (operation == "delete-album") {
        client.call(u"DeleteAlbum"_s, {{u"nAlbumID"_s, QString::number(ids["Trip/"])}});
        after = moved(before, u"Trip/"_s);
    } else if (operation == "rename-asset") {
        client.call(u"RenameAsset"_s, {{u"nAssetID"_s, QString::number(ids["Trip/a.jpg"])},
                                       {u"strNewName"_s, u"renamed.jpg"_s}});
        after = moved(before, u"Trip/a.jpg"_s, u"Trip/renamed.jpg"_s);
        takenName = u"renamed.jpg"_s;
    } else if (operation == "delete-asset") {
        client.call(u"DeleteAsset"_s, {{u"nAssetID"_s, QString::number(ids["Trip/a.jpg"])}});
        after = moved(before, u"Trip/a.jpg"_s);
    }
    QVERIFY2(!server.waitForExit(10000) && !server.isRunning(), "the server did not die at the step");

    // Started again without the fault: an operation killed before its database commit is undone
    // whole, one killed after it is complete.
    QElapsedTimer recovery;
    recovery.start();
    QVERIFY2(server.start(), qPrintable(server.errorString()));
    ServerTestClient restarted(server); // on the new port, in the same session
    restarted.setSessionToken(m_session);
    ids.clear();
    const Tree expected = point == "committed" ? after : before;
    QCOMPARE(listedTree(restarted, ids), expected);
    QCOMPARE(storedTree(server), expected);
    QVERIFY(QDir(server.dataDir() + u"/incoming"_s).isEmpty() &&
            QDir(server.dataDir() + u"/trash"_s).isEmpty());
    QVERIFY2(recovery.elapsed() < 10000, qPrintable(QString::number(recovery.elapsed())));
    QVERIFY(server.peakResidentBytes() > 0 && server.peakResidentBytes() < 64 * 1024 * 1024);

    // A later upload of the same name gets it when the listing does not hold it.
    if (!takenName.isEmpty() && ids.contains(u"Trip/"_s)) {
        const QString wanted =
            expected.contains("Trip/" + takenName) ? takenName.chopped(4) + " (2).jpg" : takenName;
        QCOMPARE(restarted.upload(ids["Trip/"], takenName, kD).result.value("filename"), wanted);
    }
}

VENDRA_TEST_MAIN(TestServerCrashSafety)
#include "tst_servercrashsafety.moc"
