#include "platform/sleeptime.h"

#include <windows.h>

// The tick count goes on while the computer sleeps; the unbiased interrupt time (in 100 ns) does not.
qint64 platform::timeAsleepMs()
{
    ULONGLONG unbiased = 0;
    QueryUnbiasedInterruptTime(&unbiased);
    return qint64(GetTickCount64()) - qint64(unbiased / 10000);
}
