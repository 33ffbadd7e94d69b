#pragma once

#include <QByteArray>
#include <QList>

#include <atomic>
#include <mutex>
#include <thread>

// A loopback HTTP server that keeps every request exactly as it came over the wire (header order
// and spelling included, which cpp-httplib does not keep) and answers each with the same canned
// response. One connection at a time; each is closed after its answer.
class RawHttpServer
{
public:
    explicit RawHttpServer(const QByteArray &response);
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer &) = delete;
    RawHttpServer &operator=(const RawHttpServer &) = delete;

    quint16 port() const { return m_port; }
    QList<QByteArray> requests() const;

    // "HTTP/1.1 <status>" with the given extra header lines, a Content-Length and the body.
    static QByteArray response(const QByteArray &body, const QByteArray &status = "200 OK",
                               const QList<QByteArray> &headerLines = {});

private:
    void serve();

    QByteArray m_response;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic_bool m_stopping = false;
    mutable std::mutex m_mutex;
    QList<QByteArray> m_requests;
    std::thread m_thread;
};
