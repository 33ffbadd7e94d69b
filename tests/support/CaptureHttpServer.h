#pragma once

#include <QList>
#include <QMutex>
#include <QUrl>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
struct Response;
} // namespace httplib

// A small HTTP server on 127.0.0.1, on its own thread, that records what each POST brought.
class CaptureHttpServer
{
public:
    struct Part
    {
        std::string name;
        QByteArray content;
    };

    struct Capture
    {
        std::string path;
        std::string query;
        std::string contentLength;
        QByteArray body;       // non-multipart requests
        QList<Part> parts;     // multipart requests
        bool complete = false; // the handler ran after the whole body arrived
    };

    // Decides the answer to a request; without one every POST gets 200 with an empty body.
    using Responder = std::function<void(const Capture &, httplib::Response &)>;

    CaptureHttpServer();
    ~CaptureHttpServer();

    QUrl url(const QString &pathAndQuery = QStringLiteral("/")) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(pathAndQuery));
    }
    void setResponder(Responder responder)
    {
        const QMutexLocker lock(&m_mutex);
        m_responder = std::move(responder);
    }
    QList<Capture> captures() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_captures;
    }

private:
    std::unique_ptr<httplib::Server> m_server;
    std::atomic<bool> m_listenEnded = false;
    std::thread m_thread;
    int m_port = 0;
    mutable QMutex m_mutex;
    Responder m_responder;
    QList<Capture> m_captures;
};
