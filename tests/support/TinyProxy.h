#pragma once

#include <QProcess>
#include <QTemporaryDir>

// A real HTTP proxy, tinyproxy, on a free loopback port with a configuration and log of its own, for
// as long as the object lives.
class TinyProxy
{
public:
    ~TinyProxy()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }

    // Starts it and waits until it takes connections.
    bool start();
    QString url() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    // The requests it carried, from its log: "POST http://..." for plain HTTP, "CONNECT host:port
    // HTTP/1.1" for each tunnel.
    QStringList requests() const;

private:
    QString logPath() const { return m_dir.filePath(QStringLiteral("tinyproxy.log")); }

    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
};
