#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

using Deadline = std::chrono::steady_clock::time_point;

// What is left until the deadline, in whole milliseconds rounded up; 0 once it has passed.
inline int msUntil(Deadline deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return int(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

struct TcpConnection
{
    std::intptr_t socket = -1; // non-blocking
    std::string peerAddress;   // numeric
};

// A TCP connection to the first address of host that answers before the deadline; none, with the
// system's reason ("timed out" once the deadline has passed), when no address answers. The name
// lookup itself is the system's and has no limit of its own.
std::optional<TcpConnection> connectTcp(const std::string &host, std::uint16_t port, Deadline deadline,
                                        std::string &reason);

// Writes from the calling thread to a connection the peer has closed fail, rather than end the process
// with SIGPIPE where the system raises it.
void keepBrokenPipesFromEnding();

// Waits until the connection can be read (or written); false once the deadline has passed.
bool waitTcp(const TcpConnection &connection, bool forWriting, Deadline deadline);

void closeTcp(const TcpConnection &connection);

} // namespace platform
