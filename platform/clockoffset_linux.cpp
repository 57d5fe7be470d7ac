#include "platform/clockoffset.h"

#include "settime/offsetargument.h"

#include <sys/timex.h>

#include <cerrno>
#include <ctime>

// ADJ_SETOFFSET adds the offset to the clock inside the kernel, so no time passes between reading the
// clock and setting it.
int platform::moveClockBy(std::int64_t offsetNs)
{
    const offsetargument::Split split = offsetargument::split(offsetNs);
    timex change{};
    change.modes = ADJ_SETOFFSET | ADJ_NANO;
    change.time.tv_sec = split.seconds;
    change.time.tv_usec = split.nanoseconds; // nanoseconds with ADJ_NANO
    return clock_adjtime(CLOCK_REALTIME, &change) == -1 ? errno : 0;
}
