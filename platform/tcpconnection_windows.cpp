#include "platform/tcpconnection.h"

#include <winsock2.h>
#include <ws2tcpip.h>

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

// 0 once connected, the error otherwise.
int connectWithin(SOCKET s, const addrinfo &address, int timeoutMs)
{
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (::connect(s, address.ai_addr, int(address.ai_addrlen)) != 0 && WSAGetLastError() != WSAEWOULDBLOCK)
        return WSAGetLastError();
    WSAPOLLFD writable{s, POLLWRNORM, 0};
    if (WSAPoll(&writable, 1, timeoutMs) != 1)
        return WSAETIMEDOUT;
    int error = 0;
    int size = sizeof error;
    getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&error), &size);
    nonBlocking = 0;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    return error;
}

} // namespace

std::optional<TcpConnection> connectTcp(const std::string &host, std::uint16_t port, int timeoutMs, std::string &reason)
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
        const int error = s == INVALID_SOCKET ? WSAGetLastError() : connectWithin(s, *a, timeoutMs);
        if (error != 0) {
            reason = systemMessage(error);
            if (s != INVALID_SOCKET)
                closesocket(s);
            continue;
        }
        char text[NI_MAXHOST] = {};
        getnameinfo(a->ai_addr, socklen_t(a->ai_addrlen), text, sizeof text, nullptr, 0, NI_NUMERICHOST);
        const DWORD limit = DWORD(timeoutMs);
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char *>(&limit), sizeof limit);
        setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char *>(&limit), sizeof limit);
        return TcpConnection{std::intptr_t(s), text};
    }
    return std::nullopt;
}

void closeTcp(const TcpConnection &connection)
{
    closesocket(SOCKET(connection.socket));
}

} // namespace platform
