#include "platform/arrivaltime.h"

#include <linux/sockios.h>
#include <sys/ioctl.h>
#include <time.h>

// SIOCGSTAMPNS gives the stamp of the datagram just read through Qt's own socket, so Qt's reading
// and its read notifications stay as they are. Its first use switches stamping on.
void platform::stampArrivals(qintptr socket)
{
    timespec stamp{};
    ioctl(int(socket), SIOCGSTAMPNS, &stamp);
}

std::optional<std::chrono::system_clock::time_point> platform::arrivalOfLastRead(qintptr socket)
{
    timespec stamp{};
    if (ioctl(int(socket), SIOCGSTAMPNS, &stamp) != 0 || stamp.tv_sec == 0)
        return std::nullopt;
    using namespace std::chrono;
    return system_clock::time_point(
        duration_cast<system_clock::duration>(seconds(stamp.tv_sec) + nanoseconds(stamp.tv_nsec)));
}
