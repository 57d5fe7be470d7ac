#pragma once

#include <QDateTime>
#include <QString>

// The large clock's two lines for the moment `now`.
QString clockTimeText(const QDateTime &now);
QString clockDateText(const QDateTime &now);

// Milliseconds from `now` to just past the next second boundary: the clock wakes
// once a second, 1 to 2 ms after the second has turned.
int msToNextSecond(const QDateTime &now);
