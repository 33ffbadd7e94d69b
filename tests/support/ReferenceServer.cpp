#include "ReferenceServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

namespace {

constexpr int StartTimeoutMs = 20000;
constexpr int StopTimeoutMs = 15000;

} // namespace

ReferenceServer::ReferenceServer() : m_dataDir(std::make_unique<QTemporaryDir>())
{}

ReferenceServer::~ReferenceServer()
{
    stop();
}

QString ReferenceServer::executable()
{
#ifdef VENDRA_SERVER_PATH
    return QStringLiteral(VENDRA_SERVER_PATH);
#else
    return QString();
#endif
}

QStringList ReferenceServer::serverArguments() const
{
    QStringList arguments{"--data", dataDir(), "--listen", QStringLiteral("127.0.0.1:%1").arg(m_listenPort)};
    if (m_options.tls)
        arguments << "--tls";
    if (m_options.demo)
        arguments << "--demo";
    return arguments + m_options.arguments;
}

bool ReferenceServer::start(const Options &options)
{
    stop();
    m_error.clear();
    m_options = options;
    if (!m_dataDir->isValid()) {
        m_error = QStringLiteral("cannot create a temporary data folder");
        return false;
    }
    if (executable().isEmpty()) {
        m_error = QStringLiteral("this test was built without the server (VENDRA_SERVER_PATH)");
        return false;
    }
    m_process = std::make_unique<QProcess>();
    if (options.logFile.isEmpty())
        m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    else
        m_process->setStandardErrorFile(options.logFile, QIODevice::Append);
    m_process->start(executable(), serverArguments());
    if (!m_process->waitForStarted(StartTimeoutMs)) {
        m_error = QStringLiteral("cannot start %1: %2").arg(executable(), m_process->errorString());
        m_process.reset();
        return false;
    }
    // The first line of standard output names the address actually listened on.
    QDeadlineTimer deadline(StartTimeoutMs);
    while (!m_process->canReadLine() && m_process->state() == QProcess::Running && !deadline.hasExpired())
        m_process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    const QString line = QString::fromUtf8(m_process->readLine()).trimmed();
    const QString prefix = QStringLiteral("listening on ");
    if (!line.startsWith(prefix)) {
        m_error = QStringLiteral("the server did not start listening (exit code %1, first line \"%2\")")
                      .arg(m_process->exitCode())
                      .arg(line);
        stop();
        return false;
    }
    m_baseUrl = QUrl(line.mid(prefix.size()));
    return true;
}

bool ReferenceServer::stop()
{
    if (!m_process)
        return true;
    bool clean = true;
    if (m_process->state() != QProcess::NotRunning) {
        m_process->terminate();
        if (!m_process->waitForFinished(StopTimeoutMs)) {
            m_process->kill();
            m_process->waitForFinished(StopTimeoutMs);
            clean = false;
        }
    }
    clean = clean && m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
    m_process.reset();
    return clean;
}

bool ReferenceServer::restart()
{
    if (!stop()) {
        m_error = QStringLiteral("the server did not stop cleanly");
        return false;
    }
    return start(Options(m_options));
}

bool ReferenceServer::kill()
{
    if (!isRunning())
        return false;
    m_process->kill();
    const bool gone = m_process->waitForFinished(StopTimeoutMs);
    m_process.reset();
    return gone;
}

bool ReferenceServer::restartWithNewCertificate()
{
    if (!stop() || !QDir(QDir(dataDir()).filePath(QStringLiteral("tls"))).removeRecursively()) {
        m_error = QStringLiteral("the server did not stop cleanly");
        return false;
    }
    return startAgain();
}

bool ReferenceServer::startAgain()
{
    m_listenPort = port();
    const bool started = start(m_options);
    m_listenPort = 0;
    return started;
}

bool ReferenceServer::isRunning() const
{
    return m_process && m_process->state() == QProcess::Running;
}

qint64 ReferenceServer::processId() const
{
    return isRunning() ? m_process->processId() : 0;
}

bool ReferenceServer::waitForExit(int timeoutMs)
{
    if (!m_process)
        return false;
    if (m_process->state() != QProcess::NotRunning && !m_process->waitForFinished(timeoutMs))
        return false;
    const bool clean = m_process->exitStatus() == QProcess::NormalExit && m_process->exitCode() == 0;
    m_process.reset();
    return clean;
}

qint64 ReferenceServer::peakResidentBytes() const
{
    QFile status(QStringLiteral("/proc/%1/status").arg(processId()));
    if (!isRunning() || !status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

QString ReferenceServer::albumFilePath(const QString &user, const QString &albumPath,
                                       const QString &fileName) const
{
    return QDir(dataDir()).filePath(QStringLiteral("albums/%1/%2/%3").arg(user, albumPath, fileName));
}

QString ReferenceServer::certificatePath() const
{
    return QDir(dataDir()).filePath(QStringLiteral("tls/cert.pem"));
}

QList<QSslCertificate> ReferenceServer::caCertificates() const
{
    QFile file(certificatePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QSslCertificate::fromData(file.readAll(), QSsl::Pem);
}

int ReferenceServer::runAdmin(const QStringList &command, const QByteArray &standardInput,
                              QString *output) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(executable(), QStringList{"--data", dataDir()} + command);
    if (!process.waitForStarted(StartTimeoutMs))
        return -1;
    process.write(standardInput);
    process.closeWriteChannel();
    if (!process.waitForFinished(StartTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
