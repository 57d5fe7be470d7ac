#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

struct TcpConnection
{
    std::intptr_t socket = -1;
    std::string peerAddress; // numeric
};

// A blocking TCP connection to the first address of host that answers within timeoutMs, its reads
// and writes limited to the same time; none, with the system's reason, when no address answers.
std::optional<TcpConnection> connectTcp(const std::string &host, std::uint16_t port, int timeoutMs,
                                        std::string &reason);

void closeTcp(const TcpConnection &connection);

} // namespace platform
