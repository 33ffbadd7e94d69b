#pragma once

#include <httplib.h>

#include <chrono>
#include <cstdint>

class ClientConnection;

// The HTTP library's view of a connection while it parses, routes and answers one request on a
// worker: the head collected by the connection loop first, then the socket, with time limits.
// A body that keeps trickling in below a minimum rate is cut off, so that it does not hold the
// worker for ever one byte at a time.
class ConnectionStream : public httplib::Stream
{
public:
    ConnectionStream(ClientConnection &connection, std::chrono::milliseconds readTimeout,
                     std::chrono::milliseconds writeTimeout);
    ~ConnectionStream() override;

    bool is_readable() const override { return true; }
    bool is_writable() const override;
    ssize_t read(char *ptr, size_t size) override;
    ssize_t write(const char *ptr, size_t size) override;
    void get_remote_ip_and_port(std::string &ip, int &port) const override;
    void get_local_ip_and_port(std::string &ip, int &port) const override;
    socket_t socket() const override;

    // Marks the stream of the request being answered on this thread: its reply closes the
    // connection (called from the library's hook that sees the finished reply).
    static void closeAfterReply();
    // True when the connection must not carry another request: the reply said so or a read or
    // write failed.
    bool mustClose() const { return m_mustClose; }

private:
    ClientConnection &m_connection;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
    uint64_t m_received = 0;
    std::chrono::milliseconds m_readTimeout;
    std::chrono::milliseconds m_writeTimeout;
    bool m_mustClose = false;
};
