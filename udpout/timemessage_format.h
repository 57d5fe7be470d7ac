#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

// The time datagram read by the display devices: 63 ASCII bytes, no terminator.
namespace timemessage {

// "V," while the clock is not synchronised (flag 1), "A," otherwise.
QString validityFor(qint32 notSynced);

// "$TIME," + validity + local time to the second + the fixed tail the devices expect.
QByteArray datagram(const QString &validity, const QDateTime &localTime);

} // namespace timemessage
