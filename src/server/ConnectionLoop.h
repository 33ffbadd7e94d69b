#pragma once

#include "ClientConnection.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace httplib {
class ThreadPool;
}

// Accepts connections and waits for their requests on one thread (epoll), so that a slow or
// silent client costs a socket and a buffer but never a worker: a request goes to a worker only
// once its whole head has arrived. The head must arrive within a time limit and stay within a
// size and line count (408 and 431 otherwise); idle connections are closed after a while; a
// connection whose last reply closes it is half-closed and what the client still sends is
// dropped for a moment, so that the reply is read rather than lost to a reset.
class ConnectionLoop
{
public:
    struct Limits
    {
        // From a request's first byte (or the connection's start) to the end of its head.
        std::chrono::milliseconds headTime{10000};
        // Between requests on a kept-alive connection.
        std::chrono::milliseconds idleTime{5000};
        // After a reply that closes the connection, what the client still sends is dropped for
        // this long, up to this much, so that its reply is not lost to a reset.
        std::chrono::milliseconds lingerTime{1000};
        size_t lingerBytes = 4 * 1024 * 1024;
        size_t workers = 64;
    };
    // Answers one request whose head has arrived; true when the connection may carry another.
    using Serve = std::function<bool(ClientConnection &)>;

    // Takes over a listening socket; tls may be null.
    ConnectionLoop(int listenFd, SSL_CTX *tls, Limits limits, Serve serve);
    ~ConnectionLoop();
    ConnectionLoop(const ConnectionLoop &) = delete;
    ConnectionLoop &operator=(const ConnectionLoop &) = delete;

    // Serves until stop(); false when the loop could not be set up.
    bool run();
    // From any thread, a signal thread included.
    void stop();

private:
    enum class State { Head, Linger };
    struct Entry
    {
        std::shared_ptr<ClientConnection> connection;
        State state = State::Head;
        size_t lingerBudget = 0; // bytes still to be dropped while lingering
    };

    void acceptAll();
    void watch(std::shared_ptr<ClientConnection> connection, State state,
               ClientConnection::Clock::time_point deadline);
    void advance(int fd);
    void dispatch(int fd);
    void refuse(int fd, const char *status, const char *reason);
    void linger(std::shared_ptr<ClientConnection> connection);
    void drop(int fd);
    void takeBack();
    void expire();

    int m_listenFd;
    SSL_CTX *m_tls;
    Limits m_limits;
    Serve m_serve;
    const int m_epoll;
    const int m_wake;
    std::atomic<bool> m_stopping = false;
    std::unique_ptr<httplib::ThreadPool> m_workers;
    std::unordered_map<int, Entry> m_waiting;
    std::mutex m_returnedMutex;
    std::vector<std::pair<std::shared_ptr<ClientConnection>, bool>> m_returned;
};
