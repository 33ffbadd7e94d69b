#pragma once

#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

// The reference media server (vendra-server) as a child process, for end-to-end tests. Each instance
// owns a fresh data folder (removed with it), by default with the demo account (demo/demo, every
// right, albums Holidays, Holidays/2019 and Family), and listens on a free port of 127.0.0.1; the request log
// goes to the test's standard error.
class ReferenceServer
{
public:
    static constexpr const char *DemoUser = "demo";
    static constexpr const char *DemoPassword = "demo";

    struct Options
    {
        bool tls = false;           // HTTPS with the server's self-signed certificate
        bool demo = true;           // the demo account in an empty data folder
        QStringList arguments = {}; // more options, e.g. {"--fault", "delay=200", "--session-timeout", "2"}
        QString logFile = {};       // when set, the request log is appended to this file instead
    };

    ReferenceServer() : m_dataDir(std::make_unique<QTemporaryDir>()) {}
    ~ReferenceServer() { stop(); }
    Q_DISABLE_COPY_MOVE(ReferenceServer)

    // Starts the server and waits until it listens; false with errorString() on failure.
    bool start(const Options &options);
    bool start() { return start(Options()); }
    // SIGTERM, and waits; true when it exited cleanly.
    bool stop();
    // With TLS: stops, and starts again on the same port with a new self-signed certificate.
    bool restartWithNewCertificate();
    // SIGKILL, as a crash would, and waits until it has gone.
    bool kill();
    // Starts a stopped or killed server again with the same data folder and options and port.
    bool startAgain();
    bool isRunning() const { return m_process && m_process->state() == QProcess::Running; }
    qint64 processId() const { return isRunning() ? m_process->processId() : 0; }
    // Waits until the server has exited by itself; true when it exited cleanly (status 0).
    bool waitForExit(int timeoutMs = 15000);
    // The peak resident memory so far (VmHWM) while it runs, in bytes; -1 otherwise.
    qint64 peakResidentBytes() const;

    // "http://127.0.0.1:PORT" (or https), without a trailing slash.
    QUrl baseUrl() const { return m_baseUrl; }
    QString host() const { return m_baseUrl.host(); }
    int port() const { return m_baseUrl.port(); }

    QString dataDir() const { return m_dataDir->path(); }
    QString albumFilePath(const QString &user, const QString &albumPath, const QString &fileName) const
    {
        return dataDir() + QStringLiteral("/albums/%1/%2/%3").arg(user, albumPath, fileName);
    }
    // With TLS: the server's certificate file, and the certificate as a CA to trust.
    QString certificatePath() const { return dataDir() + QStringLiteral("/tls/cert.pem"); }
    QList<QSslCertificate> caCertificates() const { return QSslCertificate::fromPath(certificatePath()); }

    // Runs an administration command on the data folder, e.g. {"user", "add", "alice"} with the
    // password as standardInput; the exit status (-1: did not run), output with stdout and stderr.
    int runAdmin(const QStringList &command, const QByteArray &standardInput = {},
                 QString *output = nullptr) const;

    QString errorString() const { return m_error; }
    static QString executable() { return QStringLiteral(VENDRA_SERVER_PATH); }

private:
    std::unique_ptr<QTemporaryDir> m_dataDir;
    std::unique_ptr<QProcess> m_process;
    Options m_options;
    QUrl m_baseUrl;
    int m_listenPort = 0; // 0: any free port
    QString m_error;
};
