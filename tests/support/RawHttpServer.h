#pragma once

#include <QByteArray>
#include <QList>

#include <atomic>
#include <mutex>
#include <thread>

// A loopback HTTP server that keeps every request exactly as it came over the wire (header order
// and spelling included, which cpp-httplib does not keep) and answers each the same way: with a
// canned response, or as a hostile server would (a reply too large to hold, one that never comes,
// one that trickles). One connection at a time; each is closed after its answer.
class RawHttpServer
{
public:
    struct Answer
    {
        enum class Ending {
            Close,   // close the connection
            Hang,    // keep it open, silent, until the client gives up
            Trickle, // send a byte every half second for as long as the client reads
        };
        // A canned response converts to an Answer.
        Answer(const QByteArray &bytes = {}, Ending ending = Ending::Close) : bytes(bytes), ending(ending) {}

        QByteArray bytes;  // sent at once,
        QByteArray filler; // then repeated to fillerBytes bytes, made as it goes,
        qint64 fillerBytes = 0;
        QByteArray tail; // then this
        Ending ending;
    };

    explicit RawHttpServer(const Answer &answer);
    ~RawHttpServer();
    RawHttpServer(const RawHttpServer &) = delete;
    RawHttpServer &operator=(const RawHttpServer &) = delete;

    quint16 port() const { return m_port; }
    QList<QByteArray> requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

    // "HTTP/1.1 <status>" with the given extra header lines, a Content-Length and the body.
    static QByteArray response(const QByteArray &body, const QByteArray &status = "200 OK",
                               const QList<QByteArray> &headerLines = {});

private:
    void serve();
    void answer(int connection);
    // Waits until the connection is ready for the events; false once the server is stopping.
    bool waitFor(int connection, short events, int timeoutMs = -1) const;
    bool sendAll(int connection, const QByteArray &data) const;

    Answer m_answer;
    int m_listener = -1;
    quint16 m_port = 0;
    std::atomic_bool m_stopping = false;
    mutable std::mutex m_mutex;
    QList<QByteArray> m_requests;
    std::thread m_thread;
};
