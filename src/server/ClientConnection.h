#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <sys/types.h>

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

// One accepted TCP connection, plain or TLS, and the bytes received from it but not yet used.
// The socket stays non-blocking: the connection loop collects request heads from it without
// ever waiting, and a worker serving a request waits on it with time limits.
class ClientConnection
{
public:
    using Clock = std::chrono::steady_clock;
    enum class Head { Incomplete, Complete, TooLarge, Closed };

    // A request head larger than this, or with more header lines, is refused with 431.
    static constexpr size_t MaxHeadBytes = 64 * 1024;
    static constexpr size_t MaxHeaderLines = 100;
    // A body announced no larger than this (any SOAP request, a form) is collected with the head,
    // so that a request trickling it does not hold a worker either.
    static constexpr size_t MaxCollectedBody = 64 * 1024;

    // Takes the socket over; with a TLS context the handshake is made while the head is collected.
    ClientConnection(int fd, SSL_CTX *tls);
    ~ClientConnection();
    ClientConnection(const ClientConnection &) = delete;
    ClientConnection &operator=(const ClientConnection &) = delete;

    int fd() const { return m_fd; }
    std::string peerAddress() const;

    // Reads what has arrived, without waiting, until a whole request head is there, with its
    // body when that is small.
    Head collectHead();
    // True once a byte of the next request has arrived.
    bool headStarted() const { return m_buffer.size() > m_consumed; }
    // Forgets the request just served; what came after it stays for the next one.
    void startNextRequest();

    // For a worker: up to size bytes, the collected ones first; -1 on failure or after waiting
    // timeout for a byte, 0 at the end of the stream.
    ssize_t read(char *data, size_t size, std::chrono::milliseconds timeout);
    // Writes all of data; -1 on failure or after waiting timeout for room to write.
    ssize_t write(const char *data, size_t size, std::chrono::milliseconds timeout);
    bool waitUntilWritable(std::chrono::milliseconds timeout) const;

    // Sends a short reply without waiting, best effort (a refused head).
    void sendNow(const std::string &reply);
    // Ends the sending side: the client sees the end of the reply; what it still sends is unread.
    void finishSending();
    // Reads and drops what has arrived, at most budget bytes in all; false once the client has
    // closed the connection, it failed or the budget is spent.
    bool discardInput(size_t &budget);

    // When the connection loop gives up on it; kept here by the loop.
    Clock::time_point deadline;
    int requestsServed = 0;

private:
    enum class Wait { None, Read, Write, Failed };
    // One receive or send without waiting; Wait says what to wait for when nothing moved.
    ssize_t receive(char *data, size_t size, Wait &wait);
    ssize_t send(const char *data, size_t size, Wait &wait);
    bool waitFor(Wait wait, std::chrono::milliseconds timeout) const;
    Wait tlsWait(int result) const;
    // Where the request ends once its head ends at headEnd: after a small announced body.
    size_t requestEnd(size_t headEnd) const;

    int m_fd;
    SSL *m_ssl = nullptr;
    bool m_handshakeDone = false;
    std::string m_buffer;
    size_t m_consumed = 0;   // bytes of m_buffer handed to the request parser
    size_t m_scanned = 0;    // bytes of m_buffer searched for the end of the head
    size_t m_headLines = 0;  // line ends seen in the head so far
    size_t m_requestEnd = 0; // where the head (and a small body) ends; 0 while the head is incomplete
};
