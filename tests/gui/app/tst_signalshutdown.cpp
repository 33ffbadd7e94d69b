#include "CliProcess.h"
#include "ReferenceServer.h"
#include "TestFiles.h"
#include "VendraTest.h"
#include "diagnostics/CrashHandler.h"
#include "settings/Preferences.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <csignal>

namespace {

const QString User = u"sigterm"_s;
const QByteArray Password = "signal-password";
const QString CrashOffer = u"The last run did not end in order"_s;

} // namespace

// The desktop program ended by a signal, as a desktop log-out or kill ends it, while signed in to
// the reference server: it signs out once, saves its settings, marks the clean end, and the next
// start offers no crash report. SIGKILL, which no program can catch, shows that the test tells the
// two apart.
class TestSignalShutdown : public QObject
{
    Q_OBJECT

private:
    ReferenceServer m_server;
    QTemporaryDir m_logs;
    std::unique_ptr<CliProcess> m_user; // the home, settings and keyring entry of the runs

    QString serverLog() const { return m_logs.filePath(u"server.log"_s); }
    QString settingsFile() const { return m_user->configPath() + u"/Vendra/VendraUploader.ini"_s; }
    QString logFolder() const { return m_user->homePath() + u"/.local/state/Halvane-ZRM"_s; }

    // The text of the newest log file of the program, after the given ones.
    QString newestLog(const QStringList &before = {}) const
    {
        const QStringList logs =
            QDir(logFolder()).entryList({u"*.log"_s}, QDir::Files, QDir::Name | QDir::Reversed);
        return logs.isEmpty() || before.contains(logs.first())
                   ? QString()
                   : QString::fromUtf8(TestFiles::read(QDir(logFolder()).filePath(logs.first())));
    }
    int logouts() const { return int(QString::fromUtf8(TestFiles::read(serverLog())).count(u" Logout "_s)); }

    void startProgram(QProcess &program, const QStringList &arguments = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"HOME"_s, m_user->homePath());
        environment.insert(u"XDG_CONFIG_HOME"_s, m_user->configPath());
        environment.remove(u"XDG_STATE_HOME"_s);
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program.setProcessEnvironment(environment);
        program.setProcessChannelMode(QProcess::ForwardedChannels);
        program.start(QStringLiteral(VENDRA_UPLOADER_PATH), arguments);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QSKIP("no session bus, so no keyring: run through scripts/test.sh");
        ReferenceServer::Options options;
        options.logFile = serverLog();
        QVERIFY2(m_server.start(options), qPrintable(m_server.errorString()));
        QCOMPARE(m_server.runAdmin({u"user"_s, u"add"_s, User, u"--rights"_s, u"all"_s}, Password + '\n'), 0);
    }

    void init()
    {
        // A fresh home for every run: its settings, its log folder; the profile as vendra-cli stores it.
        m_user = std::make_unique<CliProcess>();
        const CliProcess::Result profile =
            m_user->run({u"--server"_s, m_server.host(), u"--port"_s, QString::number(m_server.port()),
                         u"--http"_s, u"--user"_s, User, u"profile"_s, u"--save-password"_s},
                        Password + '\n');
        QVERIFY2(profile.exitCode == 0, qPrintable(profile.out + profile.err));
        QSettings settings(settingsFile(), QSettings::IniFormat);
        settings.setValue(Preferences::KeyAutoLogin, true);
    }

    void signalEndsTheProgramInOrder_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("inOrder");
        QTest::newRow("SIGTERM") << int(SIGTERM) << true;
        QTest::newRow("SIGINT") << int(SIGINT) << true;
        QTest::newRow("SIGHUP") << int(SIGHUP) << true;
        QTest::newRow("SIGKILL, which cannot be caught") << int(SIGKILL) << false;
    }

    void signalEndsTheProgramInOrder()
    {
        QFETCH(int, signalNumber);
        QFETCH(bool, inOrder);
        const int logoutsBefore = logouts();

        QProcess program;
        startProgram(program);
        // Signed in: the log file, written as the program goes, has the answer to the last sign-in step.
        QTRY_VERIFY_WITH_TIMEOUT(newestLog().contains(u"SOAP Version"_s), 60000);
        const QStringList firstRun = QDir(logFolder()).entryList({u"*.log"_s}, QDir::Files);

        QElapsedTimer clock;
        clock.start();
        QCOMPARE(::kill(pid_t(program.processId()), signalNumber), 0);
        QVERIFY(program.waitForFinished(15000));
        QVERIFY(clock.elapsed() < 5000); // signing out waits at most about a second
        const QString log = newestLog();
        QSettings settings(settingsFile(), QSettings::IniFormat);
        QCOMPARE(settings.status(), QSettings::NoError);
        QCOMPARE(program.exitStatus(), inOrder ? QProcess::NormalExit : QProcess::CrashExit);
        QVERIFY(!inOrder || program.exitCode() == 0);
        QCOMPARE(logouts() - logoutsBefore, inOrder ? 1 : 0);
        QCOMPARE(log.contains(u"Logged out after"_s) && log.contains(u"Logging Stopped"_s), inOrder);
        QCOMPARE(settings.value(CrashHandler::LaunchedKey).toString(), inOrder ? u"false"_s : u"true"_s);
        // The settings as they were signed in with, complete whichever way the program ended.
        QCOMPARE(settings.value(Preferences::KeyServer).toString(), m_server.host());
        QCOMPARE(settings.value(Preferences::KeyPort).toInt(), m_server.port());
        QCOMPARE(settings.value(Preferences::KeyUser).toString(), User);
        QCOMPARE(settings.value(Preferences::KeyAutoLogin).toString(), u"true"_s);
        QCOMPARE(settings.value(Preferences::KeySavePassword).toString(), u"true"_s);

        // The next start signs in again and offers a crash report only after the uncaught signal.
        QTemporaryDir shots;
        QProcess next;
        startProgram(next, {u"--screenshot"_s, shots.filePath(u"next.png"_s)});
        QVERIFY(next.waitForFinished(60000) && next.exitCode() == 0);
        const QString nextLog = newestLog(firstRun);
        QVERIFY(nextLog.contains(u"SOAP Version"_s));
        QCOMPARE(nextLog.contains(CrashOffer), !inOrder);
        QCOMPARE(QSettings(settingsFile(), QSettings::IniFormat).value(CrashHandler::LaunchedKey).toString(),
                 u"false"_s);
    }
};

VENDRA_TEST_MAIN(TestSignalShutdown)
#include "tst_signalshutdown.moc"
