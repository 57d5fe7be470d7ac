#include "platform/tcpconnection.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

namespace platform {
namespace {

// False once the deadline has passed, however ready the socket is.
bool waitFor(int fd, short events, Deadline deadline)
{
    pollfd ready{fd, events, 0};
    int found = 0;
    for (int left = msUntil(deadline); left > 0 && found <= 0; left = msUntil(deadline))
        if ((found = ::poll(&ready, 1, left)) < 0 && errno != EINTR)
            return false;
    return found == 1;
}

// 0 once connected, the error otherwise.
int connectBefore(int fd, const addrinfo &address, Deadline deadline)
{
    if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0)
        return 0;
    if (errno != EINPROGRESS)
        return errno;
    if (!waitFor(fd, POLLOUT, deadline))
        return ETIMEDOUT;
    int error = 0;
    socklen_t size = sizeof error;
    getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
    return error;
}

} // namespace

std::optional<TcpConnection> connectTcp(const std::string &host, std::uint16_t port, Deadline deadline,
                                        std::string &reason)
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
        const int error = fd < 0 ? errno : connectBefore(fd, *a, deadline);
        if (error != 0) {
            reason = error == ETIMEDOUT ? "timed out" : std::strerror(error);
            if (fd >= 0)
                ::close(fd);
            continue;
        }
        char text[NI_MAXHOST] = {};
        getnameinfo(a->ai_addr, a->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST);
        return TcpConnection{fd, text};
    }
    return std::nullopt;
}

// A SIGPIPE raised by a write is sent to the writing thread; blocked there, it stays pending and harmless.
void keepBrokenPipesFromEnding()
{
    sigset_t brokenPipe;
    sigemptyset(&brokenPipe);
    sigaddset(&brokenPipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &brokenPipe, nullptr);
}

bool waitTcp(const TcpConnection &connection, bool forWriting, Deadline deadline)
{
    return waitFor(int(connection.socket), forWriting ? POLLOUT : POLLIN, deadline);
}

void closeTcp(const TcpConnection &connection)
{
    ::close(int(connection.socket));
}

} // namespace platform
