#include "platform/systemclock.h"

#include <cerrno>
#include <cstring>
#include <ctime>

namespace platform {

bool setSystemClockUtc(const QDateTime &utc, QString *reason)
{
    // An invalid value would read as the epoch; never set the clock to that.
    if (!utc.isValid()) {
        if (reason)
            *reason = QStringLiteral("invalid date and time");
        return false;
    }
    const qint64 ms = utc.toMSecsSinceEpoch();
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ms / 1000);
    ts.tv_nsec = static_cast<long>((ms % 1000) * 1000000);
    if (ts.tv_nsec < 0) { // before 1970: borrow a second
        ts.tv_sec -= 1;
        ts.tv_nsec += 1000000000L;
    }
    if (clock_settime(CLOCK_REALTIME, &ts) == 0)
        return true;
    if (reason)
        *reason = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

} // namespace platform
