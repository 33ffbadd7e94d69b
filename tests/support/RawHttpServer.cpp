#include "RawHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace {

// The request's Content-Length, or 0 when it announces none.
qsizetype announcedLength(const QByteArray &head)
{
    for (const QByteArray &line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
            return line.mid(colon + 1).trimmed().toLongLong();
    }
    return 0;
}

} // namespace

RawHttpServer::RawHttpServer(const QByteArray &response) : m_response(response)
{
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
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

QList<QByteArray> RawHttpServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

QByteArray RawHttpServer::response(const QByteArray &body, const QByteArray &status,
                                   const QList<QByteArray> &headerLines)
{
    QByteArray text = "HTTP/1.1 " + status + "\r\n";
    for (const QByteArray &line : headerLines)
        text += line + "\r\n";
    text += "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n";
    return text + body;
}

void RawHttpServer::serve()
{
    while (!m_stopping) {
        const int connection = ::accept(m_listener, nullptr, nullptr);
        if (connection < 0)
            return;
        QByteArray request;
        char buffer[4096];
        qsizetype headEnd = -1;
        for (;;) {
            if (headEnd >= 0 && request.size() >= headEnd + 4 + announcedLength(request.left(headEnd)))
                break;
            const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
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
        qsizetype sent = 0;
        while (sent < m_response.size()) {
            const ssize_t put = ::send(connection, m_response.constData() + sent,
                                       size_t(m_response.size() - sent), MSG_NOSIGNAL);
            if (put <= 0)
                break;
            sent += put;
        }
        ::close(connection);
    }
}
