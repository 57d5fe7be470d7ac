#pragma once

#include <QtGlobal>

#include <chrono>
#include <optional>

namespace platform {

// Asks the kernel to stamp the arrival of every datagram on this bound UDP socket, where it can.
void stampArrivals(qintptr socket);

// When the datagram last read from the socket arrived, by the kernel's stamp; none where the system
// keeps no stamp. Ask before anything else is read from the socket, a peek included.
std::optional<std::chrono::system_clock::time_point> arrivalOfLastRead(qintptr socket);

} // namespace platform
