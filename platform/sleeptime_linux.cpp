#include "platform/sleeptime.h"

#include <time.h>

// CLOCK_BOOTTIME counts the time asleep, CLOCK_MONOTONIC does not.
qint64 platform::timeAsleepMs()
{
    timespec boot{}, monotonic{};
    clock_gettime(CLOCK_BOOTTIME, &boot);
    clock_gettime(CLOCK_MONOTONIC, &monotonic);
    return (qint64(boot.tv_sec) - monotonic.tv_sec) * 1000 + (qint64(boot.tv_nsec) - monotonic.tv_nsec) / 1000000;
}
