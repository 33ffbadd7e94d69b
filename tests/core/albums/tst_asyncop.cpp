#include "albums/createFolderTempItem.h"
#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "albums/wsSoapAsyncOp.h"
#include "albums/wsSoapAsyncOpDelegate.h"
#include "http/SharedCookieJar.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"

#include "SessionTarget.h"
#include "VendraTest.h"

#include <QMutex>

namespace {

// Records every callback with the thread it came on and the albums registered at that moment.
class RecordingDelegate : public wsSoapAsyncOpDelegate
{
public:
    struct Call
    {
        bool started;
        asyncRequestInfoPtr info;
        soapRemoteBasePtr item;
        bool onMainThread;
        QStringList registeredPaths;
    };

    void soapAsyncRequestStarted(const asyncRequestInfoPtr &info) override { record(true, info); }
    void soapAsyncRequestCompleted(const asyncRequestInfoPtr &info) override { record(false, info); }

    QList<Call> calls() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    qsizetype count(bool started) const
    {
        const QList<Call> all = calls();
        return std::count_if(all.begin(), all.end(), [&](const Call &c) { return c.started == started; });
    }

private:
    void record(bool started, const asyncRequestInfoPtr &info)
    {
        const QStringList paths = commsGlobal->registry().remoteAlbumByName().keys();
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

    // Signs in to a fresh server with the demo albums and loads the top level.
    void start(const QStringList &arguments = {})
    {
        m_server = startServerFor(*m_globals, arguments);
        Error error;
        wsCoreComms &comms = m_globals->coreComms();
        m_globals->results().checkVersion().deserialise(comms.doCheckVersion(error));
        comms.doLogin(error);
        QVERIFY(root()->deserialise(comms.doGetTopLevelAlbums(error)));
        QVERIFY2(!error, qPrintable(error.toString()));
    }

    // Waits for the queue, then checks that the registry names exactly the albums in the tree.
    asyncRequestInfoPtr done(const asyncRequestInfoPtr &info)
    {
        queue().waitForDone();
        m_consistent = m_consistent && m_globals->registry().debugCheckDictionary(root());
        return info;
    }
    bool m_consistent = true;

private Q_SLOTS:
    void init()
    {
        m_globals = std::make_unique<commsGlobals>();
        m_delegate = std::make_shared<RecordingDelegate>();
    }
    void cleanup()
    {
        QVERIFY(std::exchange(m_consistent, true));
        QVERIFY(m_globals->registry().debugCheckDictionary(root()));
        m_globals.reset();
        // Idle keep-alive connections would hold the server's shutdown up.
        m_server.reset();
        SharedCookieJar::instance().clear();
    }

    void openingAnAlbumChangesTheTreeBeforeTheCallback()
    {
        start();
        // Without a delegate the request still runs.
        QVERIFY(done(queue().requestGetFolderContentsFor(album(u"Family"_s), nullptr))->bSucceeded());
        QVERIFY(album(u"Family"_s)->bDataIsCached());

        const auto holidays = album(u"Holidays"_s);
        QVERIFY(!holidays->bDataIsCached());
        const auto info = done(queue().requestGetFolderContentsFor(holidays, m_delegate));
        QVERIFY(info->bSucceeded() && !info->error());
        QVERIFY(holidays->bDataIsCached());
        QVERIFY(album(u"Holidays/2019"_s));
        const auto calls = m_delegate->calls();
        QCOMPARE(calls.size(), 2);
        QVERIFY(calls[0].started && !calls[1].started);
        QVERIFY(!calls[0].onMainThread && !calls[1].onMainThread);
        QVERIFY(!calls[0].registeredPaths.contains(u"Holidays/2019"_s));
        QVERIFY(calls[1].registeredPaths.contains(u"Holidays/2019"_s));
    }

    void failedListings()
    {
        start({u"--fault"_s, u"soap-api=GetAlbumsByParentAlbumID:BROKEN"_s});
        // The root has no album to list: no request, no error, but the caller hears back.
        const auto rootInfo = done(queue().requestGetFolderContentsFor(root(), m_delegate));
        QVERIFY(!rootInfo->bSucceeded());
        QVERIFY(!rootInfo->error());
        QCOMPARE(m_delegate->count(false), 1);

        const auto holidays = album(u"Holidays"_s);
        const auto info = done(queue().requestGetFolderContentsFor(holidays, m_delegate));
        QCOMPARE(info->error().messageKey(), u"BROKEN"_s);
        QCOMPARE(holidays->numberOfChildren(), 0);
        QVERIFY(!album(u"Holidays/2019"_s));
    }

    void createAddsTheAlbumBeforeTheCallback()
    {
        start();
        const QString name = u"Work & <Play>"_s; // must reach the server unmangled
        const auto top = done(queue().requestCreateSubFolderFor(root(), name, QString(), m_delegate));
        QVERIFY2(top->bSucceeded(), qPrintable(top->error().toString()));
        QCOMPARE(top->createdAlbum()->strName(), name);
        QCOMPARE(album(name), top->createdAlbum());
        QCOMPARE(root()->getRootItemForIndex(root()->numberOfRootItems() - 1), top->createdAlbum());
        QVERIFY(m_delegate->calls().last().registeredPaths.contains(name));

        auto placeholder = std::make_shared<createFolderTempItem>();
        const auto sub = done(queue().requestCreateSubFolderFor(top->createdAlbum(), u"Q1"_s, placeholder,
                                                                QString(), m_delegate));
        QVERIFY(sub->bSucceeded());
        QCOMPARE(sub->requestType(), int(asyncRequestInfo::CreateFolderByRenameTemp));
        QCOMPARE(sub->tempFolder(), placeholder);
        QCOMPARE(album(name + u"/Q1"_s), sub->createdAlbum());
        QVERIFY(top->createdAlbum()->bHasChildren());

        const auto refused = done(queue().requestCreateSubFolderFor(root(), name, QString(), m_delegate));
        QVERIFY(!refused->bSucceeded());
        QVERIFY(!refused->createdAlbum());
        QVERIFY(refused->error());
        QCOMPARE(root()->numberOfRootItems(), 3);
    }

    void theSignOutNeverWaitsBehindListings()
    {
        start({u"--fault"_s, u"delay=1500"_s});
        // More slow listings than run at once, as a user opening album after album might start.
        const int listings = wsSoapAsyncOp::MaxConcurrentOperations + 4;
        for (int i = 0; i < listings; ++i)
            queue().requestGetFolderContentsFor(album(u"Holidays"_s), m_delegate);
        const asyncRequestInfoPtr logout = queue().requestLogout(m_delegate);
        const auto began = [this](const asyncRequestInfoPtr &info) {
            const auto calls = m_delegate->calls();
            return std::any_of(calls.begin(), calls.end(),
                               [&](const auto &c) { return c.started && c.info == info; });
        };
        QTRY_VERIFY_WITH_TIMEOUT(began(logout), 5000);
        // It began before any listing had ended: it did not wait for a worker.
        const auto calls = m_delegate->calls();
        const auto logoutStart = std::find_if(calls.begin(), calls.end(),
                                              [&](const auto &c) { return c.started && c.info == logout; });
        QVERIFY(std::none_of(calls.begin(), logoutStart, [](const auto &c) { return !c.started; }));
        queue().waitForDone();
        QCOMPARE(m_delegate->count(false), qsizetype(listings + 1));
        QVERIFY2(logout->bSucceeded(), qPrintable(logout->error().toString()));
    }

    void cancelledOperationsNeverCallBack()
    {
        start({u"--fault"_s, u"delay=100"_s});
        QList<asyncRequestInfoPtr> infos;
        const int requests = wsSoapAsyncOp::MaxConcurrentOperations + 12;
        for (int i = 0; i < requests; ++i)
            infos.append(queue().requestGetFolderContentsFor(album(u"Holidays"_s), m_delegate));
        queue().cancelAllOperations();
        queue().waitForDone();
        const auto calls = m_delegate->calls();
        // Every operation that began also ended; the cancelled ones never began.
        QCOMPARE(m_delegate->count(false), m_delegate->count(true));
        QVERIFY(m_delegate->count(true) <= wsSoapAsyncOp::MaxConcurrentOperations);
        for (const auto &info : std::as_const(infos)) {
            if (std::none_of(calls.begin(), calls.end(), [&](const auto &c) { return c.info == info; }))
                QVERIFY(!info->bSucceeded());
        }
    }
};

VENDRA_TEST_MAIN(TestAsyncOp)
#include "tst_asyncop.moc"
