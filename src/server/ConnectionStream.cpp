#include "ConnectionStream.h"

#include "ClientConnection.h"

#include <cstdlib>
#include <netdb.h>
#include <sys/socket.h>

namespace {

// After this long, a request's body must have come at least this fast on average.
constexpr std::chrono::seconds RateGrace{30};
constexpr uint64_t MinimumBytesPerSecond = 1024;

// The stream whose request this thread is answering; the library's reply hooks get no stream.
thread_local ConnectionStream *currentStream = nullptr;

void addressOf(int fd, bool peer, std::string &ip, int &port)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const int failed = peer ? getpeername(fd, reinterpret_cast<sockaddr *>(&address), &length)
                            : getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length);
    char host[NI_MAXHOST] = {};
    char service[NI_MAXSERV] = {};
    if (failed || getnameinfo(reinterpret_cast<sockaddr *>(&address), length, host, sizeof host, service,
                              sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return;
    ip = host;
    port = std::atoi(service);
}

} // namespace

ConnectionStream::ConnectionStream(ClientConnection &connection, std::chrono::milliseconds readTimeout,
                                   std::chrono::milliseconds writeTimeout)
    : m_connection(connection), m_readTimeout(readTimeout), m_writeTimeout(writeTimeout)
{
    currentStream = this;
}

ConnectionStream::~ConnectionStream()
{
    currentStream = nullptr;
}

void ConnectionStream::closeAfterReply()
{
    if (currentStream)
        currentStream->m_mustClose = true;
}

bool ConnectionStream::is_writable() const
{
    return m_connection.waitUntilWritable(m_writeTimeout);
}

ssize_t ConnectionStream::read(char *ptr, size_t size)
{
    const ssize_t got = m_connection.read(ptr, size, m_readTimeout);
    m_mustClose = m_mustClose || got <= 0;
    if (got > 0) {
        m_received += uint64_t(got);
        const auto elapsed = std::chrono::steady_clock::now() - m_start;
        if (elapsed > RateGrace &&
            m_received < uint64_t(std::chrono::duration_cast<std::chrono::seconds>(elapsed).count()) *
                             MinimumBytesPerSecond) {
            m_mustClose = true;
            return -1;
        }
    }
    return got;
}

ssize_t ConnectionStream::write(const char *ptr, size_t size)
{
    const ssize_t sent = m_connection.write(ptr, size, m_writeTimeout);
    m_mustClose = m_mustClose || sent < 0;
    return sent;
}

void ConnectionStream::get_remote_ip_and_port(std::string &ip, int &port) const
{
    addressOf(m_connection.fd(), true, ip, port);
}

void ConnectionStream::get_local_ip_and_port(std::string &ip, int &port) const
{
    addressOf(m_connection.fd(), false, ip, port);
}

socket_t ConnectionStream::socket() const
{
    return m_connection.fd();
}
