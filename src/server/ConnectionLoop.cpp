#include "ConnectionLoop.h"

#include "RequestLog.h"

#include <httplib.h>

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using Clock = ClientConnection::Clock;

// How often deadlines are checked; they are meant in seconds, so this is precise enough.
constexpr int TickMs = 100;

std::string plainReply(const char *status, const char *text)
{
    return std::string("HTTP/1.1 ") + status + "\r\nContent-Type: text/plain\r\nContent-Length: " +
           std::to_string(std::char_traits<char>::length(text) + 1) + "\r\nConnection: close\r\n\r\n" + text +
           "\n";
}

} // namespace

ConnectionLoop::ConnectionLoop(int listenFd, SSL_CTX *tls, Limits limits, Serve serve)
    : m_listenFd(listenFd), m_tls(tls), m_limits(limits), m_serve(std::move(serve)),
      m_epoll(epoll_create1(EPOLL_CLOEXEC)), m_wake(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC))
{}

ConnectionLoop::~ConnectionLoop()
{
    // Requests being served finish first; they hand their connections back to nobody.
    if (m_workers)
        m_workers->shutdown();
    m_workers.reset();
    m_waiting.clear();
    m_returned.clear();
    if (m_wake >= 0)
        ::close(m_wake);
    if (m_epoll >= 0)
        ::close(m_epoll);
    ::close(m_listenFd);
}

void ConnectionLoop::stop()
{
    m_stopping = true;
    const uint64_t one = 1;
    if (m_wake >= 0 && ::write(m_wake, &one, sizeof one) < 0) {
        // The loop wakes at its next tick anyway.
    }
}

bool ConnectionLoop::run()
{
    if (m_epoll < 0 || m_wake < 0)
        return false;
    for (const int fd : {m_listenFd, m_wake}) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.fd = fd;
        if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event) != 0)
            return false;
    }
    m_workers = std::make_unique<httplib::ThreadPool>(m_limits.workers);

    Clock::time_point nextTick = Clock::now();
    epoll_event events[64];
    while (!m_stopping) {
        const int count = epoll_wait(m_epoll, events, 64, TickMs);
        if (count < 0 && errno != EINTR)
            return false;
        for (int i = 0; i < count; ++i) {
            const int fd = events[i].data.fd;
            if (fd == m_listenFd)
                acceptAll();
            else if (fd == m_wake)
                takeBack();
            else
                advance(fd);
        }
        if (Clock::now() >= nextTick) {
            expire();
            nextTick = Clock::now() + std::chrono::milliseconds(TickMs);
        }
    }
    return true;
}

void ConnectionLoop::acceptAll()
{
    for (;;) {
        const int fd = accept4(m_listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE) {
                // Out of descriptors: the oldest waiting connections make room.
                logLine("too many open connections: closing the idle ones");
                std::vector<int> idle;
                for (const auto &[waitingFd, entry] : m_waiting)
                    if (!entry.connection->headStarted())
                        idle.push_back(waitingFd);
                for (const int idleFd : idle)
                    drop(idleFd);
                if (idle.empty())
                    return;
                continue;
            }
            return;
        }
        // Replies go out as a header write and a body write; with Nagle's algorithm on, the body
        // waits for the client's (delayed, up to 40 ms) acknowledgement of the header.
        const int on = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        watch(std::make_shared<ClientConnection>(fd, m_tls), State::Head, Clock::now() + m_limits.headTime);
    }
}

void ConnectionLoop::watch(std::shared_ptr<ClientConnection> connection, State state,
                           Clock::time_point deadline)
{
    const int fd = connection->fd();
    connection->deadline = deadline;
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.fd = fd;
    if (epoll_ctl(m_epoll, EPOLL_CTL_ADD, fd, &event) != 0)
        return; // dropped with the last reference
    m_waiting[fd] = Entry{std::move(connection), state, m_limits.lingerBytes};
}

void ConnectionLoop::drop(int fd)
{
    epoll_ctl(m_epoll, EPOLL_CTL_DEL, fd, nullptr);
    m_waiting.erase(fd);
}

void ConnectionLoop::advance(int fd)
{
    const auto found = m_waiting.find(fd);
    if (found == m_waiting.end())
        return;
    ClientConnection &connection = *found->second.connection;
    if (found->second.state == State::Linger) {
        if (!connection.discardInput(found->second.lingerBudget))
            drop(fd);
        return;
    }
    const bool wasIdle = !connection.headStarted();
    switch (connection.collectHead()) {
    case ClientConnection::Head::Complete:
        dispatch(fd);
        break;
    case ClientConnection::Head::TooLarge:
        refuse(fd, "431 Request Header Fields Too Large", "request head too large");
        break;
    case ClientConnection::Head::Closed:
        drop(fd);
        break;
    case ClientConnection::Head::Incomplete:
        // An idle connection gets the full head time from its first byte on.
        if (wasIdle && connection.headStarted())
            connection.deadline = Clock::now() + m_limits.headTime;
        break;
    }
}

void ConnectionLoop::dispatch(int fd)
{
    std::shared_ptr<ClientConnection> connection = std::move(m_waiting[fd].connection);
    drop(fd);
    m_workers->enqueue([this, connection] {
        const bool keep = m_serve(*connection);
        std::lock_guard lock(m_returnedMutex);
        m_returned.emplace_back(connection, keep);
        const uint64_t one = 1;
        if (::write(m_wake, &one, sizeof one) < 0) {
            // The loop finds the connection at its next wake-up.
        }
    });
}

void ConnectionLoop::takeBack()
{
    uint64_t count = 0;
    if (::read(m_wake, &count, sizeof count) < 0) {
        // Nothing was pending.
    }
    std::vector<std::pair<std::shared_ptr<ClientConnection>, bool>> returned;
    {
        std::lock_guard lock(m_returnedMutex);
        returned.swap(m_returned);
    }
    for (auto &[connection, keep] : returned) {
        if (!keep) {
            linger(std::move(connection));
            continue;
        }
        connection->startNextRequest();
        const int fd = connection->fd();
        const bool started = connection->headStarted();
        watch(std::move(connection), State::Head,
              Clock::now() + (started ? m_limits.headTime : m_limits.idleTime));
        // The next request may have arrived with the last one, where no event announces it.
        advance(fd);
    }
}

void ConnectionLoop::refuse(int fd, const char *status, const char *reason)
{
    std::shared_ptr<ClientConnection> connection = std::move(m_waiting[fd].connection);
    drop(fd);
    logLine((connection->peerAddress() + " refused: " + status + " (" + reason + ")").c_str());
    connection->sendNow(plainReply(status, reason));
    linger(std::move(connection));
}

void ConnectionLoop::linger(std::shared_ptr<ClientConnection> connection)
{
    connection->finishSending();
    watch(std::move(connection), State::Linger, Clock::now() + m_limits.lingerTime);
}

void ConnectionLoop::expire()
{
    const Clock::time_point now = Clock::now();
    std::vector<int> late;
    for (const auto &[fd, entry] : m_waiting)
        if (entry.connection->deadline <= now)
            late.push_back(fd);
    for (const int fd : late) {
        const Entry &entry = m_waiting[fd];
        if (entry.state == State::Head && entry.connection->headStarted())
            refuse(fd, "408 Request Timeout", "the request did not arrive in time");
        else
            drop(fd);
    }
}
