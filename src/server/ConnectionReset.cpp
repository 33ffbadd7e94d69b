#include "ConnectionReset.h"

#include <httplib.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool endpointMatches(const sockaddr_storage &address, const std::string &host, int port)
{
    char text[INET6_ADDRSTRLEN] = {};
    int actualPort = 0;
    if (address.ss_family == AF_INET) {
        const auto *in = reinterpret_cast<const sockaddr_in *>(&address);
        inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        actualPort = ntohs(in->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto *in6 = reinterpret_cast<const sockaddr_in6 *>(&address);
        inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        actualPort = ntohs(in6->sin6_port);
    } else {
        return false;
    }
    return actualPort == port && host == text;
}

} // namespace

bool resetConnection(const httplib::Request &request)
{
    DIR *fds = opendir("/proc/self/fd");
    if (!fds)
        return false;
    bool done = false;
    while (const dirent *entry = readdir(fds)) {
        const int fd = atoi(entry->d_name);
        struct stat info;
        if (fd <= 2 || fstat(fd, &info) != 0 || !S_ISSOCK(info.st_mode))
            continue;
        sockaddr_storage peer{}, local{};
        socklen_t peerLength = sizeof peer, localLength = sizeof local;
        if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &peerLength) != 0 ||
            getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localLength) != 0)
            continue;
        if (endpointMatches(peer, request.remote_addr, request.remote_port) &&
            endpointMatches(local, request.local_addr, request.local_port)) {
            // Linger zero turns the eventual close into a reset; shutting down now makes sure the
            // client sees the connection end at this point, not when the library gets to it.
            const linger abort{1, 0};
            setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            shutdown(fd, SHUT_RDWR);
            done = true;
            break;
        }
    }
    closedir(fds);
    return done;
}
