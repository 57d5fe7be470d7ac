#include "platform/arrivaltime.h"

#include <arpa/inet.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <mutex>

namespace {

using namespace std::chrono;

system_clock::time_point timePoint(const timespec &stamp)
{
    return system_clock::time_point(
        duration_cast<system_clock::duration>(seconds(stamp.tv_sec) + nanoseconds(stamp.tv_nsec)));
}

// A datagram sent to ourselves and read 5 ms later: stamped at its arrival, or, while the kernel's
// stamping is not on yet, at its reading. A probe that cannot be made says nothing, and counts as stamped.
bool loopbackArrivalIsStamped(int probe)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto *name = reinterpret_cast<sockaddr *>(&address);
    if (::bind(probe, name, length) != 0 || ::getsockname(probe, name, &length) != 0)
        return true;
    timespec stamp{}, now{};
    ::ioctl(probe, SIOCGSTAMPNS, &stamp); // stamping on for this socket
    char byte = 0;
    const timespec wait{0, 5'000'000};
    if (::sendto(probe, &byte, 1, 0, name, length) != 1 || ::nanosleep(&wait, nullptr) != 0
        || ::recv(probe, &byte, 1, MSG_DONTWAIT) != 1)
        return true;
    ::clock_gettime(CLOCK_REALTIME, &now);
    return ::ioctl(probe, SIOCGSTAMPNS, &stamp) != 0 || timePoint(now) - timePoint(stamp) >= milliseconds(2);
}

bool stampingIsOn()
{
    const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const bool on = probe < 0 || loopbackArrivalIsStamped(probe);
    if (probe >= 0)
        ::close(probe);
    return on;
}

} // namespace

// SIOCGSTAMPNS gives the stamp of the datagram just read through Qt's own socket, so Qt's reading
// and its read notifications stay as they are. Its first use switches stamping on, for the whole
// system, through work the kernel defers: a reply that arrived before that work ran would carry the
// time of its reading. So the first socket waits, up to a second, until a datagram really is stamped.
void platform::stampArrivals(qintptr socket)
{
    timespec stamp{};
    ioctl(int(socket), SIOCGSTAMPNS, &stamp);
    static std::once_flag stampingOn;
    std::call_once(stampingOn, [] {
        for (int attempt = 0; attempt < 100 && !stampingIsOn(); ++attempt) {
        }
    });
}

std::optional<system_clock::time_point> platform::arrivalOfLastRead(qintptr socket)
{
    timespec stamp{};
    if (ioctl(int(socket), SIOCGSTAMPNS, &stamp) != 0 || stamp.tv_sec == 0)
        return std::nullopt;
    return timePoint(stamp);
}
