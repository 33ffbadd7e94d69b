#include "ClientConnection.h"

#include <openssl/ssl.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr size_t ReceiveChunk = 16 * 1024;
const char HeadEnd[] = "\r\n\r\n";

} // namespace

ClientConnection::ClientConnection(int fd, SSL_CTX *tls) : m_fd(fd)
{
    if (tls) {
        m_ssl = SSL_new(tls);
        if (m_ssl) {
            SSL_set_fd(m_ssl, fd);
            SSL_set_accept_state(m_ssl);
            SSL_set_mode(m_ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
        }
    }
}

ClientConnection::~ClientConnection()
{
    if (m_ssl)
        SSL_free(m_ssl);
    ::close(m_fd);
}

std::string ClientConnection::peerAddress() const
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    char host[NI_MAXHOST] = "?";
    if (getpeername(m_fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        getnameinfo(reinterpret_cast<sockaddr *>(&address), length, host, sizeof host, nullptr, 0,
                    NI_NUMERICHOST);
    return host;
}

ClientConnection::Wait ClientConnection::tlsWait(int result) const
{
    switch (SSL_get_error(m_ssl, result)) {
    case SSL_ERROR_WANT_READ:
        return Wait::Read;
    case SSL_ERROR_WANT_WRITE:
        return Wait::Write;
    default:
        return Wait::Failed;
    }
}

ssize_t ClientConnection::receive(char *data, size_t size, Wait &wait)
{
    wait = Wait::None;
    if (m_ssl) {
        if (!m_handshakeDone) {
            const int done = SSL_do_handshake(m_ssl);
            if (done != 1) {
                wait = tlsWait(done);
                return -1;
            }
            m_handshakeDone = true;
        }
        const int got = SSL_read(m_ssl, data, int(std::min<size_t>(size, INT32_MAX)));
        if (got > 0)
            return got;
        if (SSL_get_error(m_ssl, got) == SSL_ERROR_ZERO_RETURN)
            return 0;
        wait = tlsWait(got);
        return -1;
    }
    for (;;) {
        const ssize_t got = ::recv(m_fd, data, size, 0);
        if (got >= 0)
            return got;
        if (errno == EINTR)
            continue;
        wait = errno == EAGAIN || errno == EWOULDBLOCK ? Wait::Read : Wait::Failed;
        return -1;
    }
}

ssize_t ClientConnection::send(const char *data, size_t size, Wait &wait)
{
    wait = Wait::None;
    if (m_ssl) {
        if (!m_handshakeDone) {
            wait = Wait::Failed;
            return -1;
        }
        const int sent = SSL_write(m_ssl, data, int(std::min<size_t>(size, INT32_MAX)));
        if (sent > 0)
            return sent;
        wait = tlsWait(sent);
        return -1;
    }
    for (;;) {
        const ssize_t sent = ::send(m_fd, data, size, MSG_NOSIGNAL);
        if (sent >= 0)
            return sent;
        if (errno == EINTR)
            continue;
        wait = errno == EAGAIN || errno == EWOULDBLOCK ? Wait::Write : Wait::Failed;
        return -1;
    }
}

bool ClientConnection::waitFor(Wait wait, std::chrono::milliseconds timeout) const
{
    if (wait != Wait::Read && wait != Wait::Write)
        return false;
    pollfd entry{m_fd, short(wait == Wait::Read ? POLLIN : POLLOUT), 0};
    for (;;) {
        const int ready = ::poll(&entry, 1, int(timeout.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        return ready > 0;
    }
}

size_t ClientConnection::requestEnd(size_t headEnd) const
{
    std::string head = m_buffer.substr(m_consumed, headEnd - m_consumed);
    std::transform(head.begin(), head.end(), head.begin(), [](unsigned char c) { return std::tolower(c); });
    const char *const name = "\r\ncontent-length:";
    const size_t found = head.find(name);
    // A client that waits for "100 Continue" before sending its body gets it from the worker.
    if (found == std::string::npos || head.find("\r\ntransfer-encoding:") != std::string::npos ||
        head.find("\r\nexpect:") != std::string::npos)
        return headEnd;
    const unsigned long long length = std::strtoull(head.c_str() + found + std::strlen(name), nullptr, 10);
    return length <= MaxCollectedBody ? headEnd + size_t(length) : headEnd;
}

ClientConnection::Head ClientConnection::collectHead()
{
    for (;;) {
        if (m_requestEnd == 0) {
            // Searched from where the last search stopped, keeping the line count up to date.
            const size_t from = std::max(m_consumed, m_scanned > 3 ? m_scanned - 3 : 0);
            const size_t end = m_buffer.find(HeadEnd, from);
            const size_t limit = end == std::string::npos ? m_buffer.size() : end;
            for (size_t i = std::max(m_consumed, m_scanned); i < limit; ++i)
                m_headLines += m_buffer[i] == '\n';
            m_scanned = std::max(m_scanned, limit);
            if (m_scanned - m_consumed > MaxHeadBytes || m_headLines > MaxHeaderLines)
                return Head::TooLarge;
            if (end != std::string::npos)
                m_requestEnd = requestEnd(end + std::strlen(HeadEnd));
        }
        if (m_requestEnd != 0 && m_buffer.size() >= m_requestEnd)
            return Head::Complete;

        char chunk[ReceiveChunk];
        Wait wait;
        const ssize_t got = receive(chunk, sizeof chunk, wait);
        if (got == 0 || (got < 0 && wait == Wait::Failed))
            return Head::Closed;
        if (got < 0)
            return Head::Incomplete;
        m_buffer.append(chunk, size_t(got));
    }
}

void ClientConnection::startNextRequest()
{
    m_buffer.erase(0, m_consumed);
    m_consumed = 0;
    m_scanned = 0;
    m_headLines = 0;
    m_requestEnd = 0;
}

ssize_t ClientConnection::read(char *data, size_t size, std::chrono::milliseconds timeout)
{
    if (m_consumed < m_buffer.size()) {
        const size_t count = std::min(size, m_buffer.size() - m_consumed);
        std::memcpy(data, m_buffer.data() + m_consumed, count);
        m_consumed += count;
        return ssize_t(count);
    }
    for (;;) {
        Wait wait;
        const ssize_t got = receive(data, size, wait);
        if (got >= 0)
            return got;
        if (!waitFor(wait, timeout))
            return -1;
    }
}

ssize_t ClientConnection::write(const char *data, size_t size, std::chrono::milliseconds timeout)
{
    size_t done = 0;
    while (done < size) {
        Wait wait;
        const ssize_t sent = send(data + done, size - done, wait);
        if (sent > 0)
            done += size_t(sent);
        else if (!waitFor(wait, timeout))
            return -1;
    }
    return ssize_t(size);
}

bool ClientConnection::waitUntilWritable(std::chrono::milliseconds timeout) const
{
    return waitFor(Wait::Write, timeout);
}

void ClientConnection::sendNow(const std::string &reply)
{
    Wait wait;
    send(reply.data(), reply.size(), wait);
}

void ClientConnection::finishSending()
{
    if (m_ssl && m_handshakeDone)
        SSL_shutdown(m_ssl);
    ::shutdown(m_fd, SHUT_WR);
}

bool ClientConnection::discardInput(size_t &budget)
{
    char chunk[ReceiveChunk];
    while (budget > 0) {
        // Below TLS: the bytes are thrown away, so there is nothing to decrypt.
        const ssize_t got = ::recv(m_fd, chunk, std::min(budget, sizeof chunk), 0);
        if (got > 0) {
            budget -= size_t(got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return false;
}
