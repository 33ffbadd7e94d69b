#include "RawHttpServer.h"

#include <QElapsedTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace {

// The request's Content-Length, or 0 when it announces none.
qsizetype announcedLength(const QByteArray &head)
{
    for (const QByteArray &line : head.split('\n'))
        if (line.toLower().startsWith("content-length:"))
            return line.mid(15).trimmed().toLongLong();
    return 0;
}

} // namespace

RawHttpServer::RawHttpServer(const Answer &answer) : m_answer(answer)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof address;
    if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), length) != 0 ||
        ::listen(m_listener, 8) != 0 ||
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        throw std::runtime_error("cannot listen on loopback");
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

RawHttpServer::~RawHttpServer()
{
    m_stopping = true;
    ::shutdown(m_listener, SHUT_RDWR);
    m_thread.join();
    ::close(m_listener);
}

QByteArray RawHttpServer::response(const QByteArray &body, const QByteArray &status,
                                   const QList<QByteArray> &headerLines)
{
    QByteArray text = "HTTP/1.1 " + status + "\r\n";
    for (const QByteArray &line : headerLines)
        text += line + "\r\n";
    return text + "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" +
           body;
}

void RawHttpServer::serve()
{
    while (!m_stopping) {
        const int connection = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            return;
        QByteArray request;
        char buffer[4096];
        for (qsizetype headEnd = -1;;) {
            if (headEnd >= 0 && request.size() >= headEnd + 4 + announcedLength(request.left(headEnd)))
                break;
            const ssize_t got =
                waitFor(connection, POLLIN) ? ::recv(connection, buffer, sizeof buffer, 0) : 0;
            if (got <= 0)
                break;
            request.append(buffer, got);
            if (headEnd < 0)
                headEnd = request.indexOf("\r\n\r\n");
        }
        {
            std::lock_guard lock(m_mutex);
            m_requests.append(request);
        }
        answer(connection);
        ::close(connection);
    }
}

void RawHttpServer::answer(int connection)
{
    if (!sendAll(connection, m_answer.bytes))
        return;
    if (!m_answer.filler.isEmpty()) {
        const QByteArray piece = m_answer.filler.repeated(qMax<qsizetype>(1, 65536 / m_answer.filler.size()));
        for (qint64 left = m_answer.fillerBytes; left > 0; left -= piece.size())
            if (!sendAll(connection, piece.left(qsizetype(qMin<qint64>(left, piece.size())))))
                return;
    }
    if (!sendAll(connection, m_answer.tail))
        return;
    char buffer[4096];
    if (m_answer.ending == Answer::Ending::Hang) {
        // Until the client closes its end.
        while (waitFor(connection, POLLIN) && ::recv(connection, buffer, sizeof buffer, 0) > 0) {
        }
    } else if (m_answer.ending == Answer::Ending::Trickle) {
        while (!(waitFor(connection, POLLIN, 500) && ::recv(connection, buffer, sizeof buffer, 0) <= 0) &&
               !m_stopping && sendAll(connection, " ")) {
        }
    }
}

bool RawHttpServer::waitFor(int connection, short events, int timeoutMs) const
{
    QElapsedTimer clock;
    clock.start();
    while (!m_stopping) {
        // In slices, so that a stopping server is noticed.
        const qint64 left = timeoutMs < 0 ? 100 : qMin<qint64>(100, timeoutMs - clock.elapsed());
        if (left <= 0)
            return false;
        pollfd descriptor{connection, events, 0};
        const int ready = ::poll(&descriptor, 1, int(left));
        if (ready > 0 || (ready < 0 && errno != EINTR))
            return ready > 0;
    }
    return false;
}

bool RawHttpServer::sendAll(int connection, const QByteArray &data) const
{
    for (qsizetype sent = 0; sent < data.size();) {
        if (!waitFor(connection, POLLOUT))
            return false;
        const ssize_t put = ::send(connection, data.constData() + sent, size_t(data.size() - sent),
                                   MSG_NOSIGNAL | MSG_DONTWAIT);
        if (put < 0 && (errno == EAGAIN || errno == EINTR))
            continue;
        if (put <= 0)
            return false;
        sent += put;
    }
    return true;
}
