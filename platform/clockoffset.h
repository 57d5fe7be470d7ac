#pragma once

#include <cstdint>

namespace platform {

// Moves the system clock by offsetNs in one step: 0, or the system's error number.
int moveClockBy(std::int64_t offsetNs);

} // namespace platform
