#pragma once

#include <QByteArray>
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
struct Request;
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
        std::string contentType;
        std::string contentLength;
        QByteArray body;       // non-multipart requests
        QList<Part> parts;     // multipart requests
        bool complete = false; // the handler ran after the whole body arrived
    };

    // Decides the answer to a request; without one every POST gets 200 with an empty body.
    using Responder = std::function<void(const Capture &, httplib::Response &)>;

    CaptureHttpServer();
    ~CaptureHttpServer();

    QUrl url(const QString &pathAndQuery = QStringLiteral("/")) const;
    void setResponder(Responder responder);
    QList<Capture> captures() const;

private:
    void handle(const httplib::Request &request, httplib::Response &response, const void *reader);

    std::unique_ptr<httplib::Server> m_server;
    std::atomic<bool> m_listenEnded = false;
    std::thread m_thread;
    int m_port = 0;
    mutable QMutex m_mutex;
    Responder m_responder;
    QList<Capture> m_captures;
};
