#include "udpout/sendschedule.h"

namespace sendschedule {

namespace {
constexpr int earlyFromMsec = 900;

int msecIntoSecond(const QDateTime &now)
{
    return now.time().msec();
}
} // namespace

int msecToFirstSend(const QDateTime &now)
{
    return 1000 + (1000 - msecIntoSecond(now)) % 1000 + marginMsec;
}

int msecToNextSend(const QDateTime &now)
{
    return 1000 - msecIntoSecond(now) + marginMsec;
}

bool isBeforeBoundary(const QDateTime &now)
{
    return msecIntoSecond(now) >= earlyFromMsec;
}

} // namespace sendschedule
