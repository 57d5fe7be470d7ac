#include "platform/sleeptime.h"

// No sleep is seen on this system: the periodic requests still come.
qint64 platform::timeAsleepMs()
{
    return 0;
}
