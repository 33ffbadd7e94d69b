#include "CliProcess.h"
#include "ReferenceServer.h"
#include "VendraTest.h"

// vendra-cli as a user runs it, against the reference server.
class TestCli : public QObject
{
    Q_OBJECT

private:
    struct Result
    {
        int exitCode = -1;
        QStringList out;
        QString err;
    };

    // In a home folder of its own, so no stored profile or saved password fills anything in.
    static Result run(const QStringList &arguments, const QByteArray &password = "demo",
                      const QByteArray &input = {})
    {
        CliProcess cli;
        cli.setPasswordVariable(QString::fromUtf8(password));
        const CliProcess::Result run = cli.run(arguments, input);
        return {run.exitCode, run.outLines(), run.err};
    }

    static QStringList connection(const ReferenceServer &server)
    {
        const bool https = server.baseUrl().scheme() == QLatin1String("https");
        return {QStringLiteral("--server"),
                server.host(),
                QStringLiteral("--port"),
                QString::number(server.port()),
                https ? QStringLiteral("--https") : QStringLiteral("--http"),
                QStringLiteral("--user"),
                QStringLiteral("demo")};
    }

private Q_SLOTS:
    void albumsListsEveryLevel_data()
    {
        QTest::addColumn<bool>("tls");
        QTest::newRow("http") << false;
        QTest::newRow("https") << true;
    }

    void albumsListsEveryLevel()
    {
        QFETCH(bool, tls);
        ReferenceServer server;
        ReferenceServer::Options options;
        options.tls = tls;
        QVERIFY2(server.start(options), qPrintable(server.errorString()));
        QStringList arguments = connection(server);
        if (tls)
            arguments << QStringLiteral("--ca-cert") << server.certificatePath();
        const Result result = run(arguments << QStringLiteral("albums"));
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QCOMPARE(result.out, QStringList({QStringLiteral("Family"), QStringLiteral("Holidays"),
                                          QStringLiteral("Holidays/2019")}));
        QVERIFY2(result.err.isEmpty(), qPrintable(result.err));
    }

    void loginPrintsItsStatusLines()
    {
        ReferenceServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const Result result = run(connection(server) << QStringLiteral("login"));
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QCOMPARE(result.out.size(), 6);
        QCOMPARE(result.out.last(), messageText(QStringLiteral("Text_LoginSucceeded")));

        const Result stdinPassword =
            run(connection(server) << QStringLiteral("--password-stdin") << QStringLiteral("login"), "wrong",
                "demo\n");
        QCOMPARE(stdinPassword.exitCode, 0);
    }

    void signInFailuresExitWithTwo()
    {
        ReferenceServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const Result wrong = run(connection(server) << QStringLiteral("albums"), "not the password");
        QCOMPARE(wrong.exitCode, 2);
        QVERIFY(wrong.out.isEmpty());
        // Only the failure itself: the session's diagnostic lines stay off unless asked for.
        QCOMPARE(wrong.err,
                 QStringLiteral("vendra-cli: %1\n").arg(messageText(QStringLiteral("LOGIN_USER_NOT_FOUND"))));
        const Result verbose =
            run(connection(server) << QStringLiteral("--verbose") << QStringLiteral("albums"));
        QCOMPARE(verbose.exitCode, 0);
        QVERIFY2(verbose.err.contains(QStringLiteral("> Logout async completed")), qPrintable(verbose.err));

        ReferenceServer tlsServer;
        ReferenceServer::Options options;
        options.tls = true;
        QVERIFY2(tlsServer.start(options), qPrintable(tlsServer.errorString()));
        const Result untrusted = run(connection(tlsServer) << QStringLiteral("login"));
        QCOMPARE(untrusted.exitCode, 2);
        QVERIFY(untrusted.err.contains(QStringLiteral("vendra-cli:")));
    }

    void quotaPrintsTheAllowance()
    {
        ReferenceServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        const Result result = run(connection(server) << QStringLiteral("quota"));
        QVERIFY2(result.exitCode == 0, qPrintable(result.err));
        QCOMPARE(result.out.size(), 3);
        QCOMPARE(result.out[0], QStringLiteral("Files: 0"));
        QVERIFY(result.out[2].startsWith(QStringLiteral("Total: 10.24 GB")));
    }

    void usageErrorsExitWithOne_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("messageKey");
        const QStringList base{QStringLiteral("--server"), QStringLiteral("127.0.0.1"),
                               QStringLiteral("--user"), QStringLiteral("demo")};
        QTest::newRow("no command") << base << QStringLiteral("Text_CliNoCommand");
        QTest::newRow("no server") << QStringList{QStringLiteral("--user"), QStringLiteral("demo"),
                                                  QStringLiteral("login")}
                                   << QStringLiteral("Text_CliMissingServer");
        QTest::newRow("bad port") << (base + QStringList{QStringLiteral("--port"), QStringLiteral("70000"),
                                                         QStringLiteral("login")})
                                  << QStringLiteral("Text_CliBadPort");
        QTest::newRow("both schemes")
            << (base +
                QStringList{QStringLiteral("--http"), QStringLiteral("--https"), QStringLiteral("login")})
            << QStringLiteral("Text_CliHttpAndHttps");
        QTest::newRow("unreadable certificate")
            << (base + QStringList{QStringLiteral("--ca-cert"), QStringLiteral("/nonexistent.pem"),
                                   QStringLiteral("login")})
            << QStringLiteral("Text_CliBadCertificate");
    }

    void usageErrorsExitWithOne()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, messageKey);
        const Result result = run(arguments);
        QCOMPARE(result.exitCode, 1);
        const QString text = messageText(messageKey);
        QVERIFY2(result.err.contains(text.left(text.indexOf(u'%') < 0 ? text.size() : text.indexOf(u'%'))),
                 qPrintable(result.err));
    }

    void otherFailuresAfterSignInExitWithOne()
    {
        ReferenceServer server;
        ReferenceServer::Options options;
        options.arguments =
            QStringList{QStringLiteral("--fault"), QStringLiteral("soap-api=GetQuotaDetails:QUOTA OFFLINE")};
        QVERIFY2(server.start(options), qPrintable(server.errorString()));
        const Result result = run(connection(server) << QStringLiteral("quota"));
        QCOMPARE(result.exitCode, 1);
        QVERIFY(result.err.contains(QStringLiteral("QUOTAOFFLINE")));
    }
};

VENDRA_TEST_MAIN(TestCli)
#include "tst_cli.moc"
