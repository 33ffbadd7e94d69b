#include "albums/soapRemoteFolderBrowser.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"
#include "soap/SharedCookieJar.h"
#include "soap/ThreadNetworkManager.h"

#include "ReferenceServer.h"
#include "VendraTest.h"

#include <QHttpMultiPart>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QXmlStreamReader>

// Every service operation against the reference server, called as the workers call them.
class TestServiceCalls : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<commsGlobals> m_globals;
    std::unique_ptr<ReferenceServer> m_server;

    wsCoreComms &comms() { return m_globals->coreComms(); }

    bool startServer(const QStringList &arguments = {})
    {
        m_server = std::make_unique<ReferenceServer>();
        ReferenceServer::Options options;
        options.arguments = arguments;
        if (!m_server->start(options)) {
            qWarning("%s", qPrintable(m_server->errorString()));
            return false;
        }
        m_globals->setServer(m_server->host());
        m_globals->setPortNo(m_server->port());
        m_globals->setBUseHTTPS(false);
        m_globals->setUserName(u"demo"_s);
        m_globals->setPassword(u"demo"_s);
        return true;
    }

    void signIn()
    {
        Error error;
        QVERIFY(m_globals->results().checkVersion().deserialise(comms().doCheckVersion(error)));
        QVERIFY2(!error, qPrintable(error.toString()));
        const QVariantMap login = comms().doLogin(error);
        QVERIFY2(!error, qPrintable(error.toString()));
        QVERIFY(login.contains(u"objUserDetails"_s));
    }

    qint64 albumID(const QVariantMap &summaryReply)
    {
        return soapResultsBase::getLongNumber(u"m_nAlbumID"_s,
                                              summaryReply.value(u"objAlbumSummary"_s).toMap());
    }

    // Uploads a small file as the upload engine would, with the session cookie.
    qint64 uploadAsset(qint64 album, const QByteArray &name)
    {
        QHttpMultiPart multipart(QHttpMultiPart::FormDataType);
        QHttpPart part;
        part.setHeader(QNetworkRequest::ContentDispositionHeader,
                       QByteArray(QByteArray("form-data; name=\"file\"; filename=\"") + name + '"'));
        part.setBody("hello");
        multipart.append(part);
        QNetworkRequest request(QUrl(comms().getUploadURLStr() + QString::number(album)));
        std::unique_ptr<QNetworkReply> reply(
            ThreadNetworkManager::forCurrentThread().post(request, &multipart));
        if (!QTest::qWaitFor([&] { return reply->isFinished(); }, 30000))
            return -1;
        QXmlStreamReader xml(reply->readAll());
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("upload-result"))
                return xml.attributes().value(QLatin1String("assetid")).toLongLong();
        }
        return -1;
    }

private Q_SLOTS:
    void init() { m_globals = std::make_unique<commsGlobals>(); }
    void cleanup()
    {
        m_globals.reset();
        // Idle keep-alive connections would hold the server's shutdown up.
        ThreadNetworkManager::forCurrentThread().clearConnectionCache();
        m_server.reset();
        SharedCookieJar::instance().clear();
    }

    void everyOperation()
    {
        QVERIFY(startServer());
        signIn();
        Error error;
        QVERIFY(comms().doGetPendingFilesButtonDetails(error).contains(u"objPendingFilesButtonDetails"_s));
        QVERIFY(comms().doGetMyPicturesButtonDetails(error).contains(u"objMyPicturesButtonDetails"_s));
        QVERIFY(comms().doGetQuotaDetails(error).contains(u"objQuotaDetails"_s));
        const QVariantMap top = comms().doGetTopLevelAlbums(error);
        QVERIFY2(!error, qPrintable(error.toString()));
        QVERIFY(m_globals->results().remoteFolderBrowser()->deserialise(top));
        QCOMPARE(m_globals->results().remoteFolderBrowser()->numberOfRootItems(), 2);

        const QVariantMap created = comms().doCreateTopLevelAlbum(u"Trips & <Tours>"_s, QString(), error);
        QVERIFY2(!error, qPrintable(error.toString()));
        const qint64 trips = albumID(created);
        QVERIFY(trips > 0);
        QCOMPARE(soapResultsBase::getString(u"m_strName"_s, created.value(u"objAlbumSummary"_s).toMap()),
                 u"Trips & <Tours>"_s);
        const qint64 sub = albumID(comms().doCreateSubLevelAlbum(trips, u"2024"_s, u"d"_s, error));
        QVERIFY2(!error && sub > 0, qPrintable(error.toString()));
        const QVariantMap albums = comms().doGetAlbumsByParentID(trips, error);
        QVERIFY(albums.contains(u"arrAlbums"_s));

        const qint64 asset = uploadAsset(sub, "photo.jpg");
        QVERIFY(asset > 0);
        const QVariantMap assets = comms().doGetAssetsByAlbumID(sub, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        // Typed leaves decode to their types: the size is a number, the pending flag a boolean.
        const QVariantMap item = assets.value(u"arrAssets"_s).toMap().value(u"item"_s).toMap();
        QCOMPARE(item.value(u"m_nFilesize"_s), QVariant(qlonglong(5)));
        QCOMPARE(item.value(u"m_bPending"_s), QVariant(true));

        QVariantMap renamed = comms().doRenameAsset(asset, u"renamed.jpg"_s, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        QVERIFY(wsCoreComms::checkRenameFileAsset(asset, renamed, u"renamed.jpg"_s));
        QVERIFY(!wsCoreComms::checkRenameFileAsset(asset, renamed, u"Renamed.jpg"_s));
        QVERIFY(!wsCoreComms::checkRenameFileAsset(asset + 1, renamed, u"renamed.jpg"_s));

        renamed = comms().doRenameAlbumID(sub, u"2025"_s, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        QVERIFY(wsCoreComms::checkRenameFolderAsset(sub, renamed, u"2025"_s));
        QVERIFY(!wsCoreComms::checkRenameFolderAsset(sub, renamed, u"2025 "_s));
        QVERIFY(!wsCoreComms::checkRenameFolderAsset(sub, {}, u"2025"_s));

        comms().doDeleteAsset(asset, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        comms().doDeleteAlbum(trips, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        comms().doGetAlbumsByParentID(trips, error);
        QVERIFY(error);
        QCOMPARE(error.domain(), u"SOAP-Result"_s);
    }

    void logoutKeepsCookiesOnlyWhenItSucceeds()
    {
        QVERIFY(startServer());
        signIn();
        Error error;
        comms().doLogout(error);
        QVERIFY(!error);
        QVERIFY(!SharedCookieJar::instance().storedCookiesForUrl(comms().getSoapURL()).isEmpty());

        ThreadNetworkManager::forCurrentThread().clearConnectionCache();
        m_server.reset();
        m_globals->results().setBLoggedIn(true);
        QVERIFY(startServer({u"--fault"_s, u"soap-api=Logout:NOT NOW"_s}));
        signIn();
        m_globals->results().setBLoggedIn(true);
        comms().doLogout(error);
        QVERIFY(error);
        QVERIFY(SharedCookieJar::instance().storedCookiesForUrl(comms().getSoapURL()).isEmpty());
        QVERIFY(!m_globals->results().bLoggedIn());
    }

    void pendingStatusCheckRunsOffTheMainThread()
    {
        QVERIFY(startServer());
        signIn();
        QObject observer;
        QThread *postingThread = nullptr;
        pendingFilesStatusRequestPtr posted;
        NotificationCenter::defaultCenter().addObserver(
            &observer, NotificationNames::PendingStatusUpdate, [&](const Notification &n) {
                postingThread = QThread::currentThread();
                posted = n.object().value<pendingFilesStatusRequestPtr>();
            });
        const auto request = std::make_shared<pendingFilesStatusRequest>();
        QVERIFY(comms().doGetPendingFilesStatus(request));
        QVERIFY(QTest::qWaitFor([&] { return posted != nullptr; }, 30000));
        QCOMPARE(posted, request);
        QVERIFY(postingThread != qApp->thread());
        QCOMPARE(request->bReturnedPendingFilesStatus(),
                 m_globals->results().pendingFilesButton().bDisplayed() != 0);
        // Called straight on the main thread it refuses to block it.
        QVERIFY(!comms().doInternalGetPendingFilesStatus(request));
    }

    void failedPendingStatusCheckPostsNothing()
    {
        QVERIFY(startServer({u"--fault"_s, u"soap-api=GetPendingFilesButtonDetails:DOWN"_s}));
        signIn();
        QObject observer;
        int posts = 0;
        NotificationCenter::defaultCenter().addObserver(&observer, NotificationNames::PendingStatusUpdate,
                                                        [&](const Notification &) { ++posts; });
        const auto request = std::make_shared<pendingFilesStatusRequest>();
        bool result = true;
        std::unique_ptr<QThread> worker(
            QThread::create([&] { result = comms().doGetPendingFilesStatus(request); }));
        worker->start();
        QVERIFY(worker->wait(30000));
        QVERIFY(result);
        std::unique_ptr<QThread> direct(
            QThread::create([&] { result = comms().doInternalGetPendingFilesStatus(request); }));
        direct->start();
        QVERIFY(direct->wait(30000));
        QVERIFY(!result);
        QCOMPARE(posts, 0);
    }
};

VENDRA_TEST_MAIN(TestServiceCalls)
#include "tst_servicecalls.moc"
