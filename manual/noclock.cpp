// The manual's pictures are taken with a window that never sets the clock, whoever builds it.
#include "platform/systemclock.h"

bool platform::setSystemClockUtc(const QDateTime &, QString *reason)
{
    *reason = QStringLiteral("not while the manual is made");
    return false;
}
