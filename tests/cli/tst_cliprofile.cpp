#include "CliProcess.h"
#include "ReferenceServer.h"
#include "TestFiles.h"
#include "VendraTest.h"
#include "http/ServerCertificate.h"
#include "settings/Preferences.h"
#include "settings/QXKeychain.h"

#include <QDir>
#include <QTemporaryDir>

namespace {

// Another spelling of the reference server's address. The keyring keys a saved password by the
// server text as typed, so this keeps the passwords saved here apart from those of other tests.
const QString ServerText = u"http://127.0.0.1/"_s;
// Alice's password: unlike "demo", it appears nowhere else, so a leak of it can be searched for.
const QString AlicePassword = u"Wh1te-rabbit at noon 42"_s;
const QByteArray AliceInput = AlicePassword.toUtf8() + '\n';

QString textBefore(const QString &key)
{
    const QString text = messageText(key);
    return text.left(text.indexOf(u'%'));
}

} // namespace

// vendra-cli's stored profile: the desktop program's settings and the keyring, against the
// reference server.
class TestCliProfile : public QObject
{
    Q_OBJECT

private:
    ReferenceServer m_server;

    QStringList storeProfile(const QString &user, const QString &port = {}) const
    {
        const QString portText = port.isEmpty() ? QString::number(m_server.port()) : port;
        return u"profile --server %1 --port %2 --http --user %3 --save-password"_s
            .arg(ServerText, portText, user)
            .split(u' ');
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
        return QDir(cli.configPath()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden) &&
               QXKeychain::passwordForService(ServerText, u"alice"_s).isNull();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // vendra-cli must never reach the keyring of the machine's own session.
        if (!qEnvironmentVariableIsSet("VENDRA_TEST_SANDBOX") ||
            !qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("needs the private keyring that scripts/test.sh starts");
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        QCOMPARE(m_server.runAdmin({u"user"_s, u"add"_s, u"alice"_s}, AliceInput), 0);
    }

    void cleanup()
    {
        Preferences::close();
        for (const QString &user : {u"demo"_s, u"alice"_s})
            QXKeychain::deletePasswordForService(ServerText, user);
    }

    // Stored by vendra-cli under the keys and in the keyring item that the desktop program reads,
    // and the other way round; the password shows in no output, settings or log file.
    void passwordStaysInTheKeyring()
    {
        CliProcess cli;
        const CliProcess::Result stored = cli.run(storeProfile(u"alice"_s), AliceInput);
        QVERIFY2(stored.exitCode == 0, qPrintable(stored.err));
        QCOMPARE(stored.outLines(),
                 QStringList({u"Server: "_s + ServerText, u"Port: %1"_s.arg(m_server.port()),
                              u"Scheme: http"_s, u"User: alice"_s, u"Password: saved in the keyring"_s}));
        const Preferences &preferences = preferencesOf(cli);
        QCOMPARE(QStringList({preferences.server(), QString::number(preferences.port()), preferences.user(),
                              preferences.password()}),
                 QStringList({ServerText, QString::number(m_server.port()), u"alice"_s, AlicePassword}));
        QVERIFY(!preferences.useHttps() && preferences.savePassword());

        const QList<CliProcess::Result> runs{cli.run({u"--verbose"_s, u"login"_s}),
                                             cli.run({u"--verbose"_s, u"quota"_s})};
        for (const CliProcess::Result &run : runs) {
            QVERIFY2(run.exitCode == 0 && !run.err.isEmpty(), qPrintable(run.err));
            QVERIFY(!run.out.contains(AlicePassword) && !run.err.contains(AlicePassword));
        }
        QVERIFY(QDir(cli.configPath()).exists(u"Vendra/VendraUploader.ini"_s));
        QCOMPARE(cli.filesContaining(QByteArrayLiteral("Wh1te-rabbit")), QStringList());

        // What the desktop program stores, vendra-cli uses: the user, and the password saved for them.
        Preferences &desktop = preferencesOf(cli);
        desktop.setUser(u"demo"_s);
        desktop.setPassword(u"demo"_s, true);
        QVERIFY(desktop.synchronize());
        QVERIFY(cli.run({u"profile"_s}).out.contains(u"User: demo\n"_s));
        QCOMPARE(cli.run({u"quota"_s}).exitCode, 0);
    }

    void optionsOverrideTheStoredProfile()
    {
        CliProcess cli;
        // Nothing listens on port 1: only the options can lead to the server.
        QCOMPARE(cli.run(storeProfile(u"alice"_s, u"1"_s), AliceInput).exitCode, 0);
        const QStringList login{u"--port"_s, QString::number(m_server.port()), u"login"_s};
        QCOMPARE(cli.run({u"login"_s}).exitCode, 2);
        QCOMPARE(cli.run(login).exitCode, 0);

        // A password given for the run wins over the saved one.
        const QString rejected = u"vendra-cli: %1\n"_s.arg(messageText(u"LOGIN_USER_NOT_FOUND"_s));
        cli.setPasswordVariable(u"wrong"_s);
        QCOMPARE(cli.run(login).err, rejected);
        cli.setPasswordVariable(QString());
        QCOMPARE(cli.run(QStringList{u"--password-stdin"_s} + login, "wrong\n").err, rejected);
        cli.setPasswordVariable(u"demo"_s);
        QCOMPARE(cli.run(QStringList{u"--user"_s, u"demo"_s} + login).exitCode, 0);

        // Options are for the run only.
        const Preferences &preferences = preferencesOf(cli);
        QCOMPARE(preferences.port(), 1);
        QCOMPARE(preferences.user(), u"alice"_s);

        // The stored port belongs to the stored server and scheme; the failed request names the address.
        const auto requested = [&](const QStringList &options) {
            return cli.run(QStringList{u"--verbose"_s} + options + QStringList{u"login"_s}).err;
        };
        QVERIFY(requested({u"--https"_s}).contains(u"https://127.0.0.1:1/soap/"_s));
        QVERIFY(requested({u"--server"_s, u"127.0.0.1"_s}).contains(u"https://127.0.0.1/soap/"_s));
        QCOMPARE(cli.run({u"profile"_s, u"--port"_s, u"443"_s, u"--https"_s}).exitCode, 0);
        QVERIFY(requested({u"--http"_s}).contains(u"http://127.0.0.1/soap/"_s));
    }

    void savedPasswordIsFoundOnlyUnderItsServerAndUser()
    {
        const QString missing = textBefore(u"Text_CliMissingPassword"_s);
        const QStringList address{u"--server"_s, u"127.0.0.1"_s, u"--port"_s,
                                  QString::number(m_server.port()), u"--http"_s};
        const auto refused = [&](const CliProcess &cli, const QStringList &arguments) {
            const CliProcess::Result result = cli.run(arguments);
            return result.exitCode == 2 && result.out.isEmpty() && result.err.contains(missing);
        };
        QVERIFY(refused(CliProcess(), address + QStringList{u"--user"_s, u"alice"_s, u"login"_s}));

        CliProcess cli;
        // --password-stdin says again where a password to save comes from.
        QCOMPARE(cli.run(storeProfile(u"alice"_s) << u"--password-stdin"_s, AliceInput).exitCode, 0);
        // The same server under another address text, and the same server text with another user.
        QVERIFY(refused(cli, address + QStringList{u"login"_s}));
        QVERIFY(refused(cli, {u"--user"_s, u"demo"_s, u"login"_s}));
        QCOMPARE(cli.run({u"login"_s}).exitCode, 0);

        QCOMPARE(cli.run({u"profile"_s, u"--forget-password"_s}).outLines().value(4),
                 u"Password: not saved"_s);
        QVERIFY(QXKeychain::passwordForService(ServerText, u"alice"_s).isNull());
        QVERIFY(!preferencesOf(cli).savePassword());
        QVERIFY(refused(cli, {u"login"_s}));
    }

    void profileIsStoredFieldByField()
    {
        CliProcess cli;
        QCOMPARE(cli.run({u"profile"_s}).outLines(),
                 QStringList({u"Server: (none)"_s, u"Port: 443"_s, u"Scheme: https"_s, u"User: (none)"_s,
                              u"Password: not saved"_s}));
        QVERIFY(nothingStored(cli));

        const auto shown = [&](const QStringList &options) {
            const CliProcess::Result result = cli.run(QStringList{u"profile"_s} + options);
            return result.exitCode == 0 ? result.outLines().mid(0, 4).join(u'|') : result.err;
        };
        QCOMPARE(shown({u"--server"_s, u"media.example"_s, u"--user"_s, u"bob"_s, u"--http"_s}),
                 u"Server: media.example|Port: 80|Scheme: http|User: bob"_s);
        // A scheme's default port follows the scheme; a port chosen by the user stays.
        QCOMPARE(shown({u"--https"_s}), u"Server: media.example|Port: 443|Scheme: https|User: bob"_s);
        shown({u"--port"_s, u"8443"_s});
        QCOMPARE(shown({u"--http"_s}), u"Server: media.example|Port: 8443|Scheme: http|User: bob"_s);
    }

    void badProfileInputStoresNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QString>("messageKey");
        const QStringList complete{u"profile"_s, u"--server"_s, ServerText, u"--user"_s, u"alice"_s};
        const QStringList save = complete + QStringList{u"--save-password"_s};
        QTest::newRow("password without a server")
            << QStringList{u"profile"_s, u"--user"_s, u"alice"_s, u"--save-password"_s}
            << QByteArray("secret\n") << u"Text_CliProfileIncomplete"_s;
        QTest::newRow("empty password") << save << QByteArray("\n") << u"Text_CliProfileEmptyPassword"_s;
        QTest::newRow("save and forget") << save + QStringList{u"--forget-password"_s}
                                         << QByteArray("secret\n") << u"Text_CliProfileSaveAndForget"_s;
        QTest::newRow("empty server") << QStringList{u"profile"_s, u"--server"_s, QString()} << QByteArray()
                                      << u"Text_CliProfileEmptyValue"_s;
        QTest::newRow("unreadable CA file") << complete + QStringList{u"--ca-cert"_s, u"/nonexistent.pem"_s}
                                            << QByteArray() << u"Text_CliBadCertificate"_s;
        QTest::newRow("trust over plain HTTP")
            << complete + QStringList{u"--http"_s, u"--trust-certificate"_s} << QByteArray()
            << u"Text_CliTrustNeedsHttpsServer"_s;
        // Settings that cannot be written leave the keyring alone and say so.
        QTest::newRow("settings not writable")
            << save << QByteArray("secret\n") << u"Text_CliProfileNotWritten"_s;
        QTest::newRow("password from standard input without saving")
            << complete + QStringList{u"--password-stdin"_s} << QByteArray("secret\n")
            << u"Text_CliOptionNotForCommand"_s;
    }

    void badProfileInputStoresNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, input);
        QFETCH(QString, messageKey);
        CliProcess cli;
        if (messageKey == u"Text_CliProfileNotWritten")
            cli.setEnvironmentVariable(u"XDG_CONFIG_HOME"_s,
                                       TestFiles::write(cli.homePath() + u"/file"_s, {}));
        const CliProcess::Result result = cli.run(arguments, input);
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.err.contains(textBefore(messageKey)), qPrintable(result.err));
        QVERIFY(nothingStored(cli));
    }

    // A server with its own certificate: trusted with --trust-certificate after it is shown, exactly
    // that certificate signs in and uploads; a new one there fails closed before the password is sent;
    // forgotten, it is refused as untrusted again. A CA file kept in the profile serves as --ca-cert.
    void aTrustedCertificateIsTheOnlyOneTheServerMayShow()
    {
        QTemporaryDir work;
        ReferenceServer server;
        const ReferenceServer::Options options{.tls = true, .logFile = work.filePath(u"server.log"_s)};
        QVERIFY2(server.start(options), qPrintable(server.errorString()));
        const auto fingerprintNow = [&] {
            return ServerCertificate(server.caCertificates().value(0).toDer()).fingerprint();
        };
        const QString fingerprint = fingerprintNow();
        CliProcess cli;
        cli.setPasswordVariable(u"demo"_s);
        QCOMPARE(cli.run(u"profile --server 127.0.0.1 --https --user demo --port"_s.split(u' ')
                         << QString::number(server.port()))
                     .exitCode,
                 0);
        const auto refused = [&](const QStringList &command, const QStringList &shown) {
            const CliProcess::Result result = cli.run(command);
            return result.exitCode == 2 && std::all_of(shown.begin(), shown.end(), [&](const QString &text) {
                       return result.err.contains(text);
                   });
        };
        QVERIFY(refused({u"login"_s}, {fingerprint, u"--trust-certificate"_s}));

        const CliProcess::Result trusted = cli.run({u"profile"_s, u"--trust-certificate"_s});
        QVERIFY2(trusted.out.contains(messageText(u"Text_CertificateSubject"_s).arg(u"localhost"_s)) &&
                     trusted.outLines().contains(u"Trusted certificate: "_s + fingerprint),
                 qPrintable(trusted.out + trusted.err));
        QCOMPARE(preferencesOf(cli).trustedCertificate(u"127.0.0.1:%1"_s.arg(server.port())), fingerprint);

        const QString local =
            TestFiles::write(work.filePath(u"pinned.bin"_s), TestFiles::randomBytes(100000, 5));
        const QStringList upload{u"upload"_s, u"--to"_s, u"Family"_s, local};
        QCOMPARE(cli.run(upload).exitCode, 0); // signs in first
        QCOMPARE(TestFiles::read(server.albumFilePath(u"demo"_s, u"Family"_s, u"pinned.bin"_s)),
                 TestFiles::read(local));

        QVERIFY2(server.restartWithNewCertificate(), qPrintable(server.errorString()));
        const QString renewed = fingerprintNow();
        const auto logins = [&] {
            return TestFiles::read(options.logFile).count(" Login ");
        };
        const qsizetype loginsBefore = logins();
        for (const QStringList &command : {QStringList{u"login"_s}, upload})
            QVERIFY(refused(command, {fingerprint, renewed, u"--forget-certificate"_s}));
        QCOMPARE(logins(), loginsBefore);

        const CliProcess::Result forgotten = cli.run({u"profile"_s, u"--forget-certificate"_s});
        QVERIFY2(forgotten.exitCode == 0 && !forgotten.out.contains(u"Trusted certificate"_s),
                 qPrintable(forgotten.err));
        QVERIFY(refused({u"login"_s}, {renewed, u"--trust-certificate"_s}));

        QVERIFY(cli.run({u"profile"_s, u"--ca-cert"_s, server.certificatePath()})
                    .outLines()
                    .contains(u"CA certificates: "_s + server.certificatePath()));
        QCOMPARE(cli.run({u"login"_s}).exitCode, 0);
        QCOMPARE(cli.run({u"profile"_s, u"--ca-cert"_s, QString()}).exitCode, 0);
        QVERIFY(refused({u"login"_s}, {renewed}));
    }
};

VENDRA_TEST_MAIN(TestCliProfile)
#include "tst_cliprofile.moc"
