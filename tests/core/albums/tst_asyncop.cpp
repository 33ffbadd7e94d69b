#include "albums/soapRemoteFolderBrowser.h"
#include "albums/soapRemoteFolderItem.h"
#include "albums/wsSoapAsyncOp.h"
#include "albums/wsSoapAsyncOpDelegate.h"
#include "http/SharedCookieJar.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"

#include "AlbumTree.h"
#include "SessionTarget.h"
#include "VendraTest.h"

#include <QMutex>

namespace {

// Records every callback, in order: whether it was the start, and of which request.
class RecordingDelegate : public wsSoapAsyncOpDelegate
{
public:
    void soapAsyncRequestStarted(const asyncRequestInfoPtr &info) override { record(true, info); }
    void soapAsyncRequestCompleted(const asyncRequestInfoPtr &info) override { record(false, info); }

    QList<QPair<bool, asyncRequestInfoPtr>> calls() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    qsizetype count(bool started) const
    {
        return std::ranges::count_if(calls(), [&](const auto &c) { return c.first == started; });
    }

private:
    void record(bool started, const asyncRequestInfoPtr &info)
    {
        const QMutexLocker lock(&m_mutex);
        m_calls.append({started, info});
    }

    mutable QMutex m_mutex;
    QList<QPair<bool, asyncRequestInfoPtr>> m_calls;
};

} // namespace

// The background queue of album operations against the reference server, where it races; the
// operations themselves are tested by the album pane's model and view.
class TestAsyncOp : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<ReferenceServer> m_server;
    std::unique_ptr<commsGlobals> m_globals;
    std::shared_ptr<RecordingDelegate> m_delegate;

    wsSoapAsyncOp &queue() { return m_globals->soapAsyncOp(); }
    soapRemoteFolderBrowserPtr root() { return m_globals->results().remoteFolderBrowser(); }
    soapRemoteFolderItemPtr album(const QString &path) { return AlbumTree::album(*m_globals, path); }

    // Signs in to a fresh server with the demo albums and loads the top level.
    void start(const QStringList &arguments = {})
    {
        m_server = startServerFor(*m_globals, arguments);
        Error error;
        AlbumTree::signIn(*m_globals, error);
        QVERIFY(AlbumTree::reloadTopLevel(*m_globals, error));
        QVERIFY2(!error, qPrintable(error.toString()));
    }

private Q_SLOTS:
    void init()
    {
        m_globals = std::make_unique<commsGlobals>();
        m_delegate = std::make_shared<RecordingDelegate>();
    }
    void cleanup()
    {
        const bool registryMatchesTree = m_globals->registry().debugCheckDictionary(root());
        m_globals.reset();
        // Idle keep-alive connections would hold the server's shutdown up.
        m_server.reset();
        SharedCookieJar::instance().clear();
        QVERIFY(registryMatchesTree);
    }

    void theSignOutNeverWaitsBehindListings()
    {
        start({u"--fault"_s, u"delay=1500"_s});
        // More slow listings than run at once, as a user opening album after album might start.
        const int listings = wsSoapAsyncOp::MaxConcurrentOperations + 4;
        for (int i = 0; i < listings; ++i)
            queue().requestGetFolderContentsFor(album(u"Holidays"_s), m_delegate);
        const asyncRequestInfoPtr logout = queue().requestLogout(m_delegate);
        const auto logoutStart = [&](const QList<QPair<bool, asyncRequestInfoPtr>> &calls) {
            return std::find(calls.begin(), calls.end(), qMakePair(true, logout));
        };
        QTRY_VERIFY_WITH_TIMEOUT(logoutStart(m_delegate->calls()) != m_delegate->calls().end(), 5000);
        // It began before any listing had ended: it did not wait for a worker.
        const auto calls = m_delegate->calls();
        QVERIFY(std::none_of(calls.begin(), logoutStart(calls), [](const auto &c) { return !c.first; }));
        // The root has no album to list: no request, no error, but the caller hears back.
        const asyncRequestInfoPtr rootListing = queue().requestGetFolderContentsFor(root(), m_delegate);
        queue().waitForDone();
        QCOMPARE(m_delegate->count(false), qsizetype(listings + 2));
        QVERIFY2(logout->bSucceeded(), qPrintable(logout->error().toString()));
        QVERIFY(!rootListing->bSucceeded() && !rootListing->error());
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
            if (std::none_of(calls.begin(), calls.end(), [&](const auto &c) { return c.second == info; }))
                QVERIFY(!info->bSucceeded());
        }
    }
};

VENDRA_TEST_MAIN(TestAsyncOp)
#include "tst_asyncop.moc"
