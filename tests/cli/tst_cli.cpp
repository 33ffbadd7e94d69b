#include "CliProcess.h"
#include "ReferenceServer.h"
#include "VendraTest.h"

// vendra-cli as a user runs it, against the reference server.
class TestCli : public QObject
{
    Q_OBJECT

private:
    ReferenceServer m_server;

    // In a home folder of its own, so no stored profile or saved password fills anything in.
    static CliProcess::Result run(const ReferenceServer &server, const QStringList &arguments,
                                  const QByteArray &password = "demo", const QByteArray &input = {})
    {
        CliProcess cli;
        cli.setPasswordVariable(QString::fromUtf8(password));
        return cli.run(CliProcess::demoOn(server) + arguments, input);
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY2(m_server.start(), qPrintable(m_server.errorString())); }

    // Over HTTP and HTTPS alike.
    void albumsListsEveryLevel()
    {
        ReferenceServer tls;
        QVERIFY2(tls.start({.tls = true}), qPrintable(tls.errorString()));
        for (const ReferenceServer *server : {&m_server, &tls}) {
            const CliProcess::Result result = run(*server, {u"albums"_s});
            QVERIFY2(result.exitCode == 0 && result.err.isEmpty(), qPrintable(result.err));
            QCOMPARE(result.outLines(), QStringList({u"Family"_s, u"Holidays"_s, u"Holidays/2019"_s}));
        }
    }

    void loginAndQuota()
    {
        const CliProcess::Result login = run(m_server, {u"login"_s});
        QVERIFY2(login.exitCode == 0 && login.outLines().size() == 6, qPrintable(login.out + login.err));
        QCOMPARE(login.outLines().last(), messageText(u"Text_LoginSucceeded"_s));
        QCOMPARE(run(m_server, {u"--password-stdin"_s, u"login"_s}, "wrong", "demo\n").exitCode, 0);

        const QStringList quota = run(m_server, {u"quota"_s}).outLines();
        QVERIFY2(quota.size() == 3 && quota[0] == u"Files: 0"_s && quota[2].startsWith(u"Total: 10.24 GB"_s),
                 qPrintable(quota.join(u'\n')));

        // A failed sign-in exits with 2 and only the failure itself: the session's diagnostic lines
        // stay off unless asked for.
        const CliProcess::Result wrong = run(m_server, {u"albums"_s}, "not the password");
        QVERIFY(wrong.exitCode == 2 && wrong.out.isEmpty());
        QCOMPARE(wrong.err, u"vendra-cli: %1\n"_s.arg(messageText(u"LOGIN_USER_NOT_FOUND"_s)));
        const CliProcess::Result verbose = run(m_server, {u"--verbose"_s, u"albums"_s});
        QVERIFY2(verbose.exitCode == 0 && verbose.err.contains(u"> Logout async completed"_s),
                 qPrintable(verbose.err));
    }

    void usageErrorsExitWithOne_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("messageKey");
        const QStringList base{u"--server"_s, u"127.0.0.1"_s, u"--user"_s, u"demo"_s};
        QTest::newRow("no command") << base << u"Text_CliNoCommand"_s;
        QTest::newRow("no server") << QStringList{u"--user"_s, u"demo"_s, u"login"_s}
                                   << u"Text_CliMissingServer"_s;
        QTest::newRow("bad port") << base + QStringList{u"--port"_s, u"70000"_s, u"login"_s}
                                  << u"Text_CliBadPort"_s;
    }

    void usageErrorsExitWithOne()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, messageKey);
        CliProcess cli;
        cli.setPasswordVariable(u"demo"_s);
        const CliProcess::Result result = cli.run(arguments);
        const QString text = messageText(messageKey);
        QVERIFY2(result.exitCode == 1 && result.err.contains(text.left(text.indexOf(u'%'))),
                 qPrintable(result.err));
    }

    void otherFailuresAfterSignInExitWithOne()
    {
        ReferenceServer server;
        QVERIFY2(server.start({.arguments = {u"--fault"_s, u"soap-api=GetQuotaDetails:QUOTA OFFLINE"_s}}),
                 qPrintable(server.errorString()));
        const CliProcess::Result result = run(server, {u"quota"_s});
        QVERIFY2(result.exitCode == 1 && result.err.contains(u"QUOTAOFFLINE"_s), qPrintable(result.err));
    }
};

VENDRA_TEST_MAIN(TestCli)
#include "tst_cli.moc"
