#include "udpout/sendschedule.h"

namespace sendschedule {

namespace {
constexpr int earlyFromMsec = 900;

int msecIntoSecond(const QDateTime &now)
{
    return now.time().msec();
}
} // namespace

bool isBeforeBoundary(const QDateTime &now)
{
    return msecIntoSecond(now) >= earlyFromMsec;
}

} // namespace sendschedule
