#include "ReferenceServer.h"

#include <QDeadlineTimer>
#include <QDir>

namespace {

constexpr int TimeoutMs = 20000;

bool exitedCleanly(const QProcess &process)
{
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

bool ReferenceServer::start(const Options &options)
{
    stop();
    m_options = options;
    m_error = QStringLiteral("cannot create a temporary data folder");
    if (!m_dataDir->isValid())
        return false;
    m_process = std::make_unique<QProcess>();
    if (options.logFile.isEmpty())
        m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    else
        m_process->setStandardErrorFile(options.logFile, QIODevice::Append);
    QStringList arguments{"--data", dataDir(), "--listen", QStringLiteral("127.0.0.1:%1").arg(m_listenPort)};
    if (options.tls)
        arguments << "--tls";
    if (options.demo)
        arguments << "--demo";
    m_process->start(executable(), arguments + options.arguments);
    // The first line of standard output names the address actually listened on.
    QDeadlineTimer deadline(TimeoutMs);
    while (!m_process->canReadLine() && m_process->state() != QProcess::NotRunning && !deadline.hasExpired())
        m_process->waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
    const QString line = QString::fromUtf8(m_process->readLine()).trimmed();
    if (!line.startsWith(u"listening on ")) {
        m_error = QStringLiteral("the server did not start listening (%1, exit code %2, first line \"%3\")")
                      .arg(m_process->errorString())
                      .arg(m_process->exitCode())
                      .arg(line);
        stop();
        return false;
    }
    m_baseUrl = QUrl(line.mid(13));
    m_error.clear();
    return true;
}

bool ReferenceServer::stop()
{
    if (!m_process)
        return true;
    if (m_process->state() != QProcess::NotRunning)
        m_process->terminate();
    const bool clean = waitForExit(TimeoutMs);
    if (m_process)
        kill();
    return clean;
}

bool ReferenceServer::kill()
{
    if (!m_process)
        return false;
    m_process->kill();
    const bool gone = m_process->waitForFinished(TimeoutMs);
    m_process.reset();
    return gone;
}

bool ReferenceServer::restartWithNewCertificate()
{
    if (!stop() || !QDir(dataDir() + QStringLiteral("/tls")).removeRecursively()) {
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

bool ReferenceServer::waitForExit(int timeoutMs)
{
    if (!m_process || (m_process->state() != QProcess::NotRunning && !m_process->waitForFinished(timeoutMs)))
        return false;
    const bool clean = exitedCleanly(*m_process);
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

int ReferenceServer::runAdmin(const QStringList &command, const QByteArray &standardInput,
                              QString *output) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(executable(), QStringList{"--data", dataDir()} + command);
    process.write(standardInput);
    process.closeWriteChannel();
    if (!process.waitForFinished(TimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
