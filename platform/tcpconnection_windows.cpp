#include "platform/tcpconnection.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <memory>

namespace platform {
namespace {

std::string systemMessage(int error)
{
    char text[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, DWORD(error), 0, text,
                   sizeof text, nullptr);
    return text;
}

// False once the deadline has passed, however ready the socket is.
bool waitFor(SOCKET s, SHORT events, Deadline deadline)
{
    WSAPOLLFD ready{s, events, 0};
    int found = 0;
    for (int left = msUntil(deadline); left > 0 && found == 0; left = msUntil(deadline))
        found = WSAPoll(&ready, 1, left);
    return found == 1;
}

// 0 once connected, the error otherwise; the socket stays non-blocking.
int connectBefore(SOCKET s, const addrinfo &address, Deadline deadline)
{
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (::connect(s, address.ai_addr, int(address.ai_addrlen)) != 0 && WSAGetLastError() != WSAEWOULDBLOCK)
        return WSAGetLastError();
    if (!waitFor(s, POLLWRNORM, deadline))
        return WSAETIMEDOUT;
    int error = 0;
    int size = sizeof error;
    getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size);
    return error;
}

} // namespace

std::optional<TcpConnection> connectTcp(const std::string &host, std::uint16_t port, Deadline deadline,
                                        std::string &reason)
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (!started || getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        reason = systemMessage(WSAGetLastError());
        return std::nullopt;
    }
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, freeaddrinfo);
    for (const addrinfo *a = found; a; a = a->ai_next) {
        const SOCKET s = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        const int error = s == INVALID_SOCKET ? WSAGetLastError() : connectBefore(s, *a, deadline);
        if (error != 0) {
            reason = error == WSAETIMEDOUT ? "timed out" : systemMessage(error);
            if (s != INVALID_SOCKET)
                closesocket(s);
            continue;
        }
        char text[NI_MAXHOST] = {};
        getnameinfo(a->ai_addr, socklen_t(a->ai_addrlen), text, sizeof text, nullptr, 0, NI_NUMERICHOST);
        return TcpConnection{std::intptr_t(s), text};
    }
    return std::nullopt;
}

// No such signal here: a write to a closed connection fails all the same.
void keepBrokenPipesFromEnding() {}

bool waitTcp(const TcpConnection &connection, bool forWriting, Deadline deadline)
{
    return waitFor(SOCKET(connection.socket), forWriting ? POLLWRNORM : POLLRDNORM, deadline);
}

void closeTcp(const TcpConnection &connection)
{
    closesocket(SOCKET(connection.socket));
}

} // namespace platform
