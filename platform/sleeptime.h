#pragma once

#include <QtGlobal>

namespace platform {

// How long the computer has been asleep (suspended or hibernated) since it started, in ms: it grows only
// across a sleep, so a rise between two readings says the computer slept in between.
qint64 timeAsleepMs();

} // namespace platform
