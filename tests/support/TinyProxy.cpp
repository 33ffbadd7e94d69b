#include "TinyProxy.h"

#include "TestFiles.h"

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
    const QString config = TestFiles::write(
        m_dir.filePath(QStringLiteral("tinyproxy.conf")),
        QStringLiteral("Port %1\nListen 127.0.0.1\nTimeout 60\nLogFile \"%2\"\nLogLevel Connect\n"
                       "MaxClients 20\nAllow 127.0.0.1\n")
            .arg(m_port)
            .arg(logPath())
            .toUtf8());
    m_process.start(QStringLiteral("tinyproxy"), {QStringLiteral("-d"), QStringLiteral("-c"), config});
    return m_process.waitForStarted(5000) && QTest::qWaitFor(
                                                 [this] {
                                                     QTcpSocket socket;
                                                     socket.connectToHost(QHostAddress::LocalHost, m_port);
                                                     return socket.waitForConnected(100);
                                                 },
                                                 15000);
}

QStringList TinyProxy::requests() const
{
    QStringList found;
    for (const QByteArray &line : TestFiles::read(logPath()).split('\n')) {
        const qsizetype at = line.indexOf("): ");
        if (line.contains("Request (file descriptor") && at > 0)
            found.append(QString::fromUtf8(line.mid(at + 3)));
    }
    return found;
}
