#include "albums/soapRemoteFileItem.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "albums/wsSoapAsyncOp.h"
#include "albums/wsSoapAsyncOpDelegate.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"
#include "soap/SharedCookieJar.h"
#include "soap/ThreadNetworkManager.h"

#include "ReferenceServer.h"
#include "VendraTest.h"

#include <QMutex>
#include <QNetworkAccessManager>

namespace {

// Records every callback as it arrives on the worker, with what the tree looked like then.
class RecordingDelegate : public wsSoapAsyncOpDelegate
{
public:
    struct Call
    {
        bool started;
        asyncRequestInfoPtr info;
        soapRemoteBasePtr item;
        bool onMainThread;
        QStringList registeredPaths; // at the time of the call
    };

    void soapAsyncRequestStarted(const asyncRequestInfoPtr &info) override { record(true, info); }
    void soapAsyncRequestCompleted(const asyncRequestInfoPtr &info) override { record(false, info); }

    QList<Call> calls() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    int completed() const
    {
        const QMutexLocker lock(&m_mutex);
        return int(std::count_if(m_calls.begin(), m_calls.end(), [](const Call &c) { return !c.started; }));
    }

private:
    void record(bool started, const asyncRequestInfoPtr &info)
    {
        QStringList paths = commsGlobal->registry().remoteAlbumByName().keys();
        paths.sort();
        const QMutexLocker lock(&m_mutex);
        m_calls.append({started, info, info->item(), QThread::currentThread() == qApp->thread(), paths});
    }

    mutable QMutex m_mutex;
    QList<Call> m_calls;
};

} // namespace

// Album operations through the background queue against the reference server.
class TestAsyncOp : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ReferenceServer> m_server;
    std::unique_ptr<commsGlobals> m_globals;
    std::shared_ptr<RecordingDelegate> m_delegate;

    wsSoapAsyncOp &queue() { return m_globals->soapAsyncOp(); }
    soapRemoteFolderBrowserPtr root() { return m_globals->results().remoteFolderBrowser(); }
    soapRemoteFolderItemPtr album(const QString &path)
    {
        return std::dynamic_pointer_cast<soapRemoteFolderItem>(
            m_globals->registry().findRemoteAlbumByName(path));
    }

    void start(const QStringList &arguments = {})
    {
        m_server = std::make_unique<ReferenceServer>();
        ReferenceServer::Options options;
        options.arguments = arguments;
        QVERIFY2(m_server->start(options), qPrintable(m_server->errorString()));
        m_globals->setServer(m_server->host());
        m_globals->setPortNo(m_server->port());
        m_globals->setBUseHTTPS(false);
        m_globals->setUserName(u"demo"_s);
        m_globals->setPassword(u"demo"_s);
        Error error;
        wsCoreComms &comms = m_globals->coreComms();
        m_globals->results().checkVersion().deserialise(comms.doCheckVersion(error));
        comms.doLogin(error);
        QVERIFY(root()->deserialise(comms.doGetTopLevelAlbums(error)));
        QVERIFY2(!error, qPrintable(error.toString()));
    }

    // The registry names exactly the albums reachable in the tree.
    void consistent() { QVERIFY(m_globals->registry().debugCheckDictionary(root())); }

    asyncRequestInfoPtr fetch(const soapRemoteBasePtr &node)
    {
        const auto info = queue().requestGetFolderContentsFor(node, m_delegate);
        queue().waitForDone();
        consistent();
        return info;
    }

private Q_SLOTS:
    void init()
    {
        m_globals = std::make_unique<commsGlobals>();
        m_delegate = std::make_shared<RecordingDelegate>();
    }
    void cleanup()
    {
        if (m_globals)
            QVERIFY(m_globals->registry().debugCheckDictionary(root()));
        m_globals.reset();
        // Idle keep-alive connections would hold the server's shutdown up.
        ThreadNetworkManager::forCurrentThread().clearConnectionCache();
        m_server.reset();
        SharedCookieJar::instance().clear();
    }

    void openingAnAlbumChangesTheTreeBeforeTheCallback()
    {
        start();
        const auto holidays = album(u"Holidays"_s);
        QVERIFY(holidays && !holidays->bDataIsCached());
        const auto info = fetch(holidays);
        QVERIFY(info->bSucceeded());
        QVERIFY(!info->error());
        QVERIFY(holidays->bDataIsCached());
        QVERIFY(album(u"Holidays/2019"_s));
        const auto calls = m_delegate->calls();
        QCOMPARE(calls.size(), 2);
        QVERIFY(calls[0].started && !calls[1].started);
        QVERIFY(!calls[0].onMainThread && !calls[1].onMainThread);
        QVERIFY(!calls[0].registeredPaths.contains(u"Holidays/2019"_s));
        QVERIFY(calls[1].registeredPaths.contains(u"Holidays/2019"_s));
    }

    void requestWithoutDelegateRunsSilently()
    {
        start();
        const auto info = queue().requestGetFolderContentsFor(album(u"Holidays"_s), nullptr);
        queue().waitForDone();
        consistent();
        QVERIFY(info->bSucceeded());
        QVERIFY(album(u"Holidays/2019"_s));
    }

    void fetchForTheRootMakesNoCall()
    {
        start({u"--fault"_s, u"soap-api=GetAlbumsByParentAlbumID:NEVER"_s});
        const auto info = fetch(root());
        QVERIFY(!info->bSucceeded());
        QVERIFY(!info->error());
        QCOMPARE(m_delegate->completed(), 1);
    }

    void failedListingLeavesTheAlbumEmpty()
    {
        start({u"--fault"_s, u"soap-api=GetAlbumsByParentAlbumID:BROKEN"_s});
        const auto holidays = album(u"Holidays"_s);
        const auto info = fetch(holidays);
        QVERIFY(info->bSucceeded());
        QCOMPARE(info->error().messageKey(), u"BROKEN"_s);
        QCOMPARE(holidays->numberOfChildren(), 0);
        QVERIFY(!album(u"Holidays/2019"_s));
    }

    void renameIsConfirmedByTheEcho()
    {
        start();
        const auto family = album(u"Family"_s);
        const auto info = queue().requestRenameFor(family, u"Family"_s, u"Kin"_s, m_delegate);
        queue().waitForDone();
        consistent();
        QVERIFY(info->bSucceeded());
        // The queue leaves the tree to the requester.
        QCOMPARE(family->strName(), u"Family"_s);
        QCOMPARE(album(u"Family"_s), family);

        // A name the server refuses is not confirmed.
        const auto clash = queue().requestRenameFor(family, u"Kin"_s, u"Holidays"_s, m_delegate);
        queue().waitForDone();
        QVERIFY(!clash->bSucceeded());
        QVERIFY(clash->error());
    }

    void createAddsTheAlbumBeforeTheCallback()
    {
        start();
        const auto top = queue().requestCreateSubFolderFor(root(), u"Work"_s, QString(), m_delegate);
        queue().waitForDone();
        consistent();
        QVERIFY2(top->bSucceeded(), qPrintable(top->error().toString()));
        QVERIFY(top->createdAlbum());
        QCOMPARE(album(u"Work"_s), top->createdAlbum());
        QCOMPARE(root()->getRootItemForIndex(root()->numberOfRootItems() - 1), top->createdAlbum());
        QVERIFY(m_delegate->calls().last().registeredPaths.contains(u"Work"_s));

        auto placeholder = std::make_shared<createFolderTempItem>();
        const auto sub = queue().requestCreateSubFolderFor(top->createdAlbum(), u"Q1"_s, placeholder,
                                                           QString(), m_delegate);
        queue().waitForDone();
        consistent();
        QVERIFY(sub->bSucceeded());
        QCOMPARE(sub->requestType(), int(asyncRequestInfo::CreateFolderByRenameTemp));
        QCOMPARE(sub->tempFolder(), placeholder);
        QCOMPARE(album(u"Work/Q1"_s), sub->createdAlbum());
        QVERIFY(top->createdAlbum()->bHasChildren());

        // A refused create adds nothing.
        const auto refused = queue().requestCreateSubFolderFor(root(), u"Work"_s, QString(), m_delegate);
        queue().waitForDone();
        QVERIFY(!refused->bSucceeded());
        QVERIFY(!refused->createdAlbum());
        QVERIFY(refused->error());
    }

    void deleteWalksItsNodesInOrder()
    {
        start();
        fetch(album(u"Holidays"_s));
        const QList<soapRemoteBasePtr> nodes{album(u"Holidays/2019"_s), album(u"Family"_s), root()};
        const auto before = m_delegate->calls().size();
        const auto info = queue().requestDeleteFor(nodes, m_delegate);
        queue().waitForDone();
        const auto calls = m_delegate->calls().mid(before);
        QCOMPARE(calls.size(), 6);
        for (int i = 0; i < 3; ++i) {
            QVERIFY(calls[2 * i].started && !calls[2 * i + 1].started);
            QCOMPARE(calls[2 * i].item, nodes[i]);
            QCOMPARE(calls[2 * i + 1].item, nodes[i]);
        }
        QVERIFY(!info->item());
        QCOMPARE(info->items(), nodes);
        // The server no longer has them.
        Error error;
        m_globals->coreComms().doGetAlbumsByParentID(album(u"Family"_s)->albumID(), error);
        QVERIFY(error);
        // The tree is the requester's to change.
        const auto family = album(u"Family"_s);
        QVERIFY(root()->removeChild(family));
        family->releaseFolderContents(true);
        const auto holidays = album(u"Holidays"_s);
        const auto gone = album(u"Holidays/2019"_s);
        QVERIFY(holidays->removeChild(gone));
        gone->releaseFolderContents(true);
        consistent();
        QVERIFY(!album(u"Holidays/2019"_s));
        QVERIFY(!album(u"Family"_s));
    }

    void cancelledOperationsNeverCallBack()
    {
        start({u"--fault"_s, u"delay=100"_s});
        const auto holidays = album(u"Holidays"_s);
        QList<asyncRequestInfoPtr> infos;
        for (int i = 0; i < 12; ++i)
            infos.append(queue().requestGetFolderContentsFor(holidays, m_delegate));
        queue().cancelAllOperations();
        queue().waitForDone();
        const auto calls = m_delegate->calls();
        int started = 0;
        for (const auto &call : calls)
            started += call.started ? 1 : 0;
        // Every operation that began also ended; the cancelled ones never began.
        QCOMPARE(m_delegate->completed(), started);
        QVERIFY(started < 12);
        for (const auto &info : std::as_const(infos)) {
            const bool called =
                std::any_of(calls.begin(), calls.end(), [&](const auto &c) { return c.info == info; });
            if (!called)
                QVERIFY(!info->bSucceeded());
        }
    }

    void logoutThroughTheQueueEndsTheSession()
    {
        start();
        const auto comms = std::make_shared<Comms>();
        comms->setBAreLoggedIn(true);
        const auto info = queue().requestLogout(comms);
        queue().waitForDone();
        QVERIFY(info->bSucceeded());
        QCOMPARE(info->requestTypeAsString(), u"Logout"_s);
        QVERIFY(!comms->bAreLoggedIn());
        Error error;
        m_globals->coreComms().doGetTopLevelAlbums(error);
        QVERIFY(error);
    }
};

VENDRA_TEST_MAIN(TestAsyncOp)
#include "tst_asyncop.moc"
