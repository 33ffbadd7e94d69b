#include "albums/soapRemoteFolderItem.h"
#include "diagnostics/LogFile.h"
#include "events/NotificationCenter.h"
#include "events/NotificationNames.h"
#include "http/SharedCookieJar.h"
#include "session/Comms.h"
#include "session/commsGlobals.h"
#include "session/soapResults.h"
#include "session/wsLoginSequence.h"

#include "SessionTarget.h"
#include "TestFiles.h"
#include "VendraTest.h"

#include <QTimer>

// The five-step sign-in against the reference server: records, notifications and failures.
class TestLoginSequence : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<commsGlobals> m_globals;
    std::shared_ptr<Comms> m_comms;
    // Outlives the session of a test, so that the session's connections close before it stops.
    std::unique_ptr<ReferenceServer> m_server;
    QObject m_observer;
    QStringList m_events; // notification names in order
    QStringList m_statusLines;
    QList<Error> m_errorsAtFailure; // what a failure handler reads from the sequence

    // Starts `runs` sign-ins at once and waits for all of them to end.
    void signIn(int runs = 1)
    {
        m_events.clear();
        m_statusLines.clear();
        m_errorsAtFailure.clear();
        for (int i = 0; i < runs; ++i)
            m_globals->loginSequence().startLoginSequence(m_comms);
        QTRY_COMPARE_WITH_TIMEOUT(m_events.count(NotificationNames::CommsEventsLoginSuccess) +
                                      m_events.count(NotificationNames::CommsEventsLoginFailure),
                                  qsizetype(runs), 30000);
    }

private Q_SLOTS:
    void init()
    {
        SharedCookieJar::instance().clear();
        m_globals = std::make_unique<commsGlobals>();
        m_comms = std::make_shared<Comms>();
        for (const QString &name :
             {NotificationNames::CommsEventsLoginStarted, NotificationNames::CommsEventsLoginStateChange,
              NotificationNames::CommsEventsLoginSuccess, NotificationNames::CommsEventsLoginFailure}) {
            NotificationCenter::defaultCenter().addObserver(&m_observer, name, [this](const Notification &n) {
                QVERIFY(QThread::currentThread() == qApp->thread());
                m_events.append(n.name());
                if (n.name() == NotificationNames::CommsEventsLoginStateChange)
                    m_statusLines.append(n.object().toString());
                if (n.name() == NotificationNames::CommsEventsLoginFailure)
                    m_errorsAtFailure.append(m_globals->loginSequence().error());
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

    void failuresEndTheRunWithTheirError_data()
    {
        QTest::addColumn<QStringList>("serverArguments");
        QTest::addColumn<int>("statusLines");
        QTest::addColumn<QString>("error"); // domain, code and message key

        QTest::newRow("top-level fetch fails")
            << QStringList{u"--fault"_s, u"soap-api=GetTopLevelAlbums:SERVER BUSY"_s} << 5
            << u"SOAP-Result 9001 SERVERBUSY"_s;
        QTest::newRow("no cookie") << QStringList{u"--fault"_s, u"no-cookie"_s} << 1
                                   << u"SOAP-Connection 9003 CONNECTION_COOKIE_NOT_FOUND"_s;
    }

    void failuresEndTheRunWithTheirError()
    {
        QFETCH(QStringList, serverArguments);
        QFETCH(int, statusLines);
        QFETCH(QString, error);
        m_server = startServerFor(*m_globals, serverArguments);

        LogFile logFile;
        signIn();
        logFile.stop();
        // The log file says why, whatever the windows make of it.
        const QString logged = QString::fromUtf8(TestFiles::read(logFile.fileName()));
        const QString domainAndCode = u"%1 (%2)"_s.arg(error.section(u' ', 0, 0), error.section(u' ', 1, 1));
        const QStringList failures = logged.split(u'\n').filter(u"Sign-in failed at "_s);
        QVERIFY2(failures.size() == 1 && failures.first().contains(domainAndCode), qPrintable(logged));
        QCOMPARE(m_events.first(), NotificationNames::CommsEventsLoginStarted);
        QCOMPARE(m_events.last(), NotificationNames::CommsEventsLoginFailure);
        QCOMPARE(m_events.size(), statusLines + 2);
        QVERIFY(m_statusLines.last().endsWith(messageText(u"Text_Failed"_s)));
        for (qsizetype i = 0; i + 1 < m_statusLines.size(); ++i)
            QVERIFY(m_statusLines.at(i).endsWith(messageText(u"Text_WasSuccsess"_s)));
        const Error actual = m_globals->loginSequence().error();
        QCOMPARE(u"%1 %2 %3"_s.arg(actual.domain()).arg(actual.code()).arg(actual.messageKey()), error);
        QVERIFY(!m_comms->bAreLoggedIn());
        // Login was never attempted when the version check failed; after the last step it was.
        QCOMPARE(m_globals->results().bLoggedIn(), statusLines == 5);
        QCOMPARE(m_globals->results().remoteFolderBrowser()->numberOfRootItems(), 0);
    }

    // A second sign-in started while one runs waits for it, neither blocks the main thread, and the
    // first failure's handlers still find its error though the next run starts right after it.
    void secondSignInIsQueuedBehindTheFirst()
    {
        m_server = startServerFor(*m_globals, {u"--fault"_s, u"delay=100"_s}, u"demo"_s, u"wrong"_s);
        int ticks = 0;
        int ticksAtFirstStatus = -1;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
        timer.start(5);
        QObject probe;
        NotificationCenter::defaultCenter().addObserver(
            &probe, NotificationNames::CommsEventsLoginStateChange, [&](const Notification &) {
                if (ticksAtFirstStatus < 0)
                    ticksAtFirstStatus = ticks;
            });

        signIn(2);
        const QStringList oneRun{
            NotificationNames::CommsEventsLoginStarted, NotificationNames::CommsEventsLoginStateChange,
            NotificationNames::CommsEventsLoginStateChange, NotificationNames::CommsEventsLoginFailure};
        QCOMPARE(m_events, oneRun + oneRun);
        QCOMPARE(m_errorsAtFailure.size(), 2);
        for (const Error &error : std::as_const(m_errorsAtFailure))
            QCOMPARE(error.messageKey(), u"LOGIN_USER_NOT_FOUND"_s);
        // The timer fired while the first request waited on its delayed reply.
        QVERIFY(ticksAtFirstStatus > 0);
    }
};

VENDRA_TEST_MAIN(TestLoginSequence)
#include "tst_loginsequence.moc"
