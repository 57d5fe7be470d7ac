#include "platform/tcpconnection.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

// 0 once connected, the error otherwise.
int connectWithin(int fd, const addrinfo &address, int timeoutMs)
{
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0)
        return 0;
    if (errno != EINPROGRESS)
        return errno;
    pollfd writable{fd, POLLOUT, 0};
    if (::poll(&writable, 1, timeoutMs) != 1)
        return ETIMEDOUT;
    int error = 0;
    socklen_t size = sizeof error;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
    return error;
}

} // namespace

std::optional<TcpConnection> connectTcp(const std::string &host, std::uint16_t port, int timeoutMs, std::string &reason)
{
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (const int lookup = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found); lookup != 0) {
        reason = gai_strerror(lookup);
        return std::nullopt;
    }
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, freeaddrinfo);
    for (const addrinfo *a = found; a; a = a->ai_next) {
        const int fd = ::socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC | SOCK_NONBLOCK, a->ai_protocol);
        const int error = fd < 0 ? errno : connectWithin(fd, *a, timeoutMs);
        if (error != 0) {
            reason = std::strerror(error);
            if (fd >= 0)
                ::close(fd);
            continue;
        }
        char text[NI_MAXHOST] = {};
        getnameinfo(a->ai_addr, a->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST);
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        const timeval limit{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        return TcpConnection{fd, text};
    }
    return std::nullopt;
}

void closeTcp(const TcpConnection &connection)
{
    ::close(int(connection.socket));
}

} // namespace platform
