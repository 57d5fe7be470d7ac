#pragma once

#include <QString>

#include <cstdint>
#include <functional>

class QObject;

namespace platform {

// Called once the move has ended: moved, or not with the system's reason and what the user can do
// about it, for a tooltip.
using ClockMoved = std::function<void(bool moved, const QString &reason)>;

// Moves the system clock by offsetNs (positive: forward) at the moment the move is made, so that no
// time passing before then counts. Where the program may not set the clock itself, the one small
// program that may does it; that takes a moment, and the window goes on meanwhile. `finished` is
// called once, in context's thread, possibly before this returns; never once context is gone.
void moveSystemClock(std::int64_t offsetNs, QObject *context, const ClockMoved &finished);

} // namespace platform
