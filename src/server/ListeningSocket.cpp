#include "ListeningSocket.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The kernel caps this at net.core.somaxconn (4096 by default).
constexpr int Backlog = 4096;

int boundPort(int fd)
{
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return -1;
    return address.ss_family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6 *>(&address)->sin6_port)
                                         : ntohs(reinterpret_cast<sockaddr_in *>(&address)->sin_port);
}

} // namespace

int openListeningSocket(const std::string &host, int &port, std::string &error)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo *found = nullptr;
    const std::string service = std::to_string(port);
    if (const int failure = getaddrinfo(host.c_str(), service.c_str(), &hints, &found); failure != 0) {
        error = gai_strerror(failure);
        return -1;
    }
    int fd = -1;
    for (const addrinfo *candidate = found; candidate && fd < 0; candidate = candidate->ai_next) {
        fd = socket(candidate->ai_family, candidate->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                    candidate->ai_protocol);
        if (fd < 0)
            continue;
        const int on = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (bind(fd, candidate->ai_addr, candidate->ai_addrlen) != 0 || listen(fd, Backlog) != 0) {
            error = std::strerror(errno);
            ::close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    if (fd >= 0)
        port = boundPort(fd);
    return fd;
}
