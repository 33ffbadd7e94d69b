#include "CliProcess.h"
#include "ReferenceServer.h"
#include "VendraTest.h"
#include "settings/Preferences.h"
#include "settings/QXKeychain.h"
#include "settings/UserDefaults.h"

#include <QDir>

namespace {

// Another spelling of the reference server's address. The keyring keys a saved password by the
// server text as typed, so this keeps the passwords saved here apart from those of other tests.
const QString ServerText = QStringLiteral("http://127.0.0.1/");
// Alice's password: unlike "demo", it appears nowhere else, so a leak of it can be searched for.
const QString AlicePassword = QStringLiteral("Wh1te-rabbit at noon 42");

bool inTestKeyring()
{
    return qEnvironmentVariableIsSet("VENDRA_TEST_SANDBOX") &&
           qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS");
}

QString textBefore(const QString &key)
{
    const QString text = messageText(key);
    const qsizetype placeholder = text.indexOf(u'%');
    return placeholder < 0 ? text : text.left(placeholder);
}

} // namespace

// vendra-cli's stored profile: the desktop program's settings and the keyring, against the
// reference server.
class TestCliProfile : public QObject
{
    Q_OBJECT

private:
    ReferenceServer m_server;

    QStringList storeProfile(const QString &user) const
    {
        return {QStringLiteral("profile"),
                QStringLiteral("--server"),
                ServerText,
                QStringLiteral("--port"),
                QString::number(m_server.port()),
                QStringLiteral("--http"),
                QStringLiteral("--user"),
                user,
                QStringLiteral("--save-password")};
    }

    // The profile as the desktop program reads it: the store over the run's configuration folder.
    static Preferences &preferencesOf(const CliProcess &cli)
    {
        Preferences::close();
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, cli.configPath());
        return *Preferences::init();
    }

    static bool nothingStored(const CliProcess &cli)
    {
        return QDir(cli.configPath()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // vendra-cli must never reach the keyring of the machine's own session.
        if (!inTestKeyring())
            QSKIP("needs the private keyring that scripts/test.sh starts");
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        QCOMPARE(m_server.runAdmin({QStringLiteral("user"), QStringLiteral("add"), QStringLiteral("alice")},
                                   AlicePassword.toUtf8() + '\n'),
                 0);
    }

    void cleanup()
    {
        Preferences::close();
        for (const QString &user : {QStringLiteral("demo"), QStringLiteral("alice")})
            QXKeychain::deletePasswordForService(ServerText, user);
    }

    void storedProfileSignsInWithoutOptions()
    {
        CliProcess cli;
        const CliProcess::Result stored = cli.run(storeProfile(QStringLiteral("demo")), "demo\n");
        QVERIFY2(stored.exitCode == 0, qPrintable(stored.err));
        QCOMPARE(stored.outLines(), QStringList({QStringLiteral("Server: ") + ServerText,
                                                 QStringLiteral("Port: %1").arg(m_server.port()),
                                                 QStringLiteral("Scheme: http"), QStringLiteral("User: demo"),
                                                 QStringLiteral("Password: saved in the keyring")}));

        // Under the keys and in the keyring item that the desktop program reads.
        Preferences &preferences = preferencesOf(cli);
        QCOMPARE(preferences.server(), ServerText);
        QCOMPARE(preferences.port(), m_server.port());
        QCOMPARE(preferences.useHttps(), false);
        QCOMPARE(preferences.user(), QStringLiteral("demo"));
        QCOMPARE(preferences.savePassword(), true);
        QCOMPARE(preferences.password(), QStringLiteral("demo"));

        const CliProcess::Result login = cli.run({QStringLiteral("login")});
        QVERIFY2(login.exitCode == 0, qPrintable(login.err));
        QCOMPARE(login.outLines().last(), messageText(QStringLiteral("Text_LoginSucceeded")));
        const CliProcess::Result albums = cli.run({QStringLiteral("albums")});
        QVERIFY2(albums.exitCode == 0, qPrintable(albums.err));
        QCOMPARE(albums.outLines(), QStringList({QStringLiteral("Family"), QStringLiteral("Holidays"),
                                                 QStringLiteral("Holidays/2019")}));
    }

    // What the desktop program stores, vendra-cli uses.
    void profileOfTheDesktopProgramIsUsed()
    {
        CliProcess cli;
        Preferences &preferences = preferencesOf(cli);
        preferences.setServer(ServerText);
        preferences.setPort(m_server.port());
        preferences.setUseHttps(false);
        preferences.setUser(QStringLiteral("alice"));
        preferences.setPassword(AlicePassword, true);
        QVERIFY(preferences.synchronize());
        const CliProcess::Result quota = cli.run({QStringLiteral("quota")});
        QVERIFY2(quota.exitCode == 0, qPrintable(quota.err));
        QCOMPARE(quota.outLines().size(), 3);
    }

    void passwordStaysInTheKeyring()
    {
        CliProcess cli;
        // A plain-text password that an old version left behind goes with the first save.
        preferencesOf(cli);
        UserDefaults::open()->setValue(Preferences::KeyPassword, QStringLiteral("Wh1te-rabbit of old"));
        Preferences::close();
        QCOMPARE(cli.run(storeProfile(QStringLiteral("alice")), AlicePassword.toUtf8() + '\n').exitCode, 0);
        QList<CliProcess::Result> runs;
        runs << cli.run({QStringLiteral("profile")})
             << cli.run({QStringLiteral("--verbose"), QStringLiteral("login")})
             << cli.run({QStringLiteral("--verbose"), QStringLiteral("quota")});
        for (const CliProcess::Result &run : std::as_const(runs)) {
            QVERIFY2(run.exitCode == 0, qPrintable(run.err));
            QVERIFY(!run.out.contains(AlicePassword));
            QVERIFY(!run.err.contains(AlicePassword));
        }
        QVERIFY(runs.first().out.contains(QStringLiteral("Password: saved in the keyring")));
        QVERIFY(!runs[1].err.isEmpty());
        QVERIFY(QDir(cli.configPath()).exists(QStringLiteral("Vendra/VendraUploader.ini")));
        QCOMPARE(cli.filesContaining(QByteArrayLiteral("Wh1te-rabbit")), QStringList());
        QVERIFY(!preferencesOf(cli).password().isEmpty());
        QVERIFY(!UserDefaults::open()->contains(Preferences::KeyPassword));
    }

    void optionsOverrideTheStoredProfile()
    {
        CliProcess cli;
        // Nothing listens on port 1: only the options can lead to the server.
        QStringList profile = storeProfile(QStringLiteral("alice"));
        profile.replace(profile.indexOf(QString::number(m_server.port())), QStringLiteral("1"));
        QCOMPARE(cli.run(profile, AlicePassword.toUtf8() + '\n').exitCode, 0);
        const QStringList port{QStringLiteral("--port"), QString::number(m_server.port())};

        const CliProcess::Result unreachable = cli.run({QStringLiteral("login")});
        QCOMPARE(unreachable.exitCode, 2);
        const CliProcess::Result keyring = cli.run(port + QStringList{QStringLiteral("login")});
        QVERIFY2(keyring.exitCode == 0, qPrintable(keyring.err));

        // A password given for the run wins over the saved one.
        const QString rejected =
            QStringLiteral("vendra-cli: %1\n").arg(messageText(QStringLiteral("LOGIN_USER_NOT_FOUND")));
        cli.setPasswordVariable(QStringLiteral("wrong"));
        QCOMPARE(cli.run(port + QStringList{QStringLiteral("login")}).err, rejected);
        cli.setPasswordVariable(QString());
        QCOMPARE(cli.run(port + QStringList{QStringLiteral("--password-stdin"), QStringLiteral("login")},
                         "wrong\n")
                     .err,
                 rejected);

        cli.setPasswordVariable(QStringLiteral("demo"));
        const CliProcess::Result otherUser = cli.run(
            port + QStringList{QStringLiteral("--user"), QStringLiteral("demo"), QStringLiteral("albums")});
        QVERIFY2(otherUser.exitCode == 0, qPrintable(otherUser.err));
        QCOMPARE(otherUser.outLines().size(), 3);

        // Options are for the run only.
        Preferences &preferences = preferencesOf(cli);
        QCOMPARE(preferences.port(), 1);
        QCOMPARE(preferences.user(), QStringLiteral("alice"));
    }

    // The stored port belongs to the stored server and scheme; the failed request names the address.
    void storedPortGoesWithItsServer()
    {
        CliProcess cli;
        cli.setPasswordVariable(QStringLiteral("demo"));
        QCOMPARE(cli.run({QStringLiteral("profile"), QStringLiteral("--server"), ServerText,
                          QStringLiteral("--port"), QStringLiteral("1"), QStringLiteral("--http"),
                          QStringLiteral("--user"), QStringLiteral("demo")})
                     .exitCode,
                 0);
        const auto requested = [&](const QStringList &options) {
            return cli
                .run(QStringList{QStringLiteral("--verbose")} + options +
                     QStringList{QStringLiteral("login")})
                .err;
        };
        QVERIFY(requested({}).contains(QStringLiteral("http://127.0.0.1:1/soap/")));
        QVERIFY(requested({QStringLiteral("--https")}).contains(QStringLiteral("https://127.0.0.1:1/soap/")));
        QVERIFY(requested({QStringLiteral("--server"), QStringLiteral("127.0.0.1")})
                    .contains(QStringLiteral("https://127.0.0.1/soap/")));
        QCOMPARE(cli.run({QStringLiteral("profile"), QStringLiteral("--port"), QStringLiteral("443"),
                          QStringLiteral("--https")})
                     .exitCode,
                 0);
        QVERIFY(requested({QStringLiteral("--http")}).contains(QStringLiteral("http://127.0.0.1/soap/")));
    }

    void savedPasswordIsFoundOnlyUnderItsServerAndUser()
    {
        const QString missing = textBefore(QStringLiteral("Text_CliMissingPassword"));
        const QStringList address{QStringLiteral("--server"), QStringLiteral("127.0.0.1"),
                                  QStringLiteral("--port"), QString::number(m_server.port()),
                                  QStringLiteral("--http")};

        CliProcess fresh;
        const CliProcess::Result nothingSaved =
            fresh.run(address + QStringList{QStringLiteral("--user"), QStringLiteral("alice"),
                                            QStringLiteral("login")});
        QCOMPARE(nothingSaved.exitCode, 2);
        QVERIFY(nothingSaved.out.isEmpty());
        QVERIFY2(nothingSaved.err.contains(missing), qPrintable(nothingSaved.err));

        CliProcess cli;
        // --password-stdin says again where a password to save comes from.
        QCOMPARE(cli.run(storeProfile(QStringLiteral("alice")) << QStringLiteral("--password-stdin"),
                         AlicePassword.toUtf8() + '\n')
                     .exitCode,
                 0);
        // The same server under another address text, and the same server text with another user.
        for (const QStringList &arguments :
             {address + QStringList{QStringLiteral("login")},
              QStringList{QStringLiteral("--user"), QStringLiteral("demo"), QStringLiteral("login")}}) {
            const CliProcess::Result result = cli.run(arguments);
            QCOMPARE(result.exitCode, 2);
            QVERIFY2(result.err.contains(missing), qPrintable(result.err));
        }
        QCOMPARE(cli.run({QStringLiteral("login")}).exitCode, 0);

        const CliProcess::Result forgotten =
            cli.run({QStringLiteral("profile"), QStringLiteral("--forget-password")});
        QVERIFY2(forgotten.exitCode == 0, qPrintable(forgotten.err));
        QCOMPARE(forgotten.outLines().last(), QStringLiteral("Password: not saved"));
        QVERIFY(QXKeychain::passwordForService(ServerText, QStringLiteral("alice")).isNull());
        QCOMPARE(preferencesOf(cli).savePassword(), false);
        const CliProcess::Result afterwards = cli.run({QStringLiteral("login")});
        QCOMPARE(afterwards.exitCode, 2);
        QVERIFY2(afterwards.err.contains(missing), qPrintable(afterwards.err));
    }

    void profileIsStoredFieldByField()
    {
        CliProcess cli;
        const CliProcess::Result empty = cli.run({QStringLiteral("profile")});
        QCOMPARE(empty.exitCode, 0);
        QCOMPARE(empty.outLines(),
                 QStringList({QStringLiteral("Server: (none)"), QStringLiteral("Port: 443"),
                              QStringLiteral("Scheme: https"), QStringLiteral("User: (none)"),
                              QStringLiteral("Password: not saved")}));
        QVERIFY(nothingStored(cli));

        const auto shown = [&](const QStringList &options) {
            const CliProcess::Result result = cli.run(QStringList{QStringLiteral("profile")} + options);
            return result.exitCode == 0 ? result.outLines().mid(0, 4).join(u'|') : result.err;
        };
        QCOMPARE(shown({QStringLiteral("--server"), QStringLiteral("media.example"), QStringLiteral("--user"),
                        QStringLiteral("bob"), QStringLiteral("--http")}),
                 QStringLiteral("Server: media.example|Port: 80|Scheme: http|User: bob"));
        // A scheme's default port follows the scheme; a port chosen by the user stays.
        QCOMPARE(shown({QStringLiteral("--https")}),
                 QStringLiteral("Server: media.example|Port: 443|Scheme: https|User: bob"));
        QCOMPARE(shown({QStringLiteral("--port"), QStringLiteral("8443")}),
                 QStringLiteral("Server: media.example|Port: 8443|Scheme: https|User: bob"));
        QCOMPARE(shown({QStringLiteral("--http")}),
                 QStringLiteral("Server: media.example|Port: 8443|Scheme: http|User: bob"));
        QCOMPARE(shown({QStringLiteral("--user"), QStringLiteral("carol")}),
                 QStringLiteral("Server: media.example|Port: 8443|Scheme: http|User: carol"));
    }

    void badProfileInputStoresNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("messageKey");
        const QStringList complete{QStringLiteral("profile"), QStringLiteral("--server"), ServerText,
                                   QStringLiteral("--user"), QStringLiteral("alice")};
        QTest::newRow("password without a server")
            << QStringList{QStringLiteral("profile"), QStringLiteral("--user"), QStringLiteral("alice"),
                           QStringLiteral("--save-password")}
            << QByteArray("secret\n") << QStringLiteral("Text_CliProfileIncomplete");
        QTest::newRow("empty password") << (complete + QStringList{QStringLiteral("--save-password")})
                                        << QByteArray("\n") << QStringLiteral("Text_CliProfileEmptyPassword");
        QTest::newRow("no input") << (complete + QStringList{QStringLiteral("--save-password")})
                                  << QByteArray() << QStringLiteral("Text_CliMissingPassword");
        QTest::newRow("save and forget")
            << (complete +
                QStringList{QStringLiteral("--save-password"), QStringLiteral("--forget-password")})
            << QByteArray("secret\n") << QStringLiteral("Text_CliProfileSaveAndForget");
        QTest::newRow("empty server")
            << QStringList{QStringLiteral("profile"), QStringLiteral("--server"), QString()} << QByteArray()
            << QStringLiteral("Text_CliProfileEmptyValue");
        QTest::newRow("certificate") << (complete +
                                         QStringList{QStringLiteral("--ca-cert"), QStringLiteral("x.pem")})
                                     << QByteArray() << QStringLiteral("Text_CliOptionNotForCommand");
        QTest::newRow("password from standard input without saving")
            << (complete + QStringList{QStringLiteral("--password-stdin")}) << QByteArray("secret\n")
            << QStringLiteral("Text_CliOptionNotForCommand");
        QTest::newRow("password option of another command")
            << QStringList{QStringLiteral("--server"), ServerText,
                           QStringLiteral("--user"),   QStringLiteral("alice"),
                           QStringLiteral("login"),    QStringLiteral("--save-password")}
            << QByteArray("secret\n") << QStringLiteral("Text_CliOptionNotForCommand");
    }

    void badProfileInputStoresNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QString, messageKey);
        CliProcess cli;
        const CliProcess::Result result = cli.run(arguments, input);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(textBefore(messageKey)), qPrintable(result.err));
        QVERIFY(nothingStored(cli));
        QVERIFY(QXKeychain::passwordForService(ServerText, QStringLiteral("alice")).isNull());
    }

    // Settings that cannot be written leave the keyring alone and say so.
    void unwritableSettingsAreReported()
    {
        CliProcess cli;
        const QString notAFolder = cli.homePath() + QStringLiteral("/not-a-folder");
        QFile file(notAFolder);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        cli.setEnvironmentVariable(QStringLiteral("XDG_CONFIG_HOME"), notAFolder);
        const CliProcess::Result result = cli.run(storeProfile(QStringLiteral("alice")), "secret\n");
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(textBefore(QStringLiteral("Text_CliProfileNotWritten"))),
                 qPrintable(result.err));
        QVERIFY(QXKeychain::passwordForService(ServerText, QStringLiteral("alice")).isNull());
    }
};

VENDRA_TEST_MAIN(TestCliProfile)
#include "tst_cliprofile.moc"
