#include "TinyProxy.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

bool TinyProxy::start()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost))
        return false;
    m_port = probe.serverPort();
    probe.close();
    QFile config(m_dir.filePath(QStringLiteral("tinyproxy.conf")));
    if (!config.open(QIODevice::WriteOnly) ||
        !config.write(
            QStringLiteral("Port %1\nListen 127.0.0.1\nTimeout 60\nLogFile \"%2\"\nLogLevel Connect\n"
                           "MaxClients 20\nAllow 127.0.0.1\n")
                .arg(m_port)
                .arg(logPath())
                .toUtf8()))
        return false;
    config.close();
    m_process.start(QStringLiteral("tinyproxy"),
                    {QStringLiteral("-d"), QStringLiteral("-c"), config.fileName()});
    if (!m_process.waitForStarted(5000))
        return false;
    return QTest::qWaitFor(
        [this] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            return socket.waitForConnected(100);
        },
        15000);
}

QStringList TinyProxy::requests() const
{
    QFile log(logPath());
    QStringList found;
    for (const QByteArray &line :
         (log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray()).split('\n')) {
        const qsizetype at = line.indexOf("): ");
        if (line.contains("Request (file descriptor") && at > 0)
            found.append(QString::fromUtf8(line.mid(at + 3)));
    }
    return found;
}
