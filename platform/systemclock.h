#pragma once

#include <QDateTime>
#include <QString>

namespace platform {

// Sets the system clock to the given UTC date and time, to the millisecond.
// Returns false and puts the system's reason into *reason when it could not.
bool setSystemClockUtc(const QDateTime &utc, QString *reason);

} // namespace platform
