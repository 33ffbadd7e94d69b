#include "albums/soapRemoteFolderItem.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsLoginSequence.h"
#include "soap/SharedCookieJar.h"
#include "soap/TrustedCertificates.h"

#include "ReferenceServer.h"
#include "VendraTest.h"

#include <QNetworkReply>
#include <QTimer>

// The five-step sign-in against the reference server: records, notifications and failures.
class TestLoginSequence : public QObject
{
    Q_OBJECT

private:
    struct Run
    {
        QStringList events; // notification names in order
        QStringList statusLines;
        bool succeeded = false;
        Error error;
    };

    std::unique_ptr<commsGlobals> m_globals;
    std::shared_ptr<Comms> m_comms;
    // Outlives the session of a test, so that the session's connections close before it stops.
    std::unique_ptr<ReferenceServer> m_server;

    ReferenceServer &newServer()
    {
        m_server = std::make_unique<ReferenceServer>();
        return *m_server;
    }
    QObject m_observer;
    Run m_run;
    int m_finished = 0;

    void connectTo(const ReferenceServer &server, const QString &user = u"demo"_s,
                   const QString &password = u"demo"_s)
    {
        m_globals->setServer(server.host());
        m_globals->setPortNo(server.port());
        m_globals->setBUseHTTPS(server.baseUrl().scheme() == QLatin1String("https"));
        m_globals->setUserName(user);
        m_globals->setPassword(password);
    }

    Run signIn()
    {
        m_run = Run();
        const int finishedBefore = m_finished;
        m_globals->results().remoteFolderBrowser()->clear();
        m_globals->clearRemoteFolderDictionaries();
        m_globals->loginSequence().startLoginSequence(m_comms);
        if (!QTest::qWaitFor([&] { return m_finished > finishedBefore; }, 30000))
            qWarning("sign-in did not end");
        m_run.error = m_globals->loginSequence().error();
        return m_run;
    }

    static QStringList names(const QList<RemoteTreeEntryPtr> &entries)
    {
        QStringList result;
        for (const RemoteTreeEntryPtr &entry : entries) {
            if (const auto album = std::dynamic_pointer_cast<soapRemoteFolderItem>(entry))
                result.append(album->fullRemotePath());
        }
        result.sort();
        return result;
    }

private Q_SLOTS:
    void init()
    {
        SharedCookieJar::instance().clear();
        TrustedCertificates::setAdditionalCaCertificates({});
        m_globals = std::make_unique<commsGlobals>();
        m_comms = std::make_shared<Comms>();
        NotificationCenter &center = NotificationCenter::defaultCenter();
        for (const QString &name :
             {NotificationNames::CommsEventsLoginStarted, NotificationNames::CommsEventsLoginStateChange,
              NotificationNames::CommsEventsLoginSuccess, NotificationNames::CommsEventsLoginFailure}) {
            center.addObserver(&m_observer, name, [this](const Notification &n) {
                QVERIFY(QThread::currentThread() == qApp->thread());
                m_run.events.append(n.name());
                if (n.name() == NotificationNames::CommsEventsLoginStateChange)
                    m_run.statusLines.append(n.object().toString());
                if (n.name() == NotificationNames::CommsEventsLoginSuccess)
                    m_run.succeeded = true;
                if (n.name() == NotificationNames::CommsEventsLoginSuccess ||
                    n.name() == NotificationNames::CommsEventsLoginFailure)
                    ++m_finished;
            });
        }
    }

    void cleanup()
    {
        NotificationCenter::defaultCenter().removeObserver(&m_observer);
        m_globals.reset();
        m_comms.reset();
        m_server.reset();
    }

    void fullSignInFillsEveryRecord_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::newRow("http") << false;
        QTest::newRow("https") << true;
    }

    void fullSignInFillsEveryRecord()
    {
        QFETCH(bool, tls);
        ReferenceServer &server = newServer();
        ReferenceServer::Options options;
        options.tls = tls;
        QVERIFY2(server.start(options), qPrintable(server.errorString()));
        if (tls)
            TrustedCertificates::setAdditionalCaCertificates(server.caCertificates());
        connectTo(server, u" demo\t"_s);

        const Run run = signIn();
        QVERIFY2(run.succeeded, qPrintable(run.error.toString()));
        QVERIFY(!run.error);
        QCOMPARE(run.events.first(), NotificationNames::CommsEventsLoginStarted);
        QCOMPARE(run.events.count(NotificationNames::CommsEventsLoginStateChange), 5);
        QCOMPARE(run.events.last(), NotificationNames::CommsEventsLoginSuccess);
        for (const QString &line : run.statusLines)
            QVERIFY2(line.endsWith(messageText(u"Text_WasSuccsess"_s)), qPrintable(line));
        QVERIFY(m_comms->bAreLoggedIn());

        soapResults &results = m_globals->results();
        QVERIFY(results.bLoggedIn());
        QVERIFY(results.checkVersion().bVersionIsCompatible());
        QVERIFY(!results.checkVersion().strServiceVersion().isEmpty());
        QVERIFY(results.checkVersion().nMaxTransferSize().toDouble() > 0);
        QCOMPARE(results.login().strUserName().toString(), u"demo"_s);
        QVERIFY(results.login().strUserID().isValid());
        QVERIFY(results.login().bCreateTopLevelAlbum() && results.login().bDeleteAsset() &&
                results.login().bSeeQuota());
        QVERIFY(!results.pendingFilesButton().strLink().toString().isEmpty());
        QVERIFY(!results.pictureButtonDetails().strLink().toString().isEmpty());
        QCOMPARE(names(results.remoteFolderBrowser()->remoteFolders()),
                 QStringList({u"Family"_s, u"Holidays"_s}));
        QVERIFY(m_globals->registry().findRemoteAlbumByName(u"Holidays"_s));
        QVERIFY(m_globals->registry().debugCheckDictionary(results.remoteFolderBrowser()));

        // Signing in again in the same run starts from a fresh tree and fills it once.
        const Run again = signIn();
        QVERIFY(again.succeeded);
        QCOMPARE(results.remoteFolderBrowser()->numberOfRootItems(), 2);
    }

    void failuresEndTheRunWithTheirError_data()
    {
        QTest::addColumn<QStringList>("serverArguments");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("statusLines");
        QTest::addColumn<QString>("domain");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("messageKey");

        QTest::newRow("wrong password") << QStringList() << u"demo"_s << u"wrong"_s << 2 << u"SOAP-Result"_s
                                        << 9001 << u"LOGIN_USER_NOT_FOUND"_s;
        QTest::newRow("unknown user") << QStringList() << u"nobody"_s << u"demo"_s << 2 << u"SOAP-Result"_s
                                      << 9001 << u"LOGIN_USER_NOT_FOUND"_s;
        QTest::newRow("incompatible client")
            << QStringList({u"--min-version"_s, u"999.0.0"_s}) << u"demo"_s << u"demo"_s << 1
            << u"SOAP-Login"_s << 9004 << u"SOAP_LOGIN_VERSION_NOT_COMPATABLE"_s;
        QTest::newRow("top-level fetch fails")
            << QStringList({u"--fault"_s, u"soap-api=GetTopLevelAlbums:SERVER BUSY"_s}) << u"demo"_s
            << u"demo"_s << 5 << u"SOAP-Result"_s << 9001 << u"SERVERBUSY"_s;
        QTest::newRow("no cookie") << QStringList({u"--fault"_s, u"no-cookie"_s}) << u"demo"_s << u"demo"_s
                                   << 1 << u"SOAP-Connection"_s << 9003 << u"CONNECTION_COOKIE_NOT_FOUND"_s;
        QTest::newRow("secure cookie over http")
            << QStringList({u"--fault"_s, u"secure-cookie"_s}) << u"demo"_s << u"demo"_s << 1
            << u"SOAP-Connection"_s << 9003 << u"CONNECTION_COOKIE_REQUIRES_HTTPS"_s;
    }

    void failuresEndTheRunWithTheirError()
    {
        QFETCH(QStringList, serverArguments);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(int, statusLines);
        QFETCH(QString, domain);
        QFETCH(int, code);
        QFETCH(QString, messageKey);

        ReferenceServer &server = newServer();
        ReferenceServer::Options options;
        options.arguments = serverArguments;
        QVERIFY2(server.start(options), qPrintable(server.errorString()));
        connectTo(server, user, password);

        const Run run = signIn();
        QVERIFY(!run.succeeded);
        QCOMPARE(run.events.first(), NotificationNames::CommsEventsLoginStarted);
        QCOMPARE(run.events.last(), NotificationNames::CommsEventsLoginFailure);
        QCOMPARE(run.statusLines.size(), statusLines);
        QVERIFY(run.statusLines.last().endsWith(messageText(u"Text_Failed"_s)));
        for (qsizetype i = 0; i + 1 < run.statusLines.size(); ++i)
            QVERIFY(run.statusLines.at(i).endsWith(messageText(u"Text_WasSuccsess"_s)));
        QCOMPARE(run.error.domain(), domain);
        QCOMPARE(run.error.code(), code);
        QCOMPARE(run.error.messageKey(), messageKey);
        QCOMPARE(run.error.description(), messageText(messageKey));
        QVERIFY(!m_comms->bAreLoggedIn());
        if (statusLines == 1) {
            // CheckVersion failed: Login was never attempted.
            QVERIFY(!m_globals->results().bLoggedIn());
            QVERIFY(!m_globals->results().login().strUserName().isValid());
        }
        if (statusLines == 5) {
            // Signed in on the server, but the run failed.
            QVERIFY(m_globals->results().bLoggedIn());
            QCOMPARE(m_globals->results().remoteFolderBrowser()->numberOfRootItems(), 0);
        }
    }

    void untrustedCertificateFails()
    {
        ReferenceServer &server = newServer();
        ReferenceServer::Options options;
        options.tls = true;
        QVERIFY2(server.start(options), qPrintable(server.errorString()));
        connectTo(server);
        const Run run = signIn();
        QVERIFY(!run.succeeded);
        QCOMPARE(run.statusLines.size(), 1);
        QCOMPARE(run.error.domain(), u"QNetworkReply"_s);
        QCOMPARE(run.error.code(), int(QNetworkReply::SslHandshakeFailedError));
    }

    void secondSignInWaitsForTheFirst()
    {
        ReferenceServer &server = newServer();
        ReferenceServer::Options options;
        options.arguments = QStringList({u"--fault"_s, u"delay=50"_s});
        QVERIFY2(server.start(options), qPrintable(server.errorString()));
        connectTo(server);
        m_run = Run();
        const int finishedBefore = m_finished;
        m_globals->loginSequence().startLoginSequence(m_comms);
        m_globals->loginSequence().startLoginSequence(m_comms);
        QVERIFY(QTest::qWaitFor([&] { return m_finished == finishedBefore + 2; }, 30000));
        // One whole run after the other, never interleaved.
        QStringList expected;
        for (int i = 0; i < 2; ++i) {
            expected << NotificationNames::CommsEventsLoginStarted;
            for (int step = 0; step < 5; ++step)
                expected << NotificationNames::CommsEventsLoginStateChange;
            expected << NotificationNames::CommsEventsLoginSuccess;
        }
        QCOMPARE(m_run.events, expected);
        QVERIFY(m_comms->bAreLoggedIn());
    }

    void mainThreadKeepsRunningDuringSignIn()
    {
        ReferenceServer &server = newServer();
        ReferenceServer::Options options;
        options.arguments = QStringList({u"--fault"_s, u"delay=200"_s});
        QVERIFY2(server.start(options), qPrintable(server.errorString()));
        connectTo(server);
        int ticks = 0;
        int ticksAtStateChange = -1;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
        timer.start(5);
        QObject probe;
        NotificationCenter::defaultCenter().addObserver(
            &probe, NotificationNames::CommsEventsLoginStateChange, [&](const Notification &) {
                if (ticksAtStateChange < 0)
                    ticksAtStateChange = ticks;
            });
        const Run run = signIn();
        QVERIFY(run.succeeded);
        // The timer fired while the first request was waiting on its delayed reply.
        QVERIFY(ticksAtStateChange > 0);
    }
};

VENDRA_TEST_MAIN(TestLoginSequence)
#include "tst_loginsequence.moc"
