#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/SharedCookieJar.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsCoreComms.h"

#include "SessionTarget.h"
#include "VendraTest.h"

// Service operations against the reference server where they fail or run off the main thread; the
// others are tested end to end by the album pane and vendra-cli.
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

private Q_SLOTS:
    void init() { m_globals = std::make_unique<commsGlobals>(); }
    void cleanup()
    {
        m_globals.reset();
        // Idle keep-alive connections would hold the server's shutdown up.
        m_server.reset();
        SharedCookieJar::instance().clear();
    }

    // A refused logout forgets the session locally: its cookies must not be sent again.
    void aRefusedLogoutForgetsTheSession()
    {
        signIn({u"--fault"_s, u"soap-api=Logout:NOT NOW"_s});
        m_globals->results().setBLoggedIn(true);
        Error error;
        comms().doLogout(error);
        QVERIFY(error);
        QVERIFY(SharedCookieJar::instance().storedCookiesForUrl(comms().getSoapURL()).isEmpty());
        QVERIFY(!m_globals->results().bLoggedIn());
    }

    // The pending-files check posts its answer from a worker thread; called on the main thread it
    // refuses to block it, and when it fails it posts nothing.
    void pendingStatusCheckRunsOffTheMainThread()
    {
        signIn();
        QObject observer;
        QList<QThread *> postingThreads;
        pendingFilesStatusRequestPtr posted;
        NotificationCenter::defaultCenter().addObserver(
            &observer, NotificationNames::PendingStatusUpdate, [&](const Notification &n) {
                postingThreads.append(QThread::currentThread());
                posted = n.object().value<pendingFilesStatusRequestPtr>();
            });
        const auto request = std::make_shared<pendingFilesStatusRequest>();
        QVERIFY(comms().doGetPendingFilesStatus(request));
        QVERIFY(QTest::qWaitFor([&] { return posted != nullptr; }, 30000));
        QCOMPARE(posted, request);
        QVERIFY(postingThreads.first() != qApp->thread());
        QVERIFY(!comms().doInternalGetPendingFilesStatus(request));

        m_globals->setPortNo(1); // nothing listens there: the check fails
        bool result = true;
        std::unique_ptr<QThread> worker(QThread::create([&] {
            result = comms().doInternalGetPendingFilesStatus(std::make_shared<pendingFilesStatusRequest>());
        }));
        worker->start();
        QVERIFY(worker->wait(30000));
        QVERIFY(!result);
        QCOMPARE(postingThreads.size(), 1);
    }
};

VENDRA_TEST_MAIN(TestServiceCalls)
#include "tst_servicecalls.moc"
