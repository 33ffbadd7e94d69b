#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/HttpExchange.h"
#include "http/SharedCookieJar.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"

#include "SessionTarget.h"
#include "VendraTest.h"

// Every service operation against the reference server, called as the workers call them.
class TestServiceCalls : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<commsGlobals> m_globals;
    std::unique_ptr<ReferenceServer> m_server;

    wsCoreComms &comms() { return m_globals->coreComms(); }

    // Starts a fresh server with the demo account and signs in to it.
    void signIn(const QStringList &arguments = {})
    {
        m_server = startServerFor(*m_globals, arguments);
        Error error;
        QVERIFY(m_globals->results().checkVersion().deserialise(comms().doCheckVersion(error)));
        QVERIFY(comms().doLogin(error).contains(u"objUserDetails"_s));
        QVERIFY2(!error, qPrintable(error.toString()));
    }

    // Uploads a small file as the upload engine would, with the session cookie.
    void uploadAsset(qint64 album)
    {
        HttpRequest request;
        request.url = QUrl(comms().getUploadURLStr() + QString::number(album));
        request.headers = {{"Content-Type", "multipart/form-data; boundary=b0undary"}};
        request.body =
            "--b0undary\r\nContent-Disposition: form-data; name=\"file\"; filename=\"photo.jpg\"\r\n"
            "\r\nhello\r\n--b0undary--\r\n";
        Error error;
        const HttpResponse reply = HttpExchange::post(request, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        QCOMPARE(reply.status, 200);
    }

private Q_SLOTS:
    void init() { m_globals = std::make_unique<commsGlobals>(); }
    void cleanup()
    {
        m_globals.reset();
        // Idle keep-alive connections would hold the server's shutdown up.
        m_server.reset();
        SharedCookieJar::instance().clear();
    }

    void everyOperation()
    {
        signIn();
        Error error;
        QVERIFY(comms().doGetPendingFilesButtonDetails(error).contains(u"objPendingFilesButtonDetails"_s));
        QVERIFY(comms().doGetMyPicturesButtonDetails(error).contains(u"objMyPicturesButtonDetails"_s));
        QVERIFY(comms().doGetQuotaDetails(error).contains(u"objQuotaDetails"_s));
        QVERIFY(m_globals->results().remoteFolderBrowser()->deserialise(comms().doGetTopLevelAlbums(error)));
        QVERIFY2(!error, qPrintable(error.toString()));
        const auto family = std::dynamic_pointer_cast<soapRemoteFolderItem>(
            m_globals->registry().findRemoteAlbumByName(u"Family"_s));
        QVERIFY(family);
        const qint64 album = family->albumID();

        uploadAsset(album);
        const QVariantMap assets = comms().doGetAssetsByAlbumID(album, error);
        // Typed leaves decode to their types: the size is a number, the pending flag a boolean.
        const QVariantMap item = assets.value(u"arrAssets"_s).toMap().value(u"item"_s).toMap();
        QCOMPARE(item.value(u"m_nFilesize"_s), QVariant(qlonglong(5)));
        QCOMPARE(item.value(u"m_bPending"_s), QVariant(true));
        const qint64 asset = soapResultsBase::getLongNumber(u"m_nAssetID"_s, item);

        // A rename counts only when the server echoes the same ID and exactly the new name.
        QVariantMap renamed = comms().doRenameAsset(asset, u"renamed.jpg"_s, error);
        QVERIFY(wsCoreComms::checkRenameFileAsset(asset, renamed, u"renamed.jpg"_s));
        QVERIFY(!wsCoreComms::checkRenameFileAsset(asset, renamed, u"Renamed.jpg"_s));
        QVERIFY(!wsCoreComms::checkRenameFileAsset(asset + 1, renamed, u"renamed.jpg"_s));
        renamed = comms().doRenameAlbumID(album, u"Kin & <Co>"_s, error);
        QVERIFY(wsCoreComms::checkRenameFolderAsset(album, renamed, u"Kin & <Co>"_s));
        QVERIFY(!wsCoreComms::checkRenameFolderAsset(album, renamed, u"Kin & <Co> "_s));
        QVERIFY(!wsCoreComms::checkRenameFolderAsset(album, {}, u"Kin & <Co>"_s));

        comms().doDeleteAsset(asset, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        comms().doDeleteAlbum(album, error);
        QVERIFY2(!error, qPrintable(error.toString()));
        comms().doGetAlbumsByParentID(album, error);
        QCOMPARE(error.domain(), u"SOAP-Result"_s);
    }

    // A refused logout forgets the session locally: its cookies must not be sent again.
    void logoutKeepsCookiesOnlyWhenItSucceeds()
    {
        signIn();
        Error error;
        comms().doLogout(error);
        QVERIFY(!error);
        QVERIFY(!SharedCookieJar::instance().storedCookiesForUrl(comms().getSoapURL()).isEmpty());

        cleanup();
        init();
        signIn({u"--fault"_s, u"soap-api=Logout:NOT NOW"_s});
        m_globals->results().setBLoggedIn(true);
        comms().doLogout(error);
        QVERIFY(error);
        QVERIFY(SharedCookieJar::instance().storedCookiesForUrl(comms().getSoapURL()).isEmpty());
        QVERIFY(!m_globals->results().bLoggedIn());
    }

    void pendingStatusCheckRunsOffTheMainThread()
    {
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
        signIn({u"--fault"_s, u"soap-api=GetPendingFilesButtonDetails:DOWN"_s});
        QObject observer;
        int posts = 0;
        NotificationCenter::defaultCenter().addObserver(&observer, NotificationNames::PendingStatusUpdate,
                                                        [&](const Notification &) { ++posts; });
        bool result = true;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            result = comms().doInternalGetPendingFilesStatus(std::make_shared<pendingFilesStatusRequest>());
        }));
        worker->start();
        QVERIFY(worker->wait(30000));
        QVERIFY(!result);
        QCOMPARE(posts, 0);
    }
};

VENDRA_TEST_MAIN(TestServiceCalls)
#include "tst_servicecalls.moc"
